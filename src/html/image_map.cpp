#include "html/image_map.h"

#include <algorithm>

#include "framework/sysutils.h"
#include "html/html_types.h"

namespace {

// Far beyond any image; products of doubled coordinates stay well inside 64 bits.
constexpr int64_t kCoordLimit = 100000000;

int64_t Clamp(int64_t v) { return v < -kCoordLimit ? -kCoordLimit : v > kCoordLimit ? kCoordLimit : v; }

int64_t PieceToInteger(const std::string& piece) {
    const std::string s = Trim(piece);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return 0;
    int64_t value = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return 0;
        value = value * 10 + (s[i] - '0');
        if (value > 0x7FFFFFFF) return 0;  // not an integer of the platform
    }
    return negative ? -value : value;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::vector<int64_t> ReadCoords(const std::string& text) {
    const std::string s = Trim(text);
    std::vector<int64_t> numbers;
    // Each character is looked at once: a piece ends at the first comma or
    // blank, so no search runs on past it to the end of a long attribute.
    int64_t looked = 0;
    size_t i = 0;
    while (i < s.size() && numbers.size() < 301) {
        const size_t from = i;
        size_t end = i;
        while (end < s.size() && s[end] != ',' && !IsBlank(s[end])) ++end;
        numbers.push_back(PieceToInteger(s.substr(i, std::min<size_t>(end - i, 20))));
        i = end;
        while (i < s.size() && (s[i] == ',' || IsBlank(s[i]))) ++i;
        looked += static_cast<int64_t>(i - from);
    }
    CoordCharsLooked += looked;
    return numbers;
}

bool TMapRegion::Make(Kind kind, const std::vector<int64_t>& n, TMapRegion& region) {
    region.FKind = kind;
    region.FCoords.clear();
    switch (kind) {
    case Kind::Rectangle:
        if (n.size() < 4) return false;
        region.FCoords = {Clamp(n[0]), Clamp(n[1]), Clamp(n[2]) + 1, Clamp(n[3]) + 1};
        return true;
    case Kind::Circle:
        if (n.size() < 3) return false;
        region.FCoords = {Clamp(n[0]), Clamp(n[1]), Clamp(n[2])};
        return true;
    case Kind::Polygon:
        if (n.size() < 6) return false;
        for (size_t i = 0; i + 1 < n.size(); i += 2) {
            region.FCoords.push_back(2 * Clamp(n[i]));
            region.FCoords.push_back(2 * Clamp(n[i + 1]));
        }
        return true;
    }
    return false;
}

bool TMapRegion::Contains(int xIn, int yIn) const {
    const int64_t x = Clamp(xIn), y = Clamp(yIn);
    switch (FKind) {
    case Kind::Rectangle:
        return x >= FCoords[0] && x < FCoords[2] && y >= FCoords[1] && y < FCoords[3];
    case Kind::Circle: {
        // Pixel centres against a circle of radius r + 1/2, all doubled to stay in integers.
        const int64_t dx = 2 * (x - FCoords[0]), dy = 2 * (y - FCoords[1]), d = 2 * FCoords[2] + 1;
        return FCoords[2] >= 0 && dx * dx + dy * dy <= d * d;
    }
    case Kind::Polygon: {
        const int64_t px = 2 * x + 1, py = 2 * y + 1;
        int winding = 0;
        const size_t count = FCoords.size() / 2;
        for (size_t i = 0; i < count; ++i) {
            const int64_t x1 = FCoords[2 * i], y1 = FCoords[2 * i + 1];
            const int64_t x2 = FCoords[2 * ((i + 1) % count)], y2 = FCoords[2 * ((i + 1) % count) + 1];
            const int64_t side = (x2 - x1) * (py - y1) - (px - x1) * (y2 - y1);
            if (y1 <= py) {
                if (y2 > py && side > 0) ++winding;
            } else if (y2 <= py && side < 0) {
                --winding;
            }
        }
        return winding != 0;
    }
    }
    return false;
}

void TMapItem::AddArea(const TAttributeList& attributes) {
    Area area;
    TMapRegion::Kind kind = TMapRegion::Kind::Rectangle;
    std::vector<int64_t> numbers;
    for (int i = 0; i < attributes.Count(); ++i) {
        const TAttribute* a = attributes.Attribute(i);
        switch (a->Sym) {
        case TitleSy: area.Title = a->Text; break;
        case HrefSy: area.Href = a->Text; break;
        case NoHrefSy: area.Href.clear(); break;
        case TargetSy: area.Target = a->Text; break;
        case ShapeSy: {
            const std::string shape = LowerCase(a->Text).substr(0, 4);
            kind = shape == "circ" ? TMapRegion::Kind::Circle
                 : shape == "poly" ? TMapRegion::Kind::Polygon
                                   : TMapRegion::Kind::Rectangle;
            break;
        }
        case CoordsSy: numbers = ReadCoords(a->Text); break;
        default: break;
        }
    }
    if (!TMapRegion::Make(kind, numbers, area.Region)) return;
    FAreas.push_back(std::move(area));
}

bool TMapItem::GetURL(int x, int y, owned_ptr<TUrlTarget>& target, std::string& title) const {
    for (const Area& area : FAreas) {
        if (!area.Region.Contains(x, y)) continue;
        if (area.Href.empty()) return false;
        target.reset(new TUrlTarget);
        target->Url = area.Href;
        target->Target = area.Target;
        title = area.Title;
        return true;
    }
    return false;
}
