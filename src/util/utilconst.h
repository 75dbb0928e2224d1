// Messages and screen cursors of the utility library.
#pragma once

namespace utilconst {

inline constexpr char SFOpenError[] = "Cannot open file %s";
inline constexpr char SFCreateError[] = "Cannot create file %s";
inline constexpr char SReadError[] = "Stream read error";
inline constexpr char SWriteError[] = "Stream write error";
inline constexpr char SHelpButton[] = "&Help";

}  // namespace utilconst

// Screen cursors the library registers from the program's resources
// "UTIL_HANDCUR" and "UTIL_DRAGCUR".
constexpr int UtilHandCursor = 14000;
constexpr int UtilDragCursor = 14001;

// Run at start-up; a program without the resources keeps the screen's cursors.
void InstallUtilCursors();
