// The named character entities the scanner resolves.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct THtmlEntity {
    const char* Name;
    int Code;  // Unicode code point
};

// A sorted list of strings, each with a number, searched in the same
// case-sensitive order it is kept in (byte order: "Amp" is not "amp").
class TCaseSensitiveStringList {
public:
    // Puts `s` in its sorted place; a string already there is kept and
    // false is returned.
    bool Add(std::string s, int object);
    // True when `s` is there, with its index; otherwise the index where it
    // would go.
    bool Find(std::string_view s, int& index) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    const std::string& Strings(int index) const { return FItems[static_cast<size_t>(index)].first; }
    int Objects(int index) const { return FItems[static_cast<size_t>(index)].second; }

private:
    std::vector<std::pair<std::string, int>> FItems;
};

// The 252 entity names of HTML 4.01 with their code points, made on first use.
const TCaseSensitiveStringList& EntityList();

// Case-sensitive lookup of an entity name (without '&' and ';').
bool FindEntity(std::string_view name, int& code);
