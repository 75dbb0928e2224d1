// String lists: an ordered list of code page 1251 strings, each with an object
// pointer the list does not own. Free of windows.h (the file half lives in
// strings_file.cpp).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/classes.h"

class TStream;

// How string lists compare without regard to case. The program's build uses the
// platform's collation (AnsiCompareText); a native build falls back to ASCII
// (CompareText). Replaceable for tests and fuzzing.
using TTextCompare = int (*)(std::string_view, std::string_view);
extern TTextCompare StringListCompareText;

class TStrings : public TPersistent {
public:
    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& s);
    virtual TObject* GetObject(int index) const;
    virtual void PutObject(int index, TObject* object);
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    // Index of the new string (its sorted place in a sorted list).
    virtual int Add(const std::string& s);
    int AddObject(const std::string& s, TObject* object);
    void InsertObject(int index, const std::string& s, TObject* object);
    void AddStrings(TStrings* strings);
    virtual void Exchange(int index1, int index2);
    // Case-insensitive, through StringListCompareText.
    virtual int IndexOf(const std::string& s) const;
    int IndexOfName(const std::string& name) const;
    int IndexOfObject(TObject* object) const;

    std::string Strings(int index) const { return Get(index); }
    void SetStrings(int index, const std::string& s) { Put(index, s); }
    TObject* Objects(int index) const { return GetObject(index); }
    void SetObjects(int index, TObject* object) { PutObject(index, object); }

    // "name=value" entries: the name is the text before the first '='.
    std::string Names(int index) const;
    std::string Values(const std::string& name) const;
    // An empty value deletes the entry.
    void SetValues(const std::string& name, const std::string& value);

    // Every string followed by CR LF.
    std::string Text() const;
    // Splits on CR LF, CR or LF; a last line without a break still counts.
    void SetText(std::string_view text);
    // Comma-separated; strings with blanks, quotes or commas are double-quoted.
    std::string CommaText() const;
    void SetCommaText(std::string_view text);

    // Bytes as they are (code page 1251), lines as Text/SetText.
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    // Change events are held back between the outermost BeginUpdate and EndUpdate.
    void BeginUpdate();
    void EndUpdate();

    void Assign(TPersistent* Source) override;

protected:
    virtual void SetUpdateState(bool) {}
    int UpdateCount() const { return FUpdateCount; }
    [[noreturn]] static void Error(const char* format, int index);

private:
    int FUpdateCount = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
// Negative, zero or positive as the string at index1 sorts before, with or after
// the one at index2.
using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

class TStringList : public TStrings {
public:
    int Count() const override { return static_cast<int>(FItems.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    int Add(const std::string& s) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;
    void Exchange(int index1, int index2) override;
    int IndexOf(const std::string& s) const override;

    // Binary search of a sorted list: true and the index of the first match, or
    // false and the index where s would go.
    bool Find(const std::string& s, int& index) const;
    void Sort();
    void CustomSort(const TStringListSortCompare& compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates value) { FDuplicates = value; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void SetUpdateState(bool updating) override;
    virtual void Changed();
    virtual void Changing();

private:
    struct Item {
        std::string text;
        TObject* object = nullptr;
    };
    void CheckIndex(int index) const;
    void InsertItem(int index, const std::string& s);

    std::vector<Item> FItems;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
};
