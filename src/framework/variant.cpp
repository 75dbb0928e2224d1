#include "framework/variant.h"

#include "framework/datetime.h"
#include "framework/sysutils.h"

std::string VarToStr(const TVariant& v) {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(TVarNull) const { return {}; }
        std::string operator()(int64_t i) const { return IntToStr(i); }
        std::string operator()(double d) const { return Format("%.15g", d); }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(TVarDate d) const { return DateToStr(d.Value); }
    };
    return std::visit(Visitor{}, v);
}
