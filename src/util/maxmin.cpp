#include "util/maxmin.h"

#include <algorithm>

namespace {

template <class T>
T Largest(std::span<const T> values) {
    return values.empty() ? T{} : *std::max_element(values.begin(), values.end());
}

template <class T>
T Smallest(std::span<const T> values) {
    return values.empty() ? T{} : *std::min_element(values.begin(), values.end());
}

}  // namespace

int MaxInteger(std::span<const int> values) { return Largest(values); }
int MinInteger(std::span<const int> values) { return Smallest(values); }
int64_t MaxInt64(std::span<const int64_t> values) { return Largest(values); }
int64_t MinInt64(std::span<const int64_t> values) { return Smallest(values); }
long double MaxFloat(std::span<const long double> values) { return Largest(values); }
long double MinFloat(std::span<const long double> values) { return Smallest(values); }
TDateTime MaxDateTime(std::span<const TDateTime> values) { return Largest(values); }
TDateTime MinDateTime(std::span<const TDateTime> values) { return Smallest(values); }

TVariant MakeVariant(std::span<const TVariant> values) {
    if (values.empty()) return TVarNull{};
    if (values.size() == 1) return values[0];
    return TVarArray{{values.begin(), values.end()}};
}

TVariant MaxOf(std::span<const TVariant> values) {
    if (values.empty()) return {};
    const TVariant* best = &values[0];
    for (const TVariant& v : values.subspan(1))
        if (VarCompare(v, *best) > 0) best = &v;
    return *best;
}

TVariant MinOf(std::span<const TVariant> values) {
    if (values.empty()) return {};
    const TVariant* best = &values[0];
    for (const TVariant& v : values.subspan(1))
        if (VarCompare(v, *best) < 0) best = &v;
    return *best;
}
