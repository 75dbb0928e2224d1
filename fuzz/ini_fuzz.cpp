// The ini text reader and writer on arbitrary files and arbitrary names and
// values: besides not crashing, an untouched file must come back byte for
// byte, and what is written must read back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "framework/ini_text.h"

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A'; }

std::string Trimmed(std::string s) {
    s = s.substr(0, s.find_first_of("\r\n"));
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
    size_t start = 0;
    while (start < s.size() && IsBlank(s[start])) ++start;
    return s.substr(start);
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(64);
    const std::string key = input.ConsumeRandomLengthString(64);
    const std::string value = input.ConsumeRandomLengthString(256);
    const std::string file = input.ConsumeRemainingBytesAsString();

    TIniText text(file);
    // UTF-16 files go through a conversion that may mend broken surrogates.
    if (!file.starts_with("\xFF\xFE")) Check(text.Bytes() == file);
    // Each lookup starts from the file's start, so large files have their
    // first few hundred sections and entries read back, not all of them.
    int lookups = 512;
    for (const std::string& name : text.Sections()) {
        if (--lookups < 0) break;
        for (const auto& [ident, stored] : text.Values(name)) {
            std::string back;
            Check(text.ReadValue(name, ident, back) && back == stored);
            if (--lookups < 0) break;
        }
    }

    // Names and values are written trimmed and cut at a line break.
    const std::string s = Trimmed(section), k = Trimmed(key);
    const bool writable = !k.empty() && k[0] != ';' && k[0] != '[' && k.find('=') == std::string::npos;
    const bool changed = text.WriteValue(section, key, value);
    Check(writable || !changed);
    TIniText reread(text.Bytes());
    if (writable) {
        std::string expected = Trimmed(value), back;
        if (expected.size() >= 2 && (expected[0] == '"' || expected[0] == '\'') && expected.back() == expected[0])
            expected = expected.substr(1, expected.size() - 2);
        Check(reread.ReadValue(s, k, back) && back == expected);
    }
    reread.DeleteKey(s, k);
    std::string gone;
    Check(!reread.ReadValue(s, k, gone));
    reread.EraseSection(s);
    Check(!reread.ReadValue(s, k, gone) && reread.Names(s).empty());
    return 0;
}
