#include "framework/registry.h"

#include <cstring>
#include <functional>
#include <vector>

#include "framework/cp1251.h"
#include "framework/strings.h"
#include "framework/win.h"

namespace {

[[noreturn]] void RaiseRegistry(const char* format, const std::string& name) {
    throw ERegistryException(Format(format, name.c_str()));
}

const char kGetDataFailed[] = "Failed to get data for '%s'";
const char kSetDataFailed[] = "Failed to set data for '%s'";
const char kInvalidDataType[] = "Invalid data type for '%s'";
const char kCreateKeyFailed[] = "Failed to create key %s";

TRegDataType DataTypeOf(DWORD type) {
    switch (type) {
        case REG_SZ: return rdString;
        case REG_EXPAND_SZ: return rdExpandString;
        case REG_DWORD: return rdInteger;
        case REG_BINARY: return rdBinary;
        default: return rdUnknown;
    }
}

bool IsRelative(const std::string& key) { return key.empty() || key[0] != '\\'; }

std::string WithoutLeadingBackslash(const std::string& key) {
    return IsRelative(key) ? key : key.substr(1);
}

// UTF-16 registry text to code page 1251, up to the first NUL (a value written
// without its terminator still reads whole).
std::string RegistryText(const std::vector<BYTE>& data, DWORD size) {
    const size_t units = size / sizeof(wchar_t);
    std::wstring wide(units, L'\0');
    if (units) std::memcpy(wide.data(), data.data(), units * sizeof(wchar_t));
    const size_t end = wide.find(L'\0');
    if (end != std::wstring::npos) wide.resize(end);
    return WideToAnsi(wide);
}

}  // namespace

// --- TRegistry --------------------------------------------------------------

TRegistry::TRegistry() : TRegistry(KEY_ALL_ACCESS) {}

TRegistry::TRegistry(unsigned access) : FRootKey(HKEY_CURRENT_USER), FAccess(access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY value) {
    if (value == FRootKey) return;
    CloseKey();
    FRootKey = value;
}

HKEY TRegistry::GetBaseKey(bool relative) const {
    return (FCurrentKey && relative) ? FCurrentKey : FRootKey;
}

HKEY TRegistry::OpenRaw(const std::string& key, unsigned access, bool create) {
    const std::wstring path = AnsiToWide(WithoutLeadingBackslash(key));
    HKEY base = GetBaseKey(IsRelative(key));
    HKEY opened = nullptr;
    LONG result;
    if (create && !path.empty()) {
        result = RegCreateKeyExW(base, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                 &opened, nullptr);
    } else {
        result = RegOpenKeyExW(base, path.c_str(), 0, access, &opened);
    }
    return result == ERROR_SUCCESS ? opened : nullptr;
}

void TRegistry::ChangeKey(HKEY key, std::string path) {
    CloseKey();
    FCurrentKey = key;
    FCurrentPath = std::move(path);
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    HKEY opened = OpenRaw(key, FAccess, canCreate);
    if (!opened) return false;
    std::string path = WithoutLeadingBackslash(key);
    if (FCurrentKey && IsRelative(key) && !FCurrentPath.empty())
        path = path.empty() ? FCurrentPath : FCurrentPath + "\\" + path;
    ChangeKey(opened, std::move(path));
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    HKEY opened = OpenRaw(key, KEY_READ, false);
    if (!opened) return false;
    std::string path = WithoutLeadingBackslash(key);
    if (FCurrentKey && IsRelative(key) && !FCurrentPath.empty())
        path = path.empty() ? FCurrentPath : FCurrentPath + "\\" + path;
    ChangeKey(opened, std::move(path));
    return true;
}

void TRegistry::CloseKey() {
    if (!FCurrentKey) return;
    if (!FLazyWrite) RegFlushKey(FCurrentKey);
    RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
}

bool TRegistry::CreateKey(const std::string& key) {
    HKEY created = WithoutLeadingBackslash(key).empty() ? nullptr : OpenRaw(key, FAccess, true);
    if (!created) RaiseRegistry(kCreateKeyFailed, key);
    RegCloseKey(created);
    return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
    // An empty name would be the base key itself: deleting "everything below
    // it" would wipe the root key's whole tree.
    const std::wstring path = AnsiToWide(WithoutLeadingBackslash(key));
    if (path.empty()) return false;
    return RegDeleteTreeW(GetBaseKey(IsRelative(key)), path.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& key) {
    HKEY opened = OpenRaw(key, STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, false);
    if (!opened) return false;
    RegCloseKey(opened);
    return true;
}

bool TRegistry::HasSubKeys() {
    DWORD subKeys = 0;
    if (RegQueryInfoKeyW(FCurrentKey, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subKeys > 0;
}

bool TRegistry::DeleteValue(const std::string& name) {
    return RegDeleteValueW(FCurrentKey, AnsiToWide(name).c_str()) == ERROR_SUCCESS;
}

bool TRegistry::QueryValue(const std::string& name, unsigned long& type, unsigned long& size) {
    DWORD t = REG_NONE, s = 0;
    if (RegQueryValueExW(FCurrentKey, AnsiToWide(name).c_str(), nullptr, &t, nullptr, &s) != ERROR_SUCCESS)
        return false;
    type = t;
    size = s;
    return true;
}

bool TRegistry::ValueExists(const std::string& name) {
    unsigned long type, size;
    return QueryValue(name, type, size);
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
    unsigned long type, size;
    return QueryValue(name, type, size) ? DataTypeOf(type) : rdUnknown;
}

int TRegistry::GetDataSize(const std::string& name) {
    unsigned long type, size;
    return QueryValue(name, type, size) ? static_cast<int>(size) : -1;
}

void TRegistry::ReadData(const std::string& name, void* buffer, unsigned long& size) {
    DWORD s = size;
    if (RegQueryValueExW(FCurrentKey, AnsiToWide(name).c_str(), nullptr, nullptr, static_cast<BYTE*>(buffer),
                         &s) != ERROR_SUCCESS)
        RaiseRegistry(kGetDataFailed, name);
    size = s;
}

void TRegistry::WriteData(const std::string& name, unsigned long type, const void* data, unsigned long size) {
    if (RegSetValueExW(FCurrentKey, AnsiToWide(name).c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
        ERROR_SUCCESS)
        RaiseRegistry(kSetDataFailed, name);
}

std::string TRegistry::ReadString(const std::string& name) {
    const std::wstring wideName = AnsiToWide(name);
    std::vector<BYTE> data(256);
    for (;;) {
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG result = RegQueryValueExW(FCurrentKey, wideName.c_str(), nullptr, &type, data.data(), &size);
        if (result == ERROR_MORE_DATA) {
            data.resize(size + sizeof(wchar_t));  // the value may still grow between the calls
            continue;
        }
        if (result != ERROR_SUCCESS) return {};
        if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseRegistry(kInvalidDataType, name);
        return RegistryText(data, size);
    }
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    const std::wstring wide = AnsiToWide(value);
    WriteData(name, REG_SZ, wide.c_str(), static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

int TRegistry::ReadInteger(const std::string& name) {
    unsigned long type, size;
    if (!QueryValue(name, type, size)) RaiseRegistry(kGetDataFailed, name);
    if (type != REG_DWORD || size != sizeof(DWORD)) RaiseRegistry(kInvalidDataType, name);
    DWORD value = 0;
    size = sizeof value;
    ReadData(name, &value, size);
    return static_cast<int>(value);
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    const auto data = static_cast<DWORD>(value);
    WriteData(name, REG_DWORD, &data, sizeof data);
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int bufSize) {
    unsigned long type, size;
    if (!QueryValue(name, type, size)) return 0;
    if ((type != REG_BINARY && type != REG_NONE) || bufSize < 0 || size > static_cast<unsigned long>(bufSize))
        RaiseRegistry(kInvalidDataType, name);
    ReadData(name, buffer, size);
    return static_cast<int>(size);
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int size) {
    if (size < 0) RaiseRegistry(kSetDataFailed, name);
    WriteData(name, REG_BINARY, buffer, static_cast<DWORD>(size));
}

namespace {

// Lists the names that `enumerate` gives for indexes 0..count-1 (each at most
// maxLength units) into `strings`, inside one update.
void ListNames(TStrings* strings, DWORD count, DWORD maxLength,
               const std::function<LONG(DWORD index, wchar_t* name, DWORD* length)>& enumerate) {
    strings->BeginUpdate();
    try {
        strings->Clear();
        std::vector<wchar_t> buffer(maxLength + 1);
        for (DWORD i = 0; i < count; ++i) {
            DWORD length = static_cast<DWORD>(buffer.size());
            if (enumerate(i, buffer.data(), &length) == ERROR_SUCCESS)
                strings->Add(WideToAnsi(std::wstring_view(buffer.data(), length)));
        }
    } catch (...) {
        strings->EndUpdate();
        throw;
    }
    strings->EndUpdate();
}

}  // namespace

void TRegistry::GetValueNames(TStrings* strings) {
    DWORD count = 0, maxLength = 0;
    if (RegQueryInfoKeyW(FCurrentKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxLength,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        count = 0;
    ListNames(strings, count, maxLength, [this](DWORD i, wchar_t* name, DWORD* length) {
        return RegEnumValueW(FCurrentKey, i, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

void TRegistry::GetKeyNames(TStrings* strings) {
    DWORD count = 0, maxLength = 0;
    if (RegQueryInfoKeyW(FCurrentKey, nullptr, nullptr, nullptr, &count, &maxLength, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        count = 0;
    ListNames(strings, count, maxLength, [this](DWORD i, wchar_t* name, DWORD* length) {
        return RegEnumKeyExW(FCurrentKey, i, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

// --- TRegIniFile ------------------------------------------------------------

TRegIniFile::TRegIniFile(const std::string& fileName) : TCustomIniFile(fileName) {
    FRegistry.OpenKey(fileName, true);
}

TRegIniFile::TRegIniFile(const std::string& fileName, HKEY root, bool readOnly) : TCustomIniFile(fileName) {
    FRegistry.SetRootKey(root);
    if (readOnly)
        FRegistry.OpenKeyReadOnly(fileName);
    else
        FRegistry.OpenKey(fileName, true);
}

bool TRegIniFile::OpenSection(TRegistry& section, const std::string& name, SectionAccess access) {
    if (!FRegistry.CurrentKey()) return false;
    section.SetRootKey(FRegistry.CurrentKey());
    // A section name is always below the file's key, even with a leading '\'.
    const std::string relative = WithoutLeadingBackslash(name);
    switch (access) {
        case SectionAccess::Read: return section.OpenKeyReadOnly(relative);
        case SectionAccess::Write: return section.OpenKey(relative, false);
        case SectionAccess::Create: break;
    }
    return section.OpenKey(relative, true);
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) {
    TRegistry key;
    if (!OpenSection(key, section, SectionAccess::Read) || !key.ValueExists(ident)) return defaultValue;
    return key.ReadString(ident);
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    TRegistry key;
    if (!OpenSection(key, section, SectionAccess::Create)) RaiseRegistry(kCreateKeyFailed, FFileName + "\\" + section);
    key.WriteString(ident, value);
}

int TRegIniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) {
    TRegistry key;
    if (!OpenSection(key, section, SectionAccess::Read) || !key.ValueExists(ident)) return defaultValue;
    if (key.GetDataType(ident) == rdString) return StrToIntDef(key.ReadString(ident), defaultValue);
    return key.ReadInteger(ident);
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

void TRegIniFile::ReadSection(const std::string& section, TStrings* strings) {
    TRegistry key;
    if (OpenSection(key, section, SectionAccess::Read))
        key.GetValueNames(strings);
    else
        strings->Clear();
}

void TRegIniFile::ReadSections(TStrings* strings) { FRegistry.GetKeyNames(strings); }

void TRegIniFile::ReadSectionValues(const std::string& section, TStrings* strings) {
    TRegistry key;
    TStringList names;
    if (OpenSection(key, section, SectionAccess::Read)) key.GetValueNames(&names);
    strings->BeginUpdate();
    try {
        strings->Clear();
        for (int i = 0; i < names.Count(); ++i) {
            const std::string name = names.Get(i);
            std::string value;
            switch (key.GetDataType(name)) {
                case rdString:
                case rdExpandString: value = key.ReadString(name); break;
                case rdInteger: value = IntToStr(key.ReadInteger(name)); break;
                default: break;
            }
            strings->Add(name + "=" + value);
        }
    } catch (...) {
        strings->EndUpdate();
        throw;
    }
    strings->EndUpdate();
}

void TRegIniFile::EraseSection(const std::string& section) {
    if (FRegistry.CurrentKey()) FRegistry.DeleteKey(WithoutLeadingBackslash(section));
}

void TRegIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    TRegistry key;
    if (OpenSection(key, section, SectionAccess::Write)) key.DeleteValue(ident);
}

void TRegIniFile::UpdateFile() {
    if (FRegistry.CurrentKey()) RegFlushKey(FRegistry.CurrentKey());
}
