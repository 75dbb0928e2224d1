#include "html/html_types.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "framework/sysutils.h"
#include "html/code_pages.h"

// ---- TFreeList ----

TFreeList::~TFreeList() {
    for (int i = 0; i < FCount; ++i) TObject::Free(Data()[i]);
    if (Spilled()) delete[] FArray;
}

void TFreeList::ThrowOutOfRange(int index) {
    throw std::out_of_range(Format("List index out of bounds (%d)", index));
}

void TFreeList::Reserve(int needed) {
    if (needed <= FCapacity) return;
    // A list of two takes the heap's smallest block; one that outgrows it
    // goes on to eight, so that a longer one is moved no more often than
    // from room for four, and then doubles.
    const int capacity = std::max(needed, FCapacity < 2 ? 2 : FCapacity == 2 ? 8 : FCapacity * 2);
    auto* items = new TObject*[static_cast<size_t>(capacity)];
    std::copy_n(Data(), FCount, items);
    if (Spilled()) delete[] FArray;
    FArray = items;
    FCapacity = capacity;
}

int TFreeList::Add(TObject* item) {
    Reserve(FCount + 1);
    Data()[FCount] = item;
    return FCount++;
}

void TFreeList::Insert(int index, TObject* item) {
    if (index < 0 || index > Count()) throw EListError(Format("List index out of bounds (%d)", index));
    Reserve(FCount + 1);
    TObject** items = Data();
    std::copy_backward(items + index, items + FCount, items + FCount + 1);
    items[index] = item;
    ++FCount;
}

void TFreeList::Delete(int index) {
    TObject::Free(Extract(index));
}

TObject* TFreeList::Extract(int index) {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
    TObject** items = Data();
    TObject* item = items[index];
    std::copy(items + index + 1, items + FCount, items + index);
    --FCount;
    return item;
}

void TFreeList::Clear() {
    // The list is empty before the first item goes, so an item that looks at
    // its list while it is freed finds nothing.
    const bool spilled = Spilled();
    TObject* one = spilled ? nullptr : FOne;
    TObject** items = spilled ? FArray : &one;
    const int count = FCount;
    FOne = nullptr;
    FCount = 0;
    FCapacity = 1;
    for (int i = 0; i < count; ++i) TObject::Free(items[i]);
    if (spilled) delete[] items;
}

// ---- TAttributeList ----

TAttributeList::~TAttributeList() {
    TObject::Free(StyleProps);
}

bool TAttributeList::Find(Symb sym, TAttribute*& attribute) const {
    for (int i = 0; i < Count(); ++i) {
        if (Attribute(i)->Sym == sym) {
            attribute = Attribute(i);
            return true;
        }
    }
    return false;
}

void TAttributeList::Clear() {
    IDCache.clear();
    TFreeList::Clear();
}

std::vector<std::string> TAttributeList::CreateStringList() const {
    std::vector<std::string> lines;
    for (int i = 0; i < Count(); ++i) lines.push_back(Attribute(i)->AttrName + "=" + Attribute(i)->Text);
    return lines;
}

std::string TAttributeList::GetClass() const {
    TAttribute* a;
    return Find(ClassSy, a) ? LowerCase(a->Text) : std::string();
}

std::string TAttributeList::GetID() {
    if (!IDCache.empty()) return IDCache;
    TAttribute* a;
    if (Find(IDSy, a)) IDCache = LowerCase(a->Text);
    return IDCache;
}

std::string TAttributeList::GetTitle() const {
    TAttribute* a;
    return Find(TitleSy, a) ? a->Text : std::string();
}

// ---- TUrlTarget ----

namespace {
int gLinkCounter = 10;  // never reset while the program runs
}

void TUrlTarget::Assign(const std::string& url, const std::string& target) {
    Url = url;
    Target = target;
    ID = gLinkCounter++;
}

void TUrlTarget::Copy(const TUrlTarget& other) {
    Url = other.Url;
    Target = other.Target;
    ID = other.ID;
    TabIndex = other.TabIndex;
}

void TUrlTarget::Clear() {
    Url.clear();
    Target.clear();
    ID = 0;
    TabIndex = 0;
}

// ---- TChPosObj, TIDNameList ----

int TChPosObj::GetYPosition() {
    int y = 0;
    if (auto* locator = dynamic_cast<TSourcePositionLocator*>(Document))
        if (locator->SourcePosToY(SourcePos, y)) return y;
    return 0;
}

TIDNameList::~TIDNameList() {
    Clear();
}

void TIDNameList::FreeIfOwned(TIDObject* object) {
    if (dynamic_cast<TChPosObj*>(object) == nullptr) return;
    try {
        TObject::Free(object);
    } catch (...) {
        // A failing anchor must not stop the walk over the others.
    }
}

int TIDNameList::AddObject(const std::string& name, TIDObject* object) {
    const std::string key = UpperCase(name);
    auto found = FIndex.find(key);
    if (found != FIndex.end()) {
        Entry& entry = FEntries[found->second];
        FreeIfOwned(entry.Object);
        entry.Name = name;
        entry.Object = object;
        return static_cast<int>(found->second);
    }
    FEntries.push_back({name, object});
    FIndex.emplace(key, FEntries.size() - 1);
    return Count() - 1;
}

int TIDNameList::AddChPosObject(const std::string& name, int sourcePos) {
    return AddObject(name, new TChPosObj(FDocument, sourcePos));
}

bool TIDNameList::Find(const std::string& name, int& index) const {
    auto found = FIndex.find(UpperCase(name));
    if (found == FIndex.end()) return false;
    index = static_cast<int>(found->second);
    return true;
}

TIDObject* TIDNameList::FindObject(const std::string& name) const {
    int index;
    return Find(name, index) ? Objects(index) : nullptr;
}

void TIDNameList::Clear() {
    std::vector<Entry> entries;
    entries.swap(FEntries);
    FIndex.clear();
    for (Entry& entry : entries) FreeIfOwned(entry.Object);
}

// ---- TCharCollection, TokenObj ----
// Both grow geometrically (std::vector) and keep their capacity when cleared:
// a long run of text costs linear time.

TCharCollection::TCharCollection() {
    FChars.reserve(300);
    FPositions.reserve(300);
}

void TCharCollection::Add(char c, int sourcePos) {
    FChars.push_back(c);
    FPositions.push_back(sourcePos);
}

void TCharCollection::Clear() {
    FChars.clear();
    FPositions.clear();
}

void TCharCollection::Concat(const TCharCollection& other) {
    FChars.insert(FChars.end(), other.FChars.begin(), other.FChars.end());
    FPositions.insert(FPositions.end(), other.FPositions.begin(), other.FPositions.end());
}

TokenObj::TokenObj() {
    FChars.reserve(300);
    FPositions.reserve(300);
}

void TokenObj::AddUnicodeChar(wchar_t c, int sourcePos) {
    FChars.push_back(c);
    FPositions.push_back(sourcePos);
    FCacheValid = false;
}

void TokenObj::AddString(const TCharCollection& chars, int codePage) {
    const int n = chars.GetSize();
    if (n == 0) return;
    if (const char16_t* table = SingleByteTable(codePage)) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(chars.Chars());
        FChars.reserve(FChars.size() + static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) FChars.push_back(static_cast<wchar_t>(table[bytes[i]]));
        FPositions.insert(FPositions.end(), chars.Positions(), chars.Positions() + n);
        FCacheValid = false;
        return;
    }
    std::vector<int> starts;
    const std::wstring wide = MultibyteToWideWithStarts(codePage, std::string_view(chars.Chars(), static_cast<size_t>(n)), starts);
    const int* positions = chars.Positions();
    for (size_t i = 0; i < wide.size(); ++i) {
        FChars.push_back(wide[i]);
        FPositions.push_back(positions[starts[i]]);
    }
    FCacheValid = false;
}

void TokenObj::Concat(const TokenObj& other) {
    FChars.insert(FChars.end(), other.FChars.begin(), other.FChars.end());
    FPositions.insert(FPositions.end(), other.FPositions.begin(), other.FPositions.end());
    FCacheValid = false;
}

void TokenObj::Clear() {
    FChars.clear();
    FPositions.clear();
    FCache.clear();
    FCacheValid = true;
}

void TokenObj::Remove(int n) {
    if (n < 1 || n > Count()) return;
    FChars.erase(FChars.begin() + (n - 1));
    FPositions.erase(FPositions.begin() + (n - 1));
    if (FCacheValid) FCache.erase(static_cast<size_t>(n - 1), 1);
}

void TokenObj::Replace(int n, wchar_t c) {
    if (n < 1 || n > Count()) return;
    FChars[static_cast<size_t>(n - 1)] = c;
    if (FCacheValid) FCache[static_cast<size_t>(n - 1)] = c;
}

const std::wstring& TokenObj::GetString() {
    if (!FCacheValid) {
        FCache.assign(FChars.begin(), FChars.end());
        FCacheValid = true;
    }
    return FCache;
}

// ---- wide-string helpers ----

int StrLenW(const wchar_t* s) {
    int n = 0;
    while (s[n]) ++n;
    return n;
}

const wchar_t* StrPosW(const wchar_t* s, const wchar_t* sought) {
    if (!s || !sought || !*sought) return nullptr;
    const int n = StrLenW(sought);
    for (const wchar_t* p = s; *p; ++p) {
        int i = 0;
        while (i < n && p[i] == sought[i]) ++i;
        if (i == n) return p;
    }
    return nullptr;
}

const wchar_t* StrScanW(const wchar_t* s, wchar_t c) {
    for (; *s; ++s)
        if (*s == c) return s;
    return nullptr;
}

const wchar_t* StrRScanW(const wchar_t* s, wchar_t c) {
    const wchar_t* last = nullptr;
    for (; *s; ++s)
        if (*s == c) last = s;
    return last;
}

int WidePos(std::wstring_view sought, std::wstring_view s) {
    if (sought.empty()) return 0;
    const size_t at = s.find(sought);
    return at == std::wstring_view::npos ? 0 : static_cast<int>(at) + 1;
}

namespace {

// Ranges where capitals and small letters alternate code by code;
// `EvenUpper` when the capital has the even code.
struct TCasePairs {
    wchar_t First, Last;
    bool EvenUpper;
};
constexpr TCasePairs kCasePairs[] = {
    {0x100, 0x12F, true},  {0x132, 0x137, true},  {0x139, 0x148, false}, {0x14A, 0x177, true},
    {0x179, 0x17E, false}, {0x460, 0x481, true},  {0x48A, 0x4BF, true},  {0x4C1, 0x4CE, false},
    {0x4D0, 0x4FF, true},  {0x500, 0x52F, true},
};

// The partner of `c` in an alternating range, when `c` is of the case `upper`.
bool CasePartner(wchar_t c, bool upper, wchar_t& partner) {
    if (c < kCasePairs[0].First || c > std::end(kCasePairs)[-1].Last) return false;
    for (const TCasePairs& r : kCasePairs) {
        if (c < r.First || c > r.Last) continue;
        const bool isUpper = ((c & 1) == 0) == r.EvenUpper;
        if (isUpper != upper) return false;
        partner = static_cast<wchar_t>(upper ? c + 1 : c - 1);
        return partner >= r.First && partner <= r.Last;
    }
    return false;
}

}  // namespace

wchar_t WideUpperChar(wchar_t c) {
    wchar_t partner;
    if (c < 0x80) return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<wchar_t>(c - 32);
    if (c == 0xFF) return static_cast<wchar_t>(0x178);
    if (c >= 0x430 && c <= 0x44F) return static_cast<wchar_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 80);
    // Greek: the final sigma is a sigma; accented vowels keep their accent.
    if (c == 0x3C2) return static_cast<wchar_t>(0x3A3);
    if (c >= 0x3B1 && c <= 0x3CB) return static_cast<wchar_t>(c - 32);
    if (c == 0x3AC) return static_cast<wchar_t>(0x386);
    if (c >= 0x3AD && c <= 0x3AF) return static_cast<wchar_t>(c - 37);
    if (c == 0x3CC) return static_cast<wchar_t>(0x38C);
    if (c == 0x3CD || c == 0x3CE) return static_cast<wchar_t>(c - 63);
    // The palochka's small letter stands apart from its capital.
    if (c == 0x4CF) return static_cast<wchar_t>(0x4C0);
    if (CasePartner(c, false, partner)) return partner;
    return c;
}

wchar_t WideLowerChar(wchar_t c) {
    wchar_t partner;
    if (c < 0x80) return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<wchar_t>(c + 32);
    if (c == 0x178) return static_cast<wchar_t>(0xFF);
    if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 80);
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<wchar_t>(c + 32);
    if (c == 0x386) return static_cast<wchar_t>(0x3AC);
    if (c >= 0x388 && c <= 0x38A) return static_cast<wchar_t>(c + 37);
    if (c == 0x38C) return static_cast<wchar_t>(0x3CC);
    if (c == 0x38E || c == 0x38F) return static_cast<wchar_t>(c + 63);
    if (c == 0x4C0) return static_cast<wchar_t>(0x4CF);
    if (CasePartner(c, true, partner)) return partner;
    return c;
}

std::wstring WideUpperCase1(std::wstring_view s) {
    std::wstring out(s);
    for (wchar_t& c : out) c = WideUpperChar(c);
    return out;
}

std::wstring WideLowerCase1(std::wstring_view s) {
    std::wstring out(s);
    for (wchar_t& c : out) c = WideLowerChar(c);
    return out;
}

bool WideSameText1(std::wstring_view a, std::wstring_view b) {
    return WideUpperCase1(a) == WideUpperCase1(b);
}

bool WideSameStr1(std::wstring_view a, std::wstring_view b) {
    return a == b;
}

std::wstring WideTrim(std::wstring_view s) {
    size_t first = 0, last = s.size();
    while (first < last && static_cast<unsigned>(s[first]) < 33) ++first;
    while (last > first && static_cast<unsigned>(s[last - 1]) < 33) --last;
    return std::wstring(s.substr(first, last - first));
}

bool InSet(wchar_t c, std::string_view set) {
    if (static_cast<unsigned>(c) >= 256) return false;
    for (char m : set)
        if (static_cast<unsigned char>(m) == static_cast<unsigned>(c)) return true;
    return false;
}

bool IsWin32Platform = false;
bool IsWin95 = false;
