// Settings stores that read like ini files: sections of name=value entries. All
// names and values are code page 1251.
#pragma once

#include <string>

#include "framework/classes.h"

class TStrings;

class TCustomIniFile : public TObject {
public:
    explicit TCustomIniFile(std::string fileName) : FFileName(std::move(fileName)) {}
    const std::string& FileName() const { return FFileName; }

    virtual std::string ReadString(const std::string& section, const std::string& ident,
                                   const std::string& defaultValue) = 0;
    virtual void WriteString(const std::string& section, const std::string& ident,
                             const std::string& value) = 0;
    // Decimal, or hexadecimal written "$1F" or "0x1F"; anything else gives the default.
    virtual int ReadInteger(const std::string& section, const std::string& ident, int defaultValue);
    virtual void WriteInteger(const std::string& section, const std::string& ident, int value);
    // Any number but 0 is true; written as "1" and "0".
    virtual bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue);
    virtual void WriteBool(const std::string& section, const std::string& ident, bool value);

    // Fill `strings` (cleared first) with the names of a section, the sections,
    // or the section's "name=value" entries.
    virtual void ReadSection(const std::string& section, TStrings* strings) = 0;
    virtual void ReadSections(TStrings* strings) = 0;
    virtual void ReadSectionValues(const std::string& section, TStrings* strings) = 0;
    virtual void EraseSection(const std::string& section) = 0;
    virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
    // Writes buffered changes out.
    virtual void UpdateFile() = 0;

    virtual bool SectionExists(const std::string& section);
    virtual bool ValueExists(const std::string& section, const std::string& ident);

protected:
    std::string FFileName;
};

// An ini file through the platform's profile functions. A relative name is
// taken from the current folder when the object is made (the platform would
// look in the Windows folder), so FileName() is always a full path.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const std::string& fileName);
    ~TIniFile() override;

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) override;
    // Raises Exception "Unable to write to <file>" when the platform refuses.
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value) override;
    void ReadSection(const std::string& section, TStrings* strings) override;
    void ReadSections(TStrings* strings) override;
    void ReadSectionValues(const std::string& section, TStrings* strings) override;
    void EraseSection(const std::string& section) override;
    void DeleteKey(const std::string& section, const std::string& ident) override;
    void UpdateFile() override;
};
