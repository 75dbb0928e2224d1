// Minimum, maximum and swap routines. The array forms give 0 for an empty array.
#pragma once

#include <cstdint>
#include <span>
#include <utility>

#include "framework/datetime.h"
#include "framework/variant.h"

inline void SwapInt(int& a, int& b) { std::swap(a, b); }
inline void SwapInt64(int64_t& a, int64_t& b) { std::swap(a, b); }
inline void SwapLong(long& a, long& b) { std::swap(a, b); }

inline int Max(int a, int b) { return a > b ? a : b; }
inline int Min(int a, int b) { return a < b ? a : b; }

int MaxInteger(std::span<const int> values);
int MinInteger(std::span<const int> values);
int64_t MaxInt64(std::span<const int64_t> values);
int64_t MinInt64(std::span<const int64_t> values);
long double MaxFloat(std::span<const long double> values);
long double MinFloat(std::span<const long double> values);
TDateTime MaxDateTime(std::span<const TDateTime> values);
TDateTime MinDateTime(std::span<const TDateTime> values);

// One value as it is, several as a variant array, none as null.
TVariant MakeVariant(std::span<const TVariant> values);
// The largest / smallest by VarCompare (the first of equals); unassigned for
// an empty array.
TVariant MaxOf(std::span<const TVariant> values);
TVariant MinOf(std::span<const TVariant> values);
