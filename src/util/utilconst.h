// Messages and screen cursors of the utility library.
#pragma once

#include <string>

// The library's messages: built into the library, and replaced by a string
// table of the program's resources (resources/util.rc) where it has one, so
// that a translation replaces them there.
namespace utilconst {

enum : unsigned {
    SFOpenError = 65200,    // "Cannot open file %s"
    SFCreateError = 65201,  // "Cannot create file %s"
    SReadError = 65202,
    SWriteError = 65203,
    SHelpButton = 65204,
};

}  // namespace utilconst

// The message in code page 1251; empty for an id the library does not know.
std::string LoadUtilString(unsigned id);
// The message with its "%s" replaced by `argument`.
std::string UtilMessage(unsigned id, const std::string& argument);

// Screen cursors the library registers from the program's resources
// "UTIL_HANDCUR" and "UTIL_DRAGCUR".
constexpr int UtilHandCursor = 14000;
constexpr int UtilDragCursor = 14001;

// Run at start-up; a program without the resources keeps the screen's cursors.
void InstallUtilCursors();
