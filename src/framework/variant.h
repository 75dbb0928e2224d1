// A value of one of a few kinds, unassigned at first: what a published variant
// property and a stored value hold.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

struct TVarNull {
    bool operator==(const TVarNull&) const = default;
};
// A date-time value (days plus the fraction of the day) kept apart from doubles.
struct TVarDate {
    double Value = 0;
    bool operator==(const TVarDate&) const = default;
};

using TVariant = std::variant<std::monostate, TVarNull, int64_t, double, bool, std::string, TVarDate>;

inline bool VarIsEmpty(const TVariant& v) { return std::holds_alternative<std::monostate>(v); }
inline bool VarIsNull(const TVariant& v) { return std::holds_alternative<TVarNull>(v); }
// Decimal integers, doubles with "." and 15 significant digits, "True"/"False",
// dates in the short date format; empty for unassigned and null.
std::string VarToStr(const TVariant& v);
