// Settings stores that read like ini files: sections of name=value entries. All
// names and values are code page 1251.
#pragma once

#include <string>

#include "framework/classes.h"

class TIniText;
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

// An ini file on disk, read and written by our own code (ini_text.h has the
// rules) rather than the platform's profile functions, which decode a file
// without a byte order mark in the system's ANSI code page: this one reads code
// page 1251 whatever the system's locale. A relative name is taken from the
// current folder when the object is made, so FileName() is always a full path.
//
// Every call reads the file afresh, so other writers are seen at once. Every
// change goes to disk at once (UpdateFile has nothing left to do), through a
// temporary file in the same folder that then replaces the old one: a failed
// write leaves the old file as it was. A missing file reads as empty and is
// made by the first write; a file that cannot be read, or one over 16 MiB,
// reads as empty and is never written over. ReadString returns the default as
// given when the key is missing.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const std::string& fileName);
    ~TIniFile() override;

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) override;
    // These raise Exception "Unable to write to <file>" when the file cannot
    // be read back or written.
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value) override;
    void EraseSection(const std::string& section) override;
    void DeleteKey(const std::string& section, const std::string& ident) override;

    void ReadSection(const std::string& section, TStrings* strings) override;
    void ReadSections(TStrings* strings) override;
    void ReadSectionValues(const std::string& section, TStrings* strings) override;
    void UpdateFile() override;

private:
    // The file's text; empty when the file is missing, and also when it cannot
    // be read unless forWriting, which raises then.
    TIniText Load(bool forWriting) const;
    void Save(const TIniText& text) const;
};
