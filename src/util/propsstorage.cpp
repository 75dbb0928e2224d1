#include "util/propsstorage.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cmath>

#include "framework/collection.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "framework/win.h"

namespace {

constexpr char kNullReference[] = "(null)";
constexpr char kCount[] = "Count";

// The locale's decimal separator (a single character; '.' when it has none).
char LocaleDecimalSeparator() {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) <= 0 || !buffer[0]) return '.';
    const std::string text = WideToAnsi(std::wstring(1, buffer[0]));
    return text.empty() ? '.' : text[0];
}

// Decimal, with an optional sign; false for anything else (overflow included).
bool ParseInt64(std::string_view text, int64_t& value) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string SetText(const TPropInfo* prop, int64_t bits) {
    std::string text = "[";
    bool first = true;
    for (size_t i = 0; i < prop->Members.size() && i < 64; ++i)
        if (bits & (int64_t{1} << i)) {
            if (!first) text += ',';
            text += prop->Members[i];
            first = false;
        }
    return text + "]";
}

int64_t ParseSet(const TPropInfo* prop, std::string_view text) {
    if (!text.empty() && text.front() == '[') text.remove_prefix(1);
    if (!text.empty() && text.back() == ']') text.remove_suffix(1);
    int64_t bits = 0;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string word = Trim(text.substr(0, comma));
        for (size_t i = 0; i < prop->Members.size() && i < 64; ++i)
            if (CompareText(prop->Members[i], word) == 0) bits |= int64_t{1} << i;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return bits;
}

std::string CharText(const TPropInfo* prop, int64_t code) {
    if (prop->Kind == tkWChar) return WideToAnsi(std::wstring(1, static_cast<wchar_t>(code)));
    return std::string(1, static_cast<char>(code));
}

int64_t ParseChar(const TPropInfo* prop, const std::string& text) {
    if (prop->Kind == tkWChar) return AnsiToWide(text.substr(0, 1))[0];
    return static_cast<unsigned char>(text[0]);
}

// A component's name as a reference from `owner`'s components.
std::string ReferenceText(TComponent* owner, TObject* object) {
    auto* component = dynamic_cast<TComponent*>(object);
    if (!component) return kNullReference;
    TComponent* its = component->Owner();
    if (!its || its == owner) return component->Name();
    std::string ownerName = its->Name();
    if (ownerName.empty()) {
        ownerName = its->ClassName();
        if (!ownerName.empty() && ownerName[0] == 'T') ownerName.erase(0, 1);
    }
    return Format("%s.%s", ownerName.c_str(), component->Name().c_str());
}

// The form of that name, or (for forms without a name) of that class name
// without its leading "T"; the framework has no data modules.
TComponent* FindOwnerForm(const std::string& name) {
    if (!Screen) return nullptr;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (AnsiCompareText(Screen->Forms(i)->Name(), name) == 0) return Screen->Forms(i);
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        std::string className = form->ClassName();
        if (!className.empty() && className[0] == 'T') className.erase(0, 1);
        if (form->Name().empty() && AnsiCompareText(className, name) == 0) return form;
    }
    return nullptr;
}

int CheckedCount(const std::string& text) {
    const int count = StrToInt(text);
    if (count < 0 || count > kMaxStoredCount)
        throw EReadError(Format("Stored count %d is out of range", count));
    return count;
}

}  // namespace

// --- Float text -------------------------------------------------------------------

std::string StoredFloatText(double value, TFloatType type) {
    switch (type) {
    case ftSingle: return Format("%.7g", static_cast<double>(static_cast<float>(value)));
    case ftDouble: return Format("%.15g", value);
    case ftExtended:
    case ftComp: return Format("%.18g", value);
    case ftCurr: return Format("%.19g", value);
    }
    return Format("%.15g", value);
}

bool ParseStoredFloat(std::string_view text, double& value) {
    std::string s = Trim(text);
    const char separator = LocaleDecimalSeparator();
    if (separator != '.') std::replace(s.begin(), s.end(), separator, '.');
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(value);
}

// --- TPropInfoList ------------------------------------------------------------------

TPropInfoList::TPropInfoList(TObject* object, TTypeKinds filter) {
    for (const TPropInfo* prop : GetPropList(ClassInfoOfObject(object)))
        if (filter & TypeKindBit(prop->Kind)) FList.push_back(prop);
}

bool TPropInfoList::Contains(const TPropInfo* prop) const {
    return prop && std::any_of(FList.begin(), FList.end(), [&](const TPropInfo* p) {
               return p->Kind == prop->Kind && CompareText(p->Name, prop->Name) == 0;
           });
}

const TPropInfo* TPropInfoList::Find(std::string_view name) const {
    for (const TPropInfo* p : FList)
        if (CompareText(p->Name, name) == 0) return p;
    return nullptr;
}

void TPropInfoList::Delete(int index) {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
    FList.erase(FList.begin() + index);
}

void TPropInfoList::Intersect(const TPropInfoList& list) {
    std::erase_if(FList, [&](const TPropInfo* p) { return !list.Contains(p); });
}

// --- TPropsStorage ------------------------------------------------------------------

std::string TPropsStorage::ReadString(const std::string& section, const std::string& ident,
                                      const std::string& defaultValue) {
    return OnReadString ? OnReadString(section, ident, defaultValue) : defaultValue;
}

void TPropsStorage::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    if (OnWriteString) OnWriteString(section, ident, value);
}

void TPropsStorage::EraseSection(const std::string& section) {
    if (OnEraseSection) OnEraseSection(section);
}

std::unique_ptr<TPropsStorage> TPropsStorage::CreateStorage() const { return std::make_unique<TPropsStorage>(); }

std::unique_ptr<TPropsStorage> TPropsStorage::SubStorage(TObject* object, const std::string& prefix,
                                                         const std::string& section) const {
    std::unique_ptr<TPropsStorage> storage = CreateStorage();
    storage->AObject = object;
    storage->Owner = Owner;
    storage->Prefix = prefix;
    storage->Section = section;
    storage->OnReadString = OnReadString;
    storage->OnWriteString = OnWriteString;
    storage->OnEraseSection = OnEraseSection;
    storage->FPath = FPath;
    return storage;
}

namespace {

// Puts the object on the path for the scope; false when it is on it already.
class PathEntry {
public:
    PathEntry(std::vector<TObject*>& path, TObject* object) : FPath(path) {
        FEntered = std::find(path.begin(), path.end(), object) == path.end();
        if (FEntered) path.push_back(object);
    }
    ~PathEntry() {
        if (FEntered) FPath.pop_back();
    }
    PathEntry(const PathEntry&) = delete;
    PathEntry& operator=(const PathEntry&) = delete;
    bool Entered() const { return FEntered; }

private:
    std::vector<TObject*>& FPath;
    bool FEntered;
};

std::vector<const TPropInfo*> Selected(TObject* object, TStrings* names) {
    TPropInfoList list(object, tkProperties);
    std::vector<const TPropInfo*> props;
    if (!names) {
        for (int i = 0; i < list.Count(); ++i) props.push_back(list.Items(i));
        return props;
    }
    for (int i = 0; i < names->Count(); ++i)
        if (const TPropInfo* p = list.Find(Trim(names->Get(i)))) props.push_back(p);
    return props;
}

}  // namespace

void TPropsStorage::StoreProperties(TStrings* names) {
    if (!AObject) return;
    PathEntry entry(*FPath, AObject);
    if (!entry.Entered()) return;
    for (const TPropInfo* prop : Selected(AObject, names)) StoreProperty(prop);
}

void TPropsStorage::LoadProperties(TStrings* names) {
    if (!AObject) return;
    PathEntry entry(*FPath, AObject);
    if (!entry.Entered()) return;
    for (const TPropInfo* prop : Selected(AObject, names)) {
        try {
            LoadProperty(prop);
        } catch (...) {
            // A property that cannot be restored keeps its value; the others still load.
        }
    }
}

std::string TPropsStorage::ValueText(const TPropInfo* prop) {
    TObject* o = AObject;
    switch (prop->Kind) {
    case tkInteger:
    case tkInt64: return prop->GetOrd ? IntToStr(prop->GetOrd(o)) : std::string();
    case tkChar:
    case tkWChar: return prop->GetOrd ? CharText(prop, prop->GetOrd(o)) : std::string();
    case tkEnumeration: {
        if (!prop->GetOrd) return {};
        const int64_t index = prop->GetOrd(o);
        return index >= 0 && index < static_cast<int64_t>(prop->Members.size()) ? prop->Members[index]
                                                                                 : std::string();
    }
    case tkFloat: return prop->GetFloat ? StoredFloatText(prop->GetFloat(o), prop->FloatType) : std::string();
    case tkString: return prop->GetStr ? prop->GetStr(o) : std::string();
    case tkSet: return prop->GetOrd ? SetText(prop, prop->GetOrd(o)) : std::string();
    case tkVariant: return prop->GetVariant ? VarToStr(prop->GetVariant(o)) : std::string();
    case tkClass:
        if (prop->IsReference()) return ReferenceText(Owner, prop->GetObject ? prop->GetObject(o) : nullptr);
        return {};
    default: return {};
    }
}

void TPropsStorage::StoreProperty(const TPropInfo* prop) {
    if (!prop || !AObject) return;
    PathEntry entry(*FPath, AObject);
    if (prop->Kind == tkClass && !prop->IsReference()) {
        TObject* object = prop->GetObject ? prop->GetObject(AObject) : nullptr;
        if (!object) return;
        if (auto* list = dynamic_cast<TStrings*>(object))
            StoreStrings(prop, list);
        else if (auto* collection = dynamic_cast<TCollection*>(object))
            StoreCollection(prop, collection);
        else
            StoreNested(prop, object);
        return;
    }
    if (prop->Kind == tkUnknown || prop->Kind == tkMethod) return;
    WriteString(Section, GetItemName(prop->Name), Trim(ValueText(prop)));
}

void TPropsStorage::LoadProperty(const TPropInfo* prop) {
    if (!prop || !AObject) return;
    PathEntry entry(*FPath, AObject);
    TObject* o = AObject;
    if (prop->Kind == tkClass && !prop->IsReference()) {
        TObject* object = prop->GetObject ? prop->GetObject(o) : nullptr;
        if (!object) return;
        if (auto* list = dynamic_cast<TStrings*>(object))
            LoadStrings(prop, list);
        else if (auto* collection = dynamic_cast<TCollection*>(object))
            LoadCollection(prop, collection);
        else
            LoadNested(prop, object);
        return;
    }
    if (prop->Kind == tkUnknown || prop->Kind == tkMethod) return;
    const std::string text = Trim(ReadString(Section, GetItemName(prop->Name), ValueText(prop)));
    switch (prop->Kind) {
    case tkInteger:
    case tkInt64: {
        int64_t value = 0;
        if (!ParseInt64(text, value)) value = 0;
        // A 32-bit property never takes a value it would wrap.
        if (prop->Kind == tkInteger && (value < INT32_MIN || value > INT32_MAX)) value = 0;
        if (prop->SetOrd) prop->SetOrd(o, value);
        break;
    }
    case tkChar:
    case tkWChar:
        if (!text.empty() && prop->SetOrd) prop->SetOrd(o, ParseChar(prop, text));
        break;
    case tkEnumeration:
        for (size_t i = 0; i < prop->Members.size(); ++i)
            if (CompareText(prop->Members[i], text) == 0) {
                if (prop->SetOrd) prop->SetOrd(o, static_cast<int64_t>(i));
                break;
            }
        break;
    case tkFloat: {
        double value = 0;
        if (!ParseStoredFloat(text, value)) throw EConvertError(Format("'%s' is not a valid floating point value", text.c_str()));
        if (prop->SetFloat) prop->SetFloat(o, value);
        break;
    }
    case tkString:
        if (prop->SetStr) prop->SetStr(o, text);
        break;
    case tkSet:
        if (prop->SetOrd) prop->SetOrd(o, ParseSet(prop, text));
        break;
    case tkVariant:
        if (prop->SetVariant) prop->SetVariant(o, TVariant(text));
        break;
    case tkClass: {
        if (!prop->SetObject) break;
        if (text == kNullReference) {
            prop->SetObject(o, nullptr);
            break;
        }
        TComponent* found = nullptr;
        if (const size_t dot = text.find('.'); dot != std::string::npos) {
            if (TComponent* form = FindOwnerForm(text.substr(0, dot))) found = form->FindComponent(text.substr(dot + 1));
        } else if (Owner && !text.empty()) {
            found = Owner->FindComponent(text);
        }
        if (found) prop->SetObject(o, found);
        break;
    }
    default: break;
    }
}

void TPropsStorage::StoreStrings(const TPropInfo* prop, TStrings* list) {
    const std::string section = Format("%s.%s", Section.c_str(), GetItemName(prop->Name).c_str());
    EraseSection(section);
    if (list->Count() == 0) return;
    WriteString(section, kCount, IntToStr(list->Count()));
    for (int i = 0; i < list->Count(); ++i) WriteString(section, Format("Item%d", i), Trim(list->Get(i)));
}

void TPropsStorage::LoadStrings(const TPropInfo* prop, TStrings* list) {
    const std::string section = Format("%s.%s", Section.c_str(), GetItemName(prop->Name).c_str());
    const int count = CheckedCount(Trim(ReadString(section, kCount, "0")));
    // A list saved empty wrote no count: what the list holds now stays.
    if (count == 0) return;
    std::vector<std::string> items;
    for (int i = 0; i < count; ++i) items.push_back(Trim(ReadString(section, Format("Item%d", i), {})));
    list->BeginUpdate();
    try {
        list->Clear();
        for (const std::string& item : items) list->Add(item);
    } catch (...) {
        list->EndUpdate();
        throw;
    }
    list->EndUpdate();
}

void TPropsStorage::StoreCollection(const TPropInfo* prop, TCollection* collection) {
    const std::string name = GetItemName(prop->Name);
    const std::string section = Format("%s.%s", Section.c_str(), name.c_str());
    EraseSection(section);
    WriteString(Section, Format("%s.%s", name.c_str(), kCount), IntToStr(collection->Count()));
    for (int i = 0; i < collection->Count(); ++i)
        SubStorage(collection->Items(i), Format("Item%d_", i), section)->StoreProperties();
}

void TPropsStorage::LoadCollection(const TPropInfo* prop, TCollection* collection) {
    const std::string name = GetItemName(prop->Name);
    const std::string section = Format("%s.%s", Section.c_str(), name.c_str());
    const int count =
        CheckedCount(Trim(ReadString(Section, Format("%s.%s", name.c_str(), kCount), IntToStr(collection->Count()))));
    collection->BeginUpdate();
    try {
        if (count != collection->Count()) {
            collection->Clear();
            for (int i = 0; i < count; ++i) collection->Add();
        }
        for (int i = 0; i < collection->Count(); ++i)
            SubStorage(collection->Items(i), Format("Item%d_", i), section)->LoadProperties();
    } catch (...) {
        collection->EndUpdate();
        throw;
    }
    collection->EndUpdate();
}

void TPropsStorage::StoreNested(const TPropInfo* prop, TObject* object) {
    SubStorage(object, GetItemName(prop->Name), Section)->StoreProperties();
}

void TPropsStorage::LoadNested(const TPropInfo* prop, TObject* object) {
    SubStorage(object, GetItemName(prop->Name), Section)->LoadProperties();
}
