// Saving and restoring, for every tool window of a form, whether it shows,
// where it is docked (or that it floats) and its place, through caller-given
// value readers and writers, or in an ini file or under a registry key.
#pragma once

#include <string>

#include "widgets/tool_window.h"

struct HKEY__;
using HKEY = HKEY__*;

using TPositionReadIntProc = TCustomToolWindow::TPositionReadIntProc;
using TPositionWriteIntProc = TCustomToolWindow::TPositionWriteIntProc;
using TPositionReadStringProc = void (*)(const std::string& toolWindowName, const std::string& value,
                                         const std::string& def, std::string& result, void* extra);
using TPositionWriteStringProc = void (*)(const std::string& toolWindowName, const std::string& value,
                                          const std::string& data, void* extra);

void CustomSaveToolbarPositions(TCustomForm* form, TPositionWriteIntProc writeInt, TPositionWriteStringProc writeString,
                                void* extra);
void CustomLoadToolbarPositions(TCustomForm* form, TPositionReadIntProc readInt, TPositionReadStringProc readString,
                                void* extra);

// Each tool window's values go to the section `sectionPrefix` + its name.
void IniSaveToolbarPositions(TCustomForm* form, const std::string& fileName, const std::string& sectionPrefix);
void IniLoadToolbarPositions(TCustomForm* form, const std::string& fileName, const std::string& sectionPrefix);

// Each tool window's values go to a subkey, named after it, of `key` (made when missing).
void RegSaveToolbarPositions(TCustomForm* form, const std::string& key);
void RegLoadToolbarPositions(TCustomForm* form, const std::string& key);
void RegSaveToolbarPositionsEx(TCustomForm* form, HKEY rootKey, const std::string& key);
void RegLoadToolbarPositionsEx(TCustomForm* form, HKEY rootKey, const std::string& key);
