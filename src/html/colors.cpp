#include "html/colors.h"

#include <string>
#include <unordered_map>

#include "framework/sysutils.h"
#include "html/html_numbers.h"

namespace {

struct ColorName {
    const char* Name;
    int32_t Color;
};

// The colour names as stored: the HTML and X11 names, the platform's system
// colours ("hightlighttext" and "appworkSpace" stand as the engine always had
// them), and "transparent".
const ColorName kColorNames[] = {
    {"black", 0x00000000}, {"maroon", 0x00000080}, {"green", 0x00008000}, {"olive", 0x00008080},
    {"navy", 0x00800000}, {"purple", 0x00800080}, {"teal", 0x00808000}, {"gray", 0x00808080},
    {"silver", 0x00C0C0C0}, {"red", 0x000000FF}, {"lime", 0x0000FF00}, {"yellow", 0x0000FFFF},
    {"blue", 0x00FF0000}, {"fuchsia", 0x00FF00FF}, {"aqua", 0x00FFFF00}, {"white", 0x00FFFFFF},
    {"aliceblue", 0x00FFF8F0}, {"antiquewhite", 0x00D7EBFA}, {"aquamarine", 0x00D4FF7F}, {"azure", 0x00FFFFF0},
    {"beige", 0x00DCF5F5}, {"bisque", 0x00C4E4FF}, {"blanchedalmond", 0x00CDEBFF}, {"blueviolet", 0x00E22B8A},
    {"brown", 0x002A2AA5}, {"burlywood", 0x0087B8DE}, {"cadetblue", 0x00A09E5F}, {"chartreuse", 0x0000FF7F},
    {"chocolate", 0x001E69D2}, {"coral", 0x00507FFF}, {"cornflowerblue", 0x00ED9564}, {"cornsilk", 0x00DCF8FF},
    {"crimson", 0x003614DC}, {"cyan", 0x00FFFF00}, {"darkblue", 0x008B0000}, {"darkcyan", 0x008B8B00},
    {"darkgoldenrod", 0x000B86B8}, {"darkgray", 0x00A9A9A9}, {"darkgreen", 0x00006400}, {"darkkhaki", 0x006BB7BD},
    {"darkmagenta", 0x008B008B}, {"darkolivegreen", 0x002F6B55}, {"darkorange", 0x00008CFF}, {"darkorchid", 0x00CC3299},
    {"darkred", 0x0000008B}, {"darksalmon", 0x007A96E9}, {"darkseagreen", 0x008FBC8F}, {"darkslateblue", 0x008B3D48},
    {"darkslategray", 0x004F4F2F}, {"darkturquoise", 0x00D1CE00}, {"darkviolet", 0x00D30094}, {"deeppink", 0x009314FF},
    {"deepskyblue", 0x00FFBF00}, {"dimgray", 0x00696969}, {"dodgerblue", 0x00FF901E}, {"firebrick", 0x002222B2},
    {"floralwhite", 0x00F0FAFF}, {"forestgreen", 0x00228B22}, {"gainsboro", 0x00DCDCDC}, {"ghostwhite", 0x00FFF8F8},
    {"gold", 0x0000D7FF}, {"goldenrod", 0x0020A5DA}, {"greenyellow", 0x002FFFAD}, {"honeydew", 0x00F0FFF0},
    {"hotpink", 0x00B469FF}, {"indianred", 0x005C5CCD}, {"indigo", 0x0082004B}, {"ivory", 0x00F0FFFF},
    {"khaki", 0x008CE6F0}, {"lavender", 0x00FAE6E6}, {"lavenderblush", 0x00F5F0FF}, {"lawngreen", 0x0000FC7C},
    {"lemonchiffon", 0x00CDFAFF}, {"lightblue", 0x00E6D8AD}, {"lightcoral", 0x008080F0}, {"lightcyan", 0x00FFFFE0},
    {"lightgoldenrodyellow", 0x00D2FAFA}, {"lightgreen", 0x0090EE90}, {"lightgray", 0x00D3D3D3}, {"lightpink", 0x00C1B6FF},
    {"lightsalmon", 0x007AA0FF}, {"lightseagreen", 0x00AAB220}, {"lightskyblue", 0x00FACE87}, {"lightslategray", 0x00998877},
    {"lightsteelblue", 0x00DEC4B0}, {"lightyellow", 0x00E0FFFF}, {"limegreen", 0x0032CD32}, {"linen", 0x00E6F0FA},
    {"magenta", 0x00FF00FF}, {"mediumaquamarine", 0x00AACD66}, {"mediumblue", 0x00CD0000}, {"mediumorchid", 0x00D355BA},
    {"mediumpurple", 0x00DB7093}, {"mediumseagreen", 0x0071B33C}, {"mediumslateblue", 0x00EE687B}, {"mediumspringgreen", 0x009AFA00},
    {"mediumturquoise", 0x00CCD148}, {"mediumvioletred", 0x008515C7}, {"midnightblue", 0x00701919}, {"mintcream", 0x00FAFFF5},
    {"mistyrose", 0x00E1E4FF}, {"moccasin", 0x00B5E4FF}, {"navajowhite", 0x00ADDEFF}, {"oldlace", 0x00E6F5FD},
    {"olivedrab", 0x00238E6B}, {"orange", 0x0000A5FF}, {"orangered", 0x000045FF}, {"orchid", 0x00D670DA},
    {"palegoldenrod", 0x00AAE8EE}, {"palegreen", 0x0098FB98}, {"paleturquoise", 0x00EEEEAF}, {"palevioletred", 0x009370DB},
    {"papayawhip", 0x00D5EFFF}, {"peachpuff", 0x00B9DAFF}, {"peru", 0x003F85CD}, {"pink", 0x00CBC0FF},
    {"plum", 0x00DDA0DD}, {"powderblue", 0x00E6E0B0}, {"rosybrown", 0x008F8FBC}, {"royalblue", 0x00E16941},
    {"saddlebrown", 0x0013458B}, {"salmon", 0x007280FA}, {"sandybrown", 0x0060A4F4}, {"seagreen", 0x00578B2E},
    {"seashell", 0x00EEF5FF}, {"sienna", 0x002D52A0}, {"skyblue", 0x00EBCE87}, {"slateblue", 0x00CD5A6A},
    {"slategray", 0x00908070}, {"snow", 0x00FAFAFF}, {"springgreen", 0x007FFF00}, {"steelblue", 0x00B48246},
    {"tan", 0x008CB4D2}, {"thistle", 0x00D8BFD8}, {"tomato", 0x004763FF}, {"turquoise", 0x00D0E040},
    {"violet", 0x00EE82EE}, {"wheat", 0x00B3DEF5}, {"whitesmoke", 0x00F5F5F5}, {"yellowgreen", 0x0032CD9A},
    {"grey", 0x00808080}, {"darkgrey", 0x00A9A9A9}, {"darkslategrey", 0x004F4F2F}, {"dimgrey", 0x00696969},
    {"lightgrey", 0x00D3D3D3}, {"lightslategrey", 0x00998877}, {"slategrey", 0x00908070}, {"background", static_cast<int32_t>(0x80000000u + 1)},
    {"activecaption", static_cast<int32_t>(0x80000000u + 2)}, {"inactivecaption", static_cast<int32_t>(0x80000000u + 3)}, {"menu", static_cast<int32_t>(0x80000000u + 4)}, {"window", static_cast<int32_t>(0x80000000u + 5)},
    {"windowframe", static_cast<int32_t>(0x80000000u + 6)}, {"menutext", static_cast<int32_t>(0x80000000u + 7)}, {"windowtext", static_cast<int32_t>(0x80000000u + 8)}, {"captiontext", static_cast<int32_t>(0x80000000u + 9)},
    {"activeborder", static_cast<int32_t>(0x80000000u + 10)}, {"inactiveborder", static_cast<int32_t>(0x80000000u + 11)}, {"appworkSpace", static_cast<int32_t>(0x80000000u + 12)}, {"highlight", static_cast<int32_t>(0x80000000u + 13)},
    {"hightlighttext", static_cast<int32_t>(0x80000000u + 14)}, {"buttonface", static_cast<int32_t>(0x80000000u + 15)}, {"buttonshadow", static_cast<int32_t>(0x80000000u + 16)}, {"graytext", static_cast<int32_t>(0x80000000u + 17)},
    {"buttontext", static_cast<int32_t>(0x80000000u + 18)}, {"inactivecaptiontext", static_cast<int32_t>(0x80000000u + 19)}, {"buttonhighlight", static_cast<int32_t>(0x80000000u + 20)}, {"threeddarkshadow", static_cast<int32_t>(0x80000000u + 21)},
    {"threedlightshadow", static_cast<int32_t>(0x80000000u + 20)}, {"infotext", static_cast<int32_t>(0x80000000u + 23)}, {"infobackground", static_cast<int32_t>(0x80000000u + 24)}, {"scrollbar", static_cast<int32_t>(0x80000000u + 0)},
    {"threedface", static_cast<int32_t>(0x80000000u + 15)}, {"threedhighlight", static_cast<int32_t>(0x80000000u + 22)}, {"threedshadow", static_cast<int32_t>(0x80000000u + 16)}, {"transparent", 0x1FFFFFFF},
};
static_assert(sizeof(kColorNames) / sizeof(kColorNames[0]) == 176);

const std::unordered_map<std::string, int32_t>& ColorNameList() {
    static const std::unordered_map<std::string, int32_t> list = [] {
        std::unordered_map<std::string, int32_t> map;
        for (const ColorName& entry : kColorNames) map.emplace(LowerCase(entry.Name), entry.Color);
        return map;
    }();
    return list;
}

// One component of "rgb(...)": a percentage of 255 or an integer, within 0..255.
int RgbComponent(std::string_view part) {
    const std::string text = Trim(part);
    double value = 0;
    if (const size_t percent = text.find('%'); percent != std::string::npos) {
        if (!TextToNumber(Trim(std::string_view(text).substr(0, percent)), value)) value = 0;
        // Exact in binary for whole percentages: 50% is 127.5, which rounds to 128.
        value = value * 255.0 / 100.0;
    } else {
        size_t i = 0;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        if (i == text.size()) return 0;
        for (; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9') return 0;
            if (value < 1e6) value = value * 10 + (text[i] - '0');
        }
        if (negative) value = -value;
    }
    const int rounded = RoundToInt(value, 1e6);
    return rounded < 0 ? 0 : rounded > 255 ? 255 : rounded;
}

bool ParseColor(const std::string& s, bool needHash, int32_t& color) {
    if (!s.empty() && s[0] != '#' && s.find("rgb(") == std::string::npos) {
        const auto& names = ColorNameList();
        if (auto found = names.find(s); found != names.end()) {
            color = found->second;
            return true;
        }
    }
    if (const size_t rgb = s.find("rgb"); rgb != std::string::npos) {
        const size_t open = s.find('(', rgb + 3);
        const size_t close = open == std::string::npos ? open : s.find(')', open + 1);
        if (close == std::string::npos) return false;
        const std::string inside = Trim(std::string_view(s).substr(open + 1, close - open - 1));
        const size_t c1 = inside.find(',');
        const size_t c2 = c1 == std::string::npos ? c1 : inside.find(',', c1 + 1);
        const std::string_view all = inside;
        const std::string_view red = all.substr(0, c1);
        const std::string_view green = c1 == std::string::npos ? std::string_view() : all.substr(c1 + 1, c2 - c1 - 1);
        const std::string_view blue = c2 == std::string::npos ? std::string_view() : all.substr(c2 + 1);
        color = RgbComponent(red) | RgbComponent(green) << 8 | RgbComponent(blue) << 16 | PalRelative;
        return true;
    }
    const size_t hash = s.rfind('#');
    if (hash == std::string::npos && needHash) return false;
    std::string rest = Trim(hash == std::string::npos ? std::string_view(s) : std::string_view(s).substr(hash + 1));
    if (rest.empty()) return false;
    if (rest.size() <= 3) {
        std::string doubled;
        for (char c : rest) doubled.append(2, c);
        rest = doubled;
    }
    uint32_t value = 0;
    for (char c : rest) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else return false;
        value = ((value << 4) | static_cast<uint32_t>(digit)) & 0xFFFFFF;  // the low 24 bits count
    }
    const uint32_t bgr = ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
    color = static_cast<int32_t>(bgr) | PalRelative;
    return true;
}

}  // namespace

bool ColorFromString(std::string_view text, bool needHash, int32_t& color) {
    // The last successful text and its colour: style sheets repeat colours.
    static bool cached = false;
    static std::string lastText;
    static bool lastNeedHash = false;
    static int32_t lastColor = 0;
    const std::string s = LowerCase(Trim(text));
    if (cached && s == lastText && (lastNeedHash || !needHash)) {
        color = lastColor;
        return true;
    }
    int32_t result;
    if (!ParseColor(s, needHash, result)) return false;
    cached = true;
    lastText = s;
    lastNeedHash = needHash;
    lastColor = result;
    color = result;
    return true;
}
