// The small types the reader, the document and the viewer pass around: the
// owning list, a tag's attributes, link targets, the ID/NAME index and the two
// text accumulators of the reader. Free of window headers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/classes.h"
#include "html/style_parser.h"
#include "html/symbols.h"

// A list that owns its items: Clear and the destructor free them in order.
// Most lists of a document hold one item (a box's section, a section's font
// run) and there is a list for every paragraph, so one item is kept in the
// list itself; a second moves the items to an array of the list's own.
class TFreeList : public TObject {
public:
    TFreeList() : FOne(nullptr) {}
    ~TFreeList() override;

    int Count() const { return FCount; }
    TObject* Items(int index) const {
        if (static_cast<unsigned>(index) >= static_cast<unsigned>(FCount)) ThrowOutOfRange(index);
        return Data()[index];
    }
    TObject* LastItem() const { return FCount ? Data()[FCount - 1] : nullptr; }
    int Add(TObject* item);
    void Insert(int index, TObject* item);
    // Frees the item and takes it out of the list.
    void Delete(int index);
    // Takes the item out without freeing it; the caller owns it.
    TObject* Extract(int index);
    virtual void Clear();

private:
    bool Spilled() const { return FCapacity > 1; }
    TObject* const* Data() const { return Spilled() ? FArray : &FOne; }
    TObject** Data() { return Spilled() ? FArray : &FOne; }
    // Room for at least `needed` items.
    void Reserve(int needed);
    [[noreturn]] static void ThrowOutOfRange(int index);

    union {
        TObject* FOne;     // while the list has room for one
        TObject** FArray;  // owned, FCapacity items
    };
    int FCount = 0;
    int FCapacity = 1;
};
// The item kept in place must not make the list itself bigger: a box and a
// text section each hold one.
static_assert(sizeof(TFreeList) <= 24);

class TAttribute : public TObject {
public:
    TAttribute(Symb sym, int number, std::string attrName, std::string text)
        : Sym(sym), Number(number), AttrName(std::move(attrName)), Text(std::move(text)) {}

    Symb Sym;
    int Number;            // 1 for BORDER and 0 for others when no number was read
    std::string AttrName;  // upper case, as the scanner collected it
    std::string Text;      // entities already replaced
};

// The attributes of one tag, in source order.
class TAttributeList : public TFreeList {
public:
    ~TAttributeList() override;

    TAttribute* Attribute(int index) const { return static_cast<TAttribute*>(Items(index)); }
    // The first attribute with `sym`; `attribute` is untouched when there is none.
    bool Find(Symb sym, TAttribute*& attribute) const;
    void Clear() override;
    // "NAME=value" per attribute, in order.
    std::vector<std::string> CreateStringList() const;
    std::string GetClass() const;
    std::string GetID();
    std::string GetTitle() const;

    // With a STYLE attribute: frees the earlier properties, parses the attribute
    // into a new TProps (a TObject and a TPropertySink) and returns it, still owned
    // by the list. Without one: null, and the earlier properties stay.
    template <class TProps>
    TProps* GetStyle() {
        TAttribute* style;
        if (!Find(StyleSy, style)) return nullptr;
        TObject::Free(StyleProps);
        StyleProps = nullptr;
        auto* props = new TProps;
        StyleProps = props;
        ParsePropertyStr(style->Text, *props);
        return props;
    }

    // The properties parsed by the last GetStyle, owned by the list. The property
    // set type belongs to the style unit, so it is held here only as an object.
    TObject* StyleProps = nullptr;

private:
    std::string IDCache;
};

class TUrlTarget : public TObject {
public:
    // Sets both strings and gives the link the next number of the process-wide
    // link counter (10 for the first link after start).
    void Assign(const std::string& url, const std::string& target);
    void Copy(const TUrlTarget& other);
    void Clear();

    std::string Url;
    std::string Target;
    int ID = 0;
    int TabIndex = 0;
};

// Anything an ID or NAME can point at.
class TIDObject : public TObject {
public:
    virtual int GetYPosition() = 0;
};

// What an anchor that is only a source position asks of its document. The
// document implements it; an anchor whose document does not answers 0.
class TSourcePositionLocator {
public:
    virtual bool SourcePosToY(int sourcePos, int& y) = 0;

protected:
    ~TSourcePositionLocator() = default;
};

class TChPosObj : public TIDObject {
public:
    TChPosObj(TFreeList* document, int sourcePos) : SourcePos(sourcePos), Document(document) {}
    int GetYPosition() override;

    int SourcePos;
    TFreeList* Document;
};

// The ID/NAME index of one document. Names compare without regard to (ASCII)
// case and are found by hash, so a document with many IDs is indexed in linear
// time. The list owns its TChPosObj entries only; every other object belongs to
// the document.
class TIDNameList : public TObject {
public:
    explicit TIDNameList(TFreeList* document) : FDocument(document) {}
    ~TIDNameList() override;

    // A later entry of the same name replaces the earlier one.
    int AddObject(const std::string& name, TIDObject* object);
    int AddChPosObject(const std::string& name, int sourcePos);
    bool Find(const std::string& name, int& index) const;
    TIDObject* FindObject(const std::string& name) const;
    void Clear();

    int Count() const { return static_cast<int>(FEntries.size()); }
    const std::string& Strings(int index) const { return FEntries.at(static_cast<size_t>(index)).Name; }
    TIDObject* Objects(int index) const { return FEntries.at(static_cast<size_t>(index)).Object; }
    TFreeList* Document() const { return FDocument; }

private:
    struct Entry {
        std::string Name;
        TIDObject* Object;
    };
    static void FreeIfOwned(TIDObject* object);

    TFreeList* FDocument;
    std::vector<Entry> FEntries;
    std::unordered_map<std::string, size_t> FIndex;  // key: upper-cased name
};

// 8-bit characters of the source with the source position of each.
class TCharCollection : public TObject {
public:
    TCharCollection();

    void Add(char c, int sourcePos);
    void Clear();
    void Concat(const TCharCollection& other);
    std::string GetAsString() const { return std::string(FChars.data(), FChars.size()); }
    int GetSize() const { return static_cast<int>(FChars.size()); }
    const char* Chars() const { return FChars.data(); }
    const int* Positions() const { return FPositions.data(); }

private:
    std::vector<char> FChars;
    std::vector<int> FPositions;
};

// The wide text of one section, one source position per UTF-16 unit.
class TokenObj : public TObject {
public:
    TokenObj();

    void AddUnicodeChar(wchar_t c, int sourcePos);
    // Converts the collection with the code page; each unit gets the position of
    // the byte at which its character starts.
    void AddString(const TCharCollection& chars, int codePage);
    void Concat(const TokenObj& other);
    void Clear();
    // Positions count from 1; out of range or below 1 does nothing.
    void Remove(int n);
    void Replace(int n, wchar_t c);
    const std::wstring& GetString();

    int Count() const { return static_cast<int>(FChars.size()); }
    const wchar_t* Chars() const { return FChars.data(); }
    const int* Positions() const { return FPositions.data(); }

private:
    std::vector<wchar_t> FChars;
    std::vector<int> FPositions;
    std::wstring FCache;
    bool FCacheValid = true;
};

// Wide-string helpers. Case mapping covers ASCII, Latin-1 and Cyrillic by table,
// so the native build and the target give the same result.
int StrLenW(const wchar_t* s);
const wchar_t* StrPosW(const wchar_t* s, const wchar_t* sought);
const wchar_t* StrScanW(const wchar_t* s, wchar_t c);
const wchar_t* StrRScanW(const wchar_t* s, wchar_t c);
int WidePos(std::wstring_view sought, std::wstring_view s);  // 1-based, 0 when absent
wchar_t WideUpperChar(wchar_t c);
wchar_t WideLowerChar(wchar_t c);
std::wstring WideUpperCase1(std::wstring_view s);
std::wstring WideLowerCase1(std::wstring_view s);
bool WideSameText1(std::wstring_view a, std::wstring_view b);
bool WideSameStr1(std::wstring_view a, std::wstring_view b);
std::wstring WideTrim(std::wstring_view s);
inline int IntMin(int a, int b) { return a < b ? a : b; }
inline int IntMax(int a, int b) { return a > b ? a : b; }
// `set` lists the 8-bit characters of the set; units from 256 up are never in it.
bool InSet(wchar_t c, std::string_view set);

// Set once at start-up: the 8-bit Windows family (never on the platforms this
// program runs on, so false unless start-up finds otherwise) and its older
// members.
extern bool IsWin32Platform;
extern bool IsWin95;
