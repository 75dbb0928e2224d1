// Published properties turned into text and back, one object at a time, through
// reads and writes of section/ident/value that the caller routes to its storage
// (an ini file or the registry). Used by the form storage component.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/typinfo.h"

class TObject;
class TCollection;
class TComponent;
class TStrings;

using TTypeKinds = unsigned;
constexpr TTypeKinds TypeKindBit(TTypeKind kind) { return 1u << kind; }
// Every kind except unknown and method.
constexpr TTypeKinds tkProperties = ~(TypeKindBit(tkUnknown) | TypeKindBit(tkMethod));

// The published properties of an object restricted to a set of kinds.
class TPropInfoList {
public:
    TPropInfoList(TObject* object, TTypeKinds filter);

    int Count() const { return static_cast<int>(FList.size()); }
    const TPropInfo* Items(int index) const { return FList.at(index); }
    // Two properties are the same when their kinds and names (ignoring case) agree.
    bool Contains(const TPropInfo* prop) const;
    const TPropInfo* Find(std::string_view name) const;
    void Delete(int index);
    // Keeps only the properties that `list` contains too.
    void Intersect(const TPropInfoList& list);

private:
    std::vector<const TPropInfo*> FList;
};

// Counts outside 0..kMaxStoredCount fail the property's restore: a corrupt
// file must not hang a start or exhaust memory.
inline constexpr int kMaxStoredCount = 100000;

class TPropsStorage {
public:
    using ReadStringFunc = std::function<std::string(const std::string& section, const std::string& ident,
                                                     const std::string& defaultValue)>;
    using WriteStringFunc =
        std::function<void(const std::string& section, const std::string& ident, const std::string& value)>;
    using EraseSectionFunc = std::function<void(const std::string& section)>;

    TPropsStorage() = default;
    virtual ~TPropsStorage() = default;
    TPropsStorage(const TPropsStorage&) = delete;
    TPropsStorage& operator=(const TPropsStorage&) = delete;

    TObject* AObject = nullptr;
    // Component references are named relative to this component.
    TComponent* Owner = nullptr;
    std::string Prefix;
    std::string Section;
    // Without them reads return the default and writes go nowhere.
    ReadStringFunc OnReadString;
    WriteStringFunc OnWriteString;
    EraseSectionFunc OnEraseSection;

    // Every published property of a supported kind, or with a list only the
    // properties it names (ignoring case). Errors of single properties are
    // swallowed when loading.
    void StoreProperties(TStrings* names = nullptr);
    void LoadProperties(TStrings* names = nullptr);
    void StoreProperty(const TPropInfo* prop);
    void LoadProperty(const TPropInfo* prop);

    virtual std::string ReadString(const std::string& section, const std::string& ident,
                                   const std::string& defaultValue);
    virtual void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    virtual void EraseSection(const std::string& section);
    virtual std::string GetItemName(const std::string& name) const { return Prefix + name; }
    // A fresh engine of the same kind (sharing the routing and the path).
    virtual std::unique_ptr<TPropsStorage> CreateStorage() const;

private:
    std::string ValueText(const TPropInfo* prop);
    void StoreStrings(const TPropInfo* prop, TStrings* list);
    void LoadStrings(const TPropInfo* prop, TStrings* list);
    void StoreCollection(const TPropInfo* prop, TCollection* collection);
    void LoadCollection(const TPropInfo* prop, TCollection* collection);
    void StoreNested(const TPropInfo* prop, TObject* object);
    void LoadNested(const TPropInfo* prop, TObject* object);
    std::unique_ptr<TPropsStorage> SubStorage(TObject* object, const std::string& prefix,
                                              const std::string& section) const;
    // Objects being stored or loaded from the outermost call down.
    std::shared_ptr<std::vector<TObject*>> FPath = std::make_shared<std::vector<TObject*>>();
};

// Text conversions of the storage, exposed for reuse and tests.
// General format with 7, 15, 18 or 19 significant digits and "." as separator.
std::string StoredFloatText(double value, TFloatType type);
// Accepts "." and the locale's decimal separator; false when not a number.
bool ParseStoredFloat(std::string_view text, double& value);
