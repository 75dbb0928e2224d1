// The published properties every control shares (bounds, visibility, hint, tag),
// the base of the tables the framework's controls declare.
#pragma once

#include "framework/typinfo.h"

const TClassInfo* ControlClassInfo();
// A boolean property: an enumeration of "False" and "True".
TPropInfo BooleanProp(std::string name, std::function<bool(TObject*)> get, std::function<void(TObject*, bool)> set);
