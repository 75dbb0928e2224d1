// The named character entities the scanner resolves.
#pragma once

#include <string_view>

struct THtmlEntity {
    const char* Name;
    int Code;  // Unicode code point
};

// Case-sensitive lookup of an entity name (without '&' and ';').
bool FindEntity(std::string_view name, int& code);
int EntityCount();
