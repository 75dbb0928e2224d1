#include "framework/ini_text.h"

#include <unordered_set>

#include "framework/cp1251.h"
#include "framework/sysutils.h"

#ifdef _WIN32
TIniNameCompare IniNameCompare = AnsiCompareText;
TIniNameKey IniNameKey = AnsiCompareTextKey;
#else
TIniNameCompare IniNameCompare = CompareText;
TIniNameKey IniNameKey = UpperCase;
#endif

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

// The blanks the platform trims around names and values; Ctrl-Z is the old
// end-of-file mark some editors still leave behind.
bool IsIniBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1A';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsIniBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsIniBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view TrimBlanksRight(std::string_view s) {
    while (!s.empty() && IsIniBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view CutAtLineBreak(std::string_view s) { return s.substr(0, s.find_first_of("\r\n")); }

std::string_view Unquote(std::string_view s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

// A name this format can hold as an entry's name and read back as the same one.
bool IsWritableKey(std::string_view key) {
    return !key.empty() && key.front() != ';' && key.front() != '[' && key.find('=') == std::string_view::npos;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::wstring units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    return WideToUtf8(units);
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
    const std::wstring units = Utf8ToWide(utf8);
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (wchar_t unit : units) {
        const auto u = static_cast<unsigned>(unit) & 0xFFFF;
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

}  // namespace

TIniText::TIniText(std::string_view fileBytes) {
    std::string utf8;
    if (fileBytes.starts_with(kUtf8Mark)) {
        FEncoding = TEncoding::Utf8;
        fileBytes.remove_prefix(kUtf8Mark.size());
    } else if (fileBytes.starts_with(kUtf16Mark)) {
        FEncoding = TEncoding::Utf16;
        utf8 = Utf16LeToUtf8(fileBytes.substr(kUtf16Mark.size()));
        fileBytes = utf8;
    }
    size_t start = 0;
    while (start < fileBytes.size()) {
        const size_t end = fileBytes.find_first_of("\r\n", start);
        TLine line;
        if (end == std::string_view::npos) {
            line.Raw = fileBytes.substr(start);
            start = fileBytes.size();
        } else {
            const size_t endingSize = fileBytes.compare(end, 2, "\r\n") == 0 ? 2 : 1;
            line.Raw = fileBytes.substr(start, end - start);
            line.Ending = fileBytes.substr(end, endingSize);
            start = end + endingSize;
        }
        Classify(line);
        FLines.push_back(std::move(line));
    }
}

std::string TIniText::Bytes() const {
    std::string text;
    for (const TLine& line : FLines) text += line.Raw + line.Ending;
    switch (FEncoding) {
        case TEncoding::Utf8: return std::string(kUtf8Mark) + text;
        case TEncoding::Utf16: return std::string(kUtf16Mark) + Utf8ToUtf16Le(text);
        case TEncoding::Ansi: break;
    }
    return text;
}

std::string TIniText::ToAnsi(std::string_view raw) const {
    return FEncoding == TEncoding::Ansi ? std::string(raw) : Utf8ToAnsi(raw);
}

std::string TIniText::FromAnsi(std::string_view text) const {
    return FEncoding == TEncoding::Ansi ? std::string(text) : AnsiToUtf8(text);
}

void TIniText::Classify(TLine& line) const {
    const std::string_view raw = line.Raw;
    size_t start = 0;
    while (start < raw.size() && IsIniBlank(raw[start])) ++start;
    line.Name.clear();
    line.Value.clear();
    line.ValueStart = 0;
    if (start == raw.size()) {
        line.Kind = TLineKind::Blank;
        return;
    }
    if (raw[start] == '[') {
        const size_t close = raw.rfind(']');
        if (close != std::string_view::npos && close > start) {
            line.Kind = TLineKind::Section;
            line.Name = ToAnsi(TrimBlanks(raw.substr(start + 1, close - start - 1)));
            return;
        }
    }
    if (raw[start] == ';') {
        line.Kind = TLineKind::Comment;
        return;
    }
    const size_t equals = raw.find('=', start);
    const std::string_view name =
        equals == std::string_view::npos ? std::string_view() : TrimBlanksRight(raw.substr(start, equals - start));
    if (name.empty()) {
        line.Kind = TLineKind::Other;
        return;
    }
    line.Kind = TLineKind::Entry;
    line.Name = ToAnsi(name);
    line.ValueStart = equals + 1;
    while (line.ValueStart < raw.size() && IsIniBlank(raw[line.ValueStart])) ++line.ValueStart;
    line.Value = ToAnsi(Unquote(TrimBlanksRight(raw.substr(line.ValueStart))));
}

size_t TIniText::FindSection(std::string_view name) const {
    name = TrimBlanks(name);
    for (size_t i = 0; i < FLines.size(); ++i)
        if (FLines[i].Kind == TLineKind::Section && IniNameCompare(FLines[i].Name, name) == 0) return i;
    return std::string::npos;
}

size_t TIniText::SectionEnd(size_t header) const {
    size_t end = header + 1;
    while (end < FLines.size() && FLines[end].Kind != TLineKind::Section) ++end;
    return end;
}

size_t TIniText::FindEntry(size_t header, std::string_view ident) const {
    ident = TrimBlanks(ident);
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (FLines[i].Kind == TLineKind::Entry && IniNameCompare(FLines[i].Name, ident) == 0) return i;
    return std::string::npos;
}

bool TIniText::ReadValue(std::string_view section, std::string_view ident, std::string& value) const {
    const size_t header = FindSection(section);
    if (header == std::string::npos) return false;
    const size_t entry = FindEntry(header, ident);
    if (entry == std::string::npos) return false;
    value = FLines[entry].Value;
    return true;
}

std::vector<std::string> TIniText::Sections() const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const TLine& line : FLines)
        if (line.Kind == TLineKind::Section && seen.insert(IniNameKey(line.Name)).second) names.push_back(line.Name);
    return names;
}

std::vector<std::string> TIniText::Names(std::string_view section) const {
    std::vector<std::string> names;
    for (auto& [name, value] : Values(section)) names.push_back(std::move(name));
    return names;
}

std::vector<std::pair<std::string, std::string>> TIniText::Values(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> values;
    const size_t header = FindSection(section);
    if (header == std::string::npos) return values;
    // The first entry of each name, as FindEntry sees it, found in one pass.
    std::unordered_set<std::string> seen;
    for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i)
        if (FLines[i].Kind == TLineKind::Entry && seen.insert(IniNameKey(FLines[i].Name)).second)
            values.emplace_back(FLines[i].Name, FLines[i].Value);
    return values;
}

std::string TIniText::NewLineEnding() const {
    for (const TLine& line : FLines)
        if (!line.Ending.empty()) return line.Ending;
    return "\r\n";
}

void TIniText::InsertLine(size_t at, const std::string& raw) {
    const std::string ending = NewLineEnding();
    if (at > 0 && FLines[at - 1].Ending.empty()) FLines[at - 1].Ending = ending;
    TLine line;
    line.Raw = raw;
    line.Ending = ending;
    Classify(line);
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

bool TIniText::WriteValue(std::string_view section, std::string_view ident, std::string_view value) {
    const std::string_view sectionName = TrimBlanks(CutAtLineBreak(section));
    const std::string_view key = TrimBlanks(CutAtLineBreak(ident));
    if (!IsWritableKey(key)) return false;
    const std::string rawValue = FromAnsi(TrimBlanks(CutAtLineBreak(value)));

    const size_t header = FindSection(sectionName);
    if (header == std::string::npos) {
        if (!FLines.empty() && FLines.back().Kind != TLineKind::Blank) InsertLine(FLines.size(), "");
        InsertLine(FLines.size(), "[" + FromAnsi(sectionName) + "]");
        InsertLine(FLines.size(), FromAnsi(key) + "=" + rawValue);
        return true;
    }
    const size_t entry = FindEntry(header, key);
    if (entry != std::string::npos) {
        TLine& line = FLines[entry];
        if (TrimBlanksRight(std::string_view(line.Raw).substr(line.ValueStart)) == rawValue) return false;
        line.Raw = line.Raw.substr(0, line.ValueStart) + rawValue;
        Classify(line);
        return true;
    }
    // After the section's last entry: what follows it is often the next section's comment.
    size_t at = header + 1;
    for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i)
        if (FLines[i].Kind == TLineKind::Entry) at = i + 1;
    InsertLine(at, FromAnsi(key) + "=" + rawValue);
    return true;
}

bool TIniText::EraseSection(std::string_view section) {
    // One pass that marks, one that compacts: files may repeat a section
    // many times over.
    section = TrimBlanks(section);
    std::vector<bool> drop(FLines.size(), false);
    bool changed = false;
    for (size_t i = 0; i < FLines.size();) {
        if (FLines[i].Kind != TLineKind::Section || IniNameCompare(FLines[i].Name, section) != 0) {
            ++i;
            continue;
        }
        size_t last = i;
        for (size_t j = i + 1, end = SectionEnd(i); j < end; ++j)
            if (FLines[j].Kind == TLineKind::Entry) last = j;
        for (; i <= last; ++i) drop[i] = true;
        changed = true;
    }
    if (changed) Compact(drop);
    return changed;
}

bool TIniText::DeleteKey(std::string_view section, std::string_view ident) {
    const size_t header = FindSection(section);
    if (header == std::string::npos) return false;
    ident = TrimBlanks(ident);
    std::vector<bool> drop(FLines.size(), false);
    bool changed = false;
    for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i)
        if (FLines[i].Kind == TLineKind::Entry && IniNameCompare(FLines[i].Name, ident) == 0) drop[i] = changed = true;
    if (changed) Compact(drop);
    return changed;
}

void TIniText::Compact(const std::vector<bool>& drop) {
    size_t kept = 0;
    for (size_t i = 0; i < FLines.size(); ++i)
        if (!drop[i]) {
            if (kept != i) FLines[kept] = std::move(FLines[i]);
            ++kept;
        }
    FLines.resize(kept);
}
