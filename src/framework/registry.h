// The registry: keys and values under a root key (the current user by default),
// and TRegIniFile, a key read and written like an ini file. Names and string
// values are code page 1251; the registry itself holds UTF-16.
#pragma once

#include <string>

#include "framework/inifiles.h"

// The same declaration as the platform's, so this header needs no windows.h.
struct HKEY__;
typedef HKEY__* HKEY;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject {
public:
    TRegistry();
    explicit TRegistry(unsigned access);
    ~TRegistry() override;

    HKEY RootKey() const { return FRootKey; }
    // Closes the open key.
    void SetRootKey(HKEY value);
    HKEY CurrentKey() const { return FCurrentKey; }
    // The open key's path below the root key.
    const std::string& CurrentPath() const { return FCurrentPath; }
    // Off: closing a key flushes it to disk first.
    bool LazyWrite() const { return FLazyWrite; }
    void SetLazyWrite(bool value) { FLazyWrite = value; }
    unsigned Access() const { return FAccess; }
    void SetAccess(unsigned value) { FAccess = value; }

    // A key starting with '\' is a path below the root key; any other is below
    // the open key (or the root when none is open). On success the key becomes
    // the open key.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    // Creates the key without opening it; raises ERegistryException
    // "Failed to create key <key>" when it cannot.
    bool CreateKey(const std::string& key);
    // Deletes the key with everything below it. An empty name deletes nothing.
    bool DeleteKey(const std::string& key);
    bool KeyExists(const std::string& key);
    bool HasSubKeys();

    // Values of the open key.
    bool DeleteValue(const std::string& name);
    bool ValueExists(const std::string& name);
    TRegDataType GetDataType(const std::string& name);
    // Size in bytes, -1 when the value is missing.
    int GetDataSize(const std::string& name);

    // A missing value reads as "" (strings) or 0 bytes (binary). A missing
    // integer raises ERegistryException "Failed to get data for '<name>'", a
    // value of another type "Invalid data type for '<name>'"; a failed write
    // "Failed to set data for '<name>'".
    std::string ReadString(const std::string& name);
    void WriteString(const std::string& name, const std::string& value);
    int ReadInteger(const std::string& name);
    void WriteInteger(const std::string& name, int value);
    bool ReadBool(const std::string& name);
    void WriteBool(const std::string& name, bool value);
    // Returns the value's size; raises when it is larger than bufSize.
    int ReadBinaryData(const std::string& name, void* buffer, int bufSize);
    void WriteBinaryData(const std::string& name, const void* buffer, int size);

    // Fill `strings` (cleared first) with the open key's value or subkey names.
    void GetValueNames(TStrings* strings);
    void GetKeyNames(TStrings* strings);

private:
    HKEY GetBaseKey(bool relative) const;
    HKEY OpenRaw(const std::string& key, unsigned access, bool create);
    void ChangeKey(HKEY key, std::string path);
    // The value's type and size; false when it is missing.
    bool QueryValue(const std::string& name, unsigned long& type, unsigned long& size);
    void ReadData(const std::string& name, void* buffer, unsigned long& size);
    void WriteData(const std::string& name, unsigned long type, const void* data, unsigned long size);

    HKEY FRootKey;
    HKEY FCurrentKey = nullptr;
    std::string FCurrentPath;
    bool FLazyWrite = true;
    unsigned FAccess;
};

// A registry key (given as a path below the current user's root) used like an
// ini file: sections are its subkeys, entries their values. Integers and
// booleans are written as strings; integers read back from strings or DWORDs.
class TRegIniFile : public TCustomIniFile {
public:
    explicit TRegIniFile(const std::string& fileName);
    // Under another root key; read-only opens the key without creating it
    // (the reads then give their defaults when it does not exist).
    TRegIniFile(const std::string& fileName, HKEY root, bool readOnly);
    TRegistry& Registry() { return FRegistry; }

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) override;
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value) override;
    int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) override;
    void WriteInteger(const std::string& section, const std::string& ident, int value) override;
    void ReadSection(const std::string& section, TStrings* strings) override;
    void ReadSections(TStrings* strings) override;
    void ReadSectionValues(const std::string& section, TStrings* strings) override;
    void EraseSection(const std::string& section) override;
    void DeleteKey(const std::string& section, const std::string& ident) override;
    void UpdateFile() override;

private:
    enum class SectionAccess { Read, Write, Create };
    // A registry positioned on the section's key (the file's own key for an
    // empty section); false when the key does not exist (or cannot be created).
    bool OpenSection(TRegistry& section, const std::string& name, SectionAccess access);

    TRegistry FRegistry;
};
