#include "html/html_numbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

bool TextToNumber(std::string_view text, double& value) {
    size_t i = 0;
    const size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t mantissa = i;
    size_t digits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    if (i != n) return false;
    // Most numbers of a page are a few digits and nothing else: those are
    // exact as doubles and need no conversion routine.
    if (digits == n - mantissa && digits <= 15) {
        int64_t whole = 0;
        for (size_t k = mantissa; k < n; ++k) whole = whole * 10 + (text[k] - '0');
        value = text[0] == '-' ? -static_cast<double>(whole) : static_cast<double>(whole);
        return true;
    }
    // from_chars takes no '+' and no bare leading '.' issues: give it the sign apart.
    std::string body(text.substr(mantissa));
    double parsed = 0;
    const auto result = std::from_chars(body.data(), body.data() + body.size(), parsed);
    if (result.ec != std::errc() || result.ptr != body.data() + body.size() || !std::isfinite(parsed))
        return false;
    value = text[0] == '-' ? -parsed : parsed;
    return true;
}

int RoundToInt(double value, double limit) {
    if (std::isnan(value)) return 0;
    if (value > limit) value = limit;
    if (value < -limit) value = -limit;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    return static_cast<int>(whole);
}
