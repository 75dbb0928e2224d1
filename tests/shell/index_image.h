// Builds "voc.ind" images for tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/cp1251.h"

namespace testing_support {

struct IndexTerm {
    int32_t offset;
    int32_t length;
    std::string key;   // UTF-8 in the test, code page 1251 in the file
    std::string name;  // UTF-8 in the test, UTF-16 in the file
};

inline void PutInt32(std::string& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
}

// Count defaults to the number of terms.
inline std::string IndexImage(const std::vector<IndexTerm>& terms, std::optional<int32_t> count = std::nullopt) {
    std::string out;
    PutInt32(out, count.value_or(static_cast<int32_t>(terms.size())));
    for (const IndexTerm& t : terms) {
        std::string key = Utf8ToAnsi(t.key);
        std::wstring name = Utf8ToWide(t.name);
        PutInt32(out, t.offset);
        PutInt32(out, t.length);
        out.push_back(static_cast<char>(key.size()));
        out.push_back(static_cast<char>(name.size()));
        out += key;
        for (wchar_t c : name) {
            out.push_back(static_cast<char>(c & 0xFF));
            out.push_back(static_cast<char>(c >> 8));
        }
    }
    return out;
}

}  // namespace testing_support
