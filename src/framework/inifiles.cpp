#include "framework/inifiles.h"

#include <vector>

#include "framework/cp1251.h"
#include "framework/ini_text.h"
#include "framework/streams.h"
#include "framework/strings.h"
#include "framework/win.h"

namespace {

const char kWriteError[] = "Unable to write to %s";

// Settings files are small; anything larger is not one we should rewrite.
constexpr int64_t kLargestIniFile = int64_t{16} << 20;

void FillStrings(TStrings* strings, const std::vector<std::string>& lines) {
    strings->BeginUpdate();
    try {
        strings->Clear();
        for (const std::string& line : lines) strings->Add(line);
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

TIniFile::~TIniFile() = default;

TIniText TIniFile::Load(bool forWriting) const {
    if (FFileName.empty() || !FileExists(FFileName)) return TIniText();
    try {
        TFileStream file(FFileName, fmOpenRead | fmShareDenyNone);
        const int64_t size = file.Size();
        if (size > kLargestIniFile) throw EReadError("Settings file too large");
        std::string bytes(static_cast<size_t>(size), '\0');
        file.ReadBuffer(bytes.data(), static_cast<int32_t>(size));
        return TIniText(bytes);
    } catch (const Exception&) {
        if (forWriting) throw Exception(Format(kWriteError, FFileName.c_str()));
        return TIniText();
    }
}

void TIniFile::Save(const TIniText& text) const {
    const std::string bytes = text.Bytes();
    const std::wstring target = AnsiToWide(FFileName);
    std::wstring folder = AnsiToWide(ExtractFilePath(FFileName));
    if (folder.empty()) folder = L".";
    // A rename would replace a read-only file where writing into it would fail.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw Exception(Format(kWriteError, FFileName.c_str()));
    wchar_t temporary[MAX_PATH + 1] = {};
    // Made in the target's folder so that the replacement is a rename on one volume.
    if (FFileName.empty() || !GetTempFileNameW(folder.c_str(), L"ini", 0, temporary))
        throw Exception(Format(kWriteError, FFileName.c_str()));
    try {
        TFileStream file(WideToAnsi(temporary), fmOpenWrite | fmShareExclusive);
        file.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
        if (!FlushFileBuffers(static_cast<HANDLE>(file.Handle()))) throw EWriteError("Stream write error");
    } catch (const Exception&) {
        DeleteFileW(temporary);
        throw Exception(Format(kWriteError, FFileName.c_str()));
    }
    if (!MoveFileExW(temporary, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary);
        throw Exception(Format(kWriteError, FFileName.c_str()));
    }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) {
    std::string value;
    return Load(false).ReadValue(section, ident, value) ? value : defaultValue;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    TIniText text = Load(true);
    if (text.WriteValue(section, ident, value)) Save(text);
}

void TIniFile::EraseSection(const std::string& section) {
    TIniText text = Load(true);
    if (text.EraseSection(section)) Save(text);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    TIniText text = Load(true);
    if (text.DeleteKey(section, ident)) Save(text);
}

void TIniFile::ReadSection(const std::string& section, TStrings* strings) {
    FillStrings(strings, Load(false).Names(section));
}

void TIniFile::ReadSections(TStrings* strings) { FillStrings(strings, Load(false).Sections()); }

void TIniFile::ReadSectionValues(const std::string& section, TStrings* strings) {
    std::vector<std::string> lines;
    for (const auto& [name, value] : Load(false).Values(section)) lines.push_back(name + "=" + value);
    FillStrings(strings, lines);
}

void TIniFile::UpdateFile() {}
