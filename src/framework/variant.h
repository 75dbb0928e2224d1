// A value of one of a few kinds, unassigned at first: what a published variant
// property and a stored value hold.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

struct TVarNull {
    bool operator==(const TVarNull&) const = default;
};
// A date-time value (days plus the fraction of the day) kept apart from doubles.
struct TVarDate {
    double Value = 0;
    bool operator==(const TVarDate&) const = default;
};

struct TVarArray;

using TVariant = std::variant<std::monostate, TVarNull, int64_t, double, bool, std::string, TVarDate, TVarArray>;

// A variant array: several values held as one.
struct TVarArray {
    std::vector<TVariant> Items;
    bool operator==(const TVarArray&) const = default;
};

inline bool VarIsEmpty(const TVariant& v) { return std::holds_alternative<std::monostate>(v); }
inline bool VarIsNull(const TVariant& v) { return std::holds_alternative<TVarNull>(v); }
inline bool VarIsArray(const TVariant& v) { return std::holds_alternative<TVarArray>(v); }
// Decimal integers, doubles with "." and 15 significant digits, "True"/"False",
// dates in the short date format; empty for unassigned and null. An array
// raises EConvertError "Invalid variant type conversion".
std::string VarToStr(const TVariant& v);
// -1, 0 or 1. Two strings compare by their text (ANSI order, case counts);
// otherwise both sides are taken as numbers (True is -1, a date its day
// number, a string must read as a number or EConvertError). Unassigned and
// null come before every other value; arrays raise EConvertError.
int VarCompare(const TVariant& a, const TVariant& b);
