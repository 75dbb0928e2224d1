#include "framework/strings.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "framework/streams.h"

#ifdef _WIN32
TTextCompare StringListCompareText = AnsiCompareText;
#else
TTextCompare StringListCompareText = CompareText;
#endif

namespace {

const char kIndexError[] = "List index out of bounds (%d)";
const char kDuplicateError[] = "String list does not allow duplicates";
const char kSortedListError[] = "Operation not allowed on sorted string list";

class UpdateGuard {
public:
    explicit UpdateGuard(TStrings* strings) : strings_(strings) { strings_->BeginUpdate(); }
    ~UpdateGuard() { strings_->EndUpdate(); }
    UpdateGuard(const UpdateGuard&) = delete;
    UpdateGuard& operator=(const UpdateGuard&) = delete;

private:
    TStrings* strings_;
};

bool NeedsQuotes(const std::string& s) {
    if (s.empty()) return true;  // unquoted, an empty entry would vanish on reading back
    return std::any_of(s.begin(), s.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
    });
}

// NUL counts as a blank too, so every pass of the reader moves on.
bool IsCommaBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

// --- TStrings ---------------------------------------------------------------

void TStrings::Error(const char* format, int index) { throw EStringListError(Format(format, index)); }

void TStrings::Put(int index, const std::string& s) {
    TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const std::string& s) {
    const int index = Count();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const std::string& s, TObject* object) {
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TStrings::InsertObject(int index, const std::string& s, TObject* object) {
    Insert(index, s);
    PutObject(index, object);
}

void TStrings::AddStrings(TStrings* strings) {
    UpdateGuard guard(this);
    for (int i = 0; i < strings->Count(); ++i) AddObject(strings->Get(i), strings->GetObject(i));
}

void TStrings::Exchange(int index1, int index2) {
    UpdateGuard guard(this);
    const std::string s1 = Get(index1);
    TObject* o1 = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s1);
    PutObject(index2, o1);
}

int TStrings::IndexOf(const std::string& s) const {
    for (int i = 0; i < Count(); ++i)
        if (StringListCompareText(Get(i), s) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string s = Get(i);
        const size_t equals = s.find('=');
        if (equals != std::string::npos && StringListCompareText(std::string_view(s).substr(0, equals), name) == 0)
            return i;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject* object) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

std::string TStrings::Names(int index) const {
    const std::string s = Get(index);
    const size_t equals = s.find('=');
    return equals == std::string::npos ? std::string() : s.substr(0, equals);
}

std::string TStrings::Values(const std::string& name) const {
    const int index = IndexOfName(name);
    if (index < 0) return {};
    // The stored name may differ from `name` in case (and length, under collation).
    const std::string s = Get(index);
    return s.substr(s.find('=') + 1);
}

void TStrings::SetValues(const std::string& name, const std::string& value) {
    int index = IndexOfName(name);
    if (!value.empty()) {
        if (index < 0) index = Add(std::string());
        Put(index, name + "=" + value);
    } else if (index >= 0) {
        Delete(index);
    }
}

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(std::string_view text) {
    UpdateGuard guard(this);
    Clear();
    size_t p = 0;
    while (p < text.size()) {
        const size_t start = p;
        while (p < text.size() && text[p] != '\r' && text[p] != '\n') ++p;
        Add(std::string(text.substr(start, p - start)));
        if (p < text.size() && text[p] == '\r') ++p;
        if (p < text.size() && text[p] == '\n') ++p;
    }
}

std::string TStrings::CommaText() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0) text += ',';
        const std::string s = Get(i);
        if (!NeedsQuotes(s)) {
            text += s;
            continue;
        }
        text += '"';
        for (char c : s) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

void TStrings::SetCommaText(std::string_view text) {
    UpdateGuard guard(this);
    Clear();
    size_t p = 0;
    auto skipBlanks = [&] {
        while (p < text.size() && IsCommaBlank(text[p])) ++p;
    };
    skipBlanks();
    while (p < text.size()) {
        std::string item;
        if (text[p] == '"') {
            // A quoted item: "" stands for one quote; an unclosed quote runs to the end.
            ++p;
            while (p < text.size()) {
                if (text[p] == '"') {
                    if (p + 1 < text.size() && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const size_t start = p;
            while (p < text.size() && !IsCommaBlank(text[p]) && text[p] != ',') ++p;
            item.assign(text.substr(start, p - start));
        }
        Add(item);
        skipBlanks();
        if (p < text.size() && text[p] == ',') {
            ++p;
            skipBlanks();
        }
    }
}

void TStrings::LoadFromStream(TStream* stream) {
    const int64_t size = std::max<int64_t>(stream->Size() - stream->Position(), 0);
    std::string bytes(static_cast<size_t>(size), '\0');
    for (int64_t done = 0; done < size;) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(size - done, std::numeric_limits<int32_t>::max()));
        stream->ReadBuffer(bytes.data() + done, n);
        done += n;
    }
    SetText(bytes);
}

void TStrings::SaveToStream(TStream* stream) const {
    const std::string text = Text();
    stream->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

void TStrings::BeginUpdate() {
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate() {
    if (FUpdateCount == 0) return;
    --FUpdateCount;
    if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::Assign(TPersistent* Source) {
    if (auto* strings = dynamic_cast<TStrings*>(Source)) {
        if (strings == this) return;
        UpdateGuard guard(this);
        Clear();
        AddStrings(strings);
        return;
    }
    TPersistent::Assign(Source);
}

// --- TStringList ------------------------------------------------------------

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) Error(kIndexError, index);
}

std::string TStringList::Get(int index) const {
    CheckIndex(index);
    return FItems[static_cast<size_t>(index)].text;
}

void TStringList::Put(int index, const std::string& s) {
    if (FSorted) throw EStringListError(kSortedListError);
    CheckIndex(index);
    Changing();
    FItems[static_cast<size_t>(index)].text = s;
    Changed();
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index);
    return FItems[static_cast<size_t>(index)].object;
}

void TStringList::PutObject(int index, TObject* object) {
    CheckIndex(index);
    Changing();
    FItems[static_cast<size_t>(index)].object = object;
    Changed();
}

int TStringList::Add(const std::string& s) {
    int index = Count();
    if (FSorted && Find(s, index)) {
        switch (FDuplicates) {
            case dupIgnore: return index;
            case dupError: throw EStringListError(kDuplicateError);
            case dupAccept: break;
        }
    }
    InsertItem(index, s);
    return index;
}

void TStringList::Insert(int index, const std::string& s) {
    if (FSorted) throw EStringListError(kSortedListError);
    if (index < 0 || index > Count()) Error(kIndexError, index);
    InsertItem(index, s);
}

void TStringList::InsertItem(int index, const std::string& s) {
    Changing();
    FItems.insert(FItems.begin() + index, Item{s, nullptr});
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (FItems.empty()) return;
    Changing();
    FItems.clear();
    Changed();
}

void TStringList::Exchange(int index1, int index2) {
    // Swapping two entries would break the order Find relies on.
    if (FSorted) throw EStringListError(kSortedListError);
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(FItems[static_cast<size_t>(index1)], FItems[static_cast<size_t>(index2)]);
    Changed();
}

int TStringList::IndexOf(const std::string& s) const {
    if (!FSorted) return TStrings::IndexOf(s);
    int index;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(const std::string& s, int& index) const {
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const int c = StringListCompareText(FItems[static_cast<size_t>(middle)].text, s);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) found = true;
        }
    }
    index = low;
    return found;
}

void TStringList::Sort() {
    CustomSort([](TStringList* list, int a, int b) {
        return StringListCompareText(list->FItems[static_cast<size_t>(a)].text,
                                     list->FItems[static_cast<size_t>(b)].text);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (FSorted || FItems.size() < 2) return;
    Changing();
    // The comparer reads the list by index, so the items stay in place while an
    // order of indices is sorted; a stable merge sort also copes with a comparer
    // that is not a strict order.
    std::vector<int> order(FItems.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(FItems.size());
    for (int i : order) sorted.push_back(std::move(FItems[static_cast<size_t>(i)]));
    FItems = std::move(sorted);
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (FSorted == value) return;
    if (value) Sort();
    FSorted = value;
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}
