#include "framework/inifiles.h"

#include <algorithm>
#include <vector>

#include "framework/cp1251.h"
#include "framework/strings.h"
#include "framework/win.h"

namespace {

const char kWriteError[] = "Unable to write to %s";

// The profile functions truncate silently: a result that fills the buffer
// (less the terminators) may be cut, so the buffer grows until it does not.
constexpr DWORD kFirstBuffer = 2048;
constexpr DWORD kLargestBuffer = 16u << 20;

// GetPrivateProfileStringW; `nulls` is how many terminators a full buffer keeps
// (1 for one value, 2 for a list of names).
std::wstring ProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                           const std::wstring& file, DWORD nulls) {
    std::vector<wchar_t> buffer(kFirstBuffer);
    for (;;) {
        const DWORD length = GetPrivateProfileStringW(section, key, fallback, buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), file.c_str());
        if (length + nulls < buffer.size() || buffer.size() >= kLargestBuffer)
            return std::wstring(buffer.data(), std::min<size_t>(length, buffer.size()));
        buffer.resize(buffer.size() * 4);
    }
}

// A list of NUL-terminated names into `strings`, cleared first.
void AddNameList(const std::wstring& list, TStrings* strings) {
    strings->BeginUpdate();
    try {
        strings->Clear();
        size_t start = 0;
        while (start < list.size()) {
            size_t end = list.find(L'\0', start);
            if (end == std::wstring::npos) end = list.size();
            if (end > start) strings->Add(WideToAnsi(std::wstring_view(list).substr(start, end - start)));
            start = end + 1;
        }
    } catch (...) {
        strings->EndUpdate();
        throw;
    }
    strings->EndUpdate();
}

}  // namespace

// --- TCustomIniFile ---------------------------------------------------------

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) {
    return StrToIntDef(ReadString(section, ident, std::string()), defaultValue);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

bool TCustomIniFile::SectionExists(const std::string& section) {
    TStringList names;
    ReadSection(section, &names);
    return names.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) {
    TStringList names;
    ReadSection(section, &names);
    return names.IndexOf(ident) >= 0;
}

// --- TIniFile ---------------------------------------------------------------

TIniFile::TIniFile(const std::string& fileName) : TCustomIniFile(ExpandFileName(fileName)) {}

TIniFile::~TIniFile() {
    // Flushes what the platform may still cache; nothing can be reported from here.
    if (!FFileName.empty()) WritePrivateProfileStringW(nullptr, nullptr, nullptr, AnsiToWide(FFileName).c_str());
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) {
    return WideToAnsi(ProfileString(AnsiToWide(section).c_str(), AnsiToWide(ident).c_str(),
                                    AnsiToWide(defaultValue).c_str(), AnsiToWide(FFileName), 1));
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    if (!WritePrivateProfileStringW(AnsiToWide(section).c_str(), AnsiToWide(ident).c_str(),
                                    AnsiToWide(value).c_str(), AnsiToWide(FFileName).c_str()))
        throw Exception(Format(kWriteError, FFileName.c_str()));
}

void TIniFile::ReadSection(const std::string& section, TStrings* strings) {
    AddNameList(ProfileString(AnsiToWide(section).c_str(), nullptr, L"", AnsiToWide(FFileName), 2), strings);
}

void TIniFile::ReadSections(TStrings* strings) {
    AddNameList(ProfileString(nullptr, nullptr, L"", AnsiToWide(FFileName), 2), strings);
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings* strings) {
    TStringList names;
    ReadSection(section, &names);
    strings->BeginUpdate();
    try {
        strings->Clear();
        for (int i = 0; i < names.Count(); ++i) {
            const std::string name = names.Get(i);
            strings->Add(name + "=" + ReadString(section, name, std::string()));
        }
    } catch (...) {
        strings->EndUpdate();
        throw;
    }
    strings->EndUpdate();
}

void TIniFile::EraseSection(const std::string& section) {
    if (!WritePrivateProfileStringW(AnsiToWide(section).c_str(), nullptr, nullptr, AnsiToWide(FFileName).c_str()))
        throw Exception(Format(kWriteError, FFileName.c_str()));
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    WritePrivateProfileStringW(AnsiToWide(section).c_str(), AnsiToWide(ident).c_str(), nullptr,
                               AnsiToWide(FFileName).c_str());
}

void TIniFile::UpdateFile() {
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, AnsiToWide(FFileName).c_str());
}
