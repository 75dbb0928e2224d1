#include "framework/variant.h"

#include <charconv>

#include "framework/datetime.h"
#include "framework/sysutils.h"

namespace {
constexpr char kInvalidConversion[] = "Invalid variant type conversion";
}

std::string VarToStr(const TVariant& v) {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(TVarNull) const { return {}; }
        std::string operator()(int64_t i) const { return IntToStr(i); }
        std::string operator()(double d) const { return Format("%.15g", d); }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(TVarDate d) const { return DateToStr(d.Value); }
        std::string operator()(const TVarArray&) const { throw EConvertError(kInvalidConversion); }
    };
    return std::visit(Visitor{}, v);
}

namespace {

// Numbers in text as VarToStr writes them: "." before the fraction.
double TextToNumber(const std::string& text) {
    const std::string s = Trim(text);
    double value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        throw EConvertError(Format("'%s' is not a valid floating point value", text.c_str()));
    return value;
}

double VarToNumber(const TVariant& v) {
    struct Visitor {
        double operator()(std::monostate) const { return 0; }
        double operator()(TVarNull) const { return 0; }
        double operator()(int64_t i) const { return static_cast<double>(i); }
        double operator()(double d) const { return d; }
        double operator()(bool b) const { return b ? -1 : 0; }
        double operator()(const std::string& s) const { return TextToNumber(s); }
        double operator()(TVarDate d) const { return d.Value; }
        double operator()(const TVarArray&) const { throw EConvertError(kInvalidConversion); }
    };
    return std::visit(Visitor{}, v);
}

}  // namespace

int VarCompare(const TVariant& a, const TVariant& b) {
    if (VarIsArray(a) || VarIsArray(b)) throw EConvertError(kInvalidConversion);
    const bool aNone = VarIsEmpty(a) || VarIsNull(a), bNone = VarIsEmpty(b) || VarIsNull(b);
    if (aNone || bNone) return aNone == bNone ? 0 : (aNone ? -1 : 1);
    if (const auto* sa = std::get_if<std::string>(&a))
        if (const auto* sb = std::get_if<std::string>(&b)) {
            const int c = AnsiCompareStr(*sa, *sb);
            return (c > 0) - (c < 0);
        }
    const double x = VarToNumber(a), y = VarToNumber(b);
    return (x > y) - (x < y);
}
