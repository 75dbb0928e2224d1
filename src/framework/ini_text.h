// The text of an ini file: sections of name=value entries, read and changed the
// way the platform's profile functions read and write them, while every line a
// change does not touch (comments, blank lines, lines the format does not know,
// the layout around '=') stays byte for byte as it was. Free of windows.h so it
// builds natively for fuzzing; TIniFile puts it on disk.
//
// The rules:
// - A file is code page 1251. After a UTF-8 byte order mark it is UTF-8, after
//   a UTF-16 little-endian one UTF-16; either way names and values come and go
//   as code page 1251 and the file keeps its encoding and mark when written.
// - Lines end with CR LF, LF or a lone CR; each keeps its own ending, and added
//   lines take the ending of the file's first line (CR LF in a new file).
// - "[name]" (up to the last ']') starts a section; ';' starts a comment; a
//   line with '=' after a non-empty name is an entry; anything else is kept
//   and ignored. Lines before the first section belong to none.
// - Names and values lose leading and trailing blanks (space, tab, CR, LF, VT,
//   FF and Ctrl-Z); a value then loses one pair of matching surrounding quotes
//   (' or "). Names compare without regard to case through IniNameCompare.
// - When a section or a key appears twice the first one wins: reads, writes and
//   DeleteKey see only the first section of a name and the first entry of a key.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// How section and key names compare without regard to case: the platform's
// rules for code page 1251 in the program (AnsiCompareText), ASCII in a native
// build (CompareText). Replaceable for tests and fuzzing.
using TIniNameCompare = int (*)(std::string_view, std::string_view);
extern TIniNameCompare IniNameCompare;
// A key equal for exactly the names IniNameCompare takes as equal (the
// collation key, or the ASCII capitals), so that listings group names in
// linear time. Replaced together with IniNameCompare.
using TIniNameKey = std::string (*)(std::string_view);
extern TIniNameKey IniNameKey;

class TIniText {
public:
    explicit TIniText(std::string_view fileBytes = {});

    // The file's bytes; without changes exactly the bytes it was made from
    // (UTF-16 files: as long as they hold no unpaired surrogate).
    std::string Bytes() const;

    // False (and value untouched) when the section or the key is not there.
    bool ReadValue(std::string_view section, std::string_view ident, std::string& value) const;
    // Each name once, in file order, spelt as where it first appears.
    std::vector<std::string> Sections() const;
    std::vector<std::string> Names(std::string_view section) const;
    std::vector<std::pair<std::string, std::string>> Values(std::string_view section) const;

    // Each returns whether the text changed. WriteValue writes the name and the
    // value trimmed and cut at a line break (so that a write never adds lines
    // the next read would take for others); an existing entry keeps its place
    // and its spelling up to the value, a new one goes after the last entry of
    // its section, a new section at the end. A key the format cannot hold
    // (empty, starting with ';' or '[', or holding '=') writes nothing.
    bool WriteValue(std::string_view section, std::string_view ident, std::string_view value);
    // Removes every section of that name with its lines up to its last entry
    // (what follows, often the next section's comment, stays).
    bool EraseSection(std::string_view section);
    // Removes every entry of that name from the first section of its name.
    bool DeleteKey(std::string_view section, std::string_view ident);

private:
    enum class TLineKind { Blank, Comment, Section, Entry, Other };
    enum class TEncoding { Ansi, Utf8, Utf16 };
    struct TLine {
        std::string Raw;     // without its ending, in the file's encoding (UTF-8 for UTF-16 files)
        std::string Ending;  // "\r\n", "\n", "\r", or "" on a last line without one
        TLineKind Kind = TLineKind::Other;
        std::string Name;        // code page 1251, trimmed
        std::string Value;       // code page 1251, trimmed and unquoted
        size_t ValueStart = 0;   // where the value begins in Raw
    };

    void Classify(TLine& line) const;
    std::string ToAnsi(std::string_view raw) const;
    std::string FromAnsi(std::string_view text) const;
    // Index of the first section header of that name, or npos.
    size_t FindSection(std::string_view name) const;
    // One past the section's last line (the next header or the end).
    size_t SectionEnd(size_t header) const;
    size_t FindEntry(size_t header, std::string_view ident) const;
    void InsertLine(size_t at, const std::string& raw);
    // Removes the lines marked in `drop` (one flag per line), keeping the order.
    void Compact(const std::vector<bool>& drop);
    std::string NewLineEnding() const;

    TEncoding FEncoding = TEncoding::Ansi;
    std::vector<TLine> FLines;
};
