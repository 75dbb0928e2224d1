// Remembers the main window's placement. This first cut keeps the settings the
// shell gives it; the placement itself is not yet stored.
#pragma once

#include <string>

#include "framework/classes.h"

class TFormPlacement : public TComponent {
public:
    explicit TFormPlacement(TComponent* AOwner) : TComponent(AOwner) {}
    bool UseRegistry = false;
    std::string IniFileName;
    std::string IniSection;
};
