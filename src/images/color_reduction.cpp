#include "images/color_reduction.h"

#include <algorithm>
#include <cstdlib>

namespace {

inline uint8_t Red(uint32_t c) { return static_cast<uint8_t>(c); }
inline uint8_t Green(uint32_t c) { return static_cast<uint8_t>(c >> 8); }
inline uint8_t Blue(uint32_t c) { return static_cast<uint8_t>(c >> 16); }

inline size_t CellOf(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<size_t>(b / 8) * 1024 + static_cast<size_t>(g / 8) * 32 + r / 8;
}

}  // namespace

// ---- lookups ----

TFastColorLookup::TFastColorLookup(const std::vector<uint32_t>& palette)
    : FEntries(palette.begin(), palette.begin() + std::min<size_t>(palette.size(), 256)), FInverse(32768, -1) {
    FColors = static_cast<int>(FEntries.size());
    for (size_t i = 0; i < FEntries.size(); ++i) {
        int16_t& cell = FInverse[CellOf(Red(FEntries[i]), Green(FEntries[i]), Blue(FEntries[i]))];
        if (cell < 0) cell = static_cast<int16_t>(i);
    }
}

int TFastColorLookup::FindColor(uint8_t& r, uint8_t& g, uint8_t& b) {
    if (FEntries.empty()) return 0;
    int16_t& cell = FInverse[CellOf(r, g, b)];
    if (cell < 0) {
        int best = 0, bestDistance = INT32_MAX;
        for (size_t i = 0; i < FEntries.size(); ++i) {
            uint32_t c = FEntries[i];
            int d = std::abs(Red(c) - r) + std::abs(Green(c) - g) + std::abs(Blue(c) - b);
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<int>(i);
            }
        }
        cell = static_cast<int16_t>(best);
    }
    uint32_t c = FEntries[static_cast<size_t>(cell)];
    r = Red(c);
    g = Green(c);
    b = Blue(c);
    return cell;
}

int TNetscapeColorLookup::FindColor(uint8_t& r, uint8_t& g, uint8_t& b) {
    int lr = (r + 3) / 51, lg = (g + 3) / 51, lb = (b + 3) / 51;
    r = static_cast<uint8_t>(lr * 51);
    g = static_cast<uint8_t>(lg * 51);
    b = static_cast<uint8_t>(lb * 51);
    return lr * 36 + lg * 6 + lb;
}

std::vector<uint32_t> WebPaletteColors() {
    std::vector<uint32_t> colors;
    for (uint32_t r = 0; r < 6; ++r)
        for (uint32_t g = 0; g < 6; ++g)
            for (uint32_t b = 0; b < 6; ++b) colors.push_back(r * 51 | (g * 51) << 8 | (b * 51) << 16);
    return colors;
}

// ---- engines ----

int TDitherEngine::DitherPixel(uint8_t& r, uint8_t& g, uint8_t& b) {
    int index = FLookup->FindColor(r, g, b);
    FColumn += FDirection;
    return index;
}

void TDitherEngine::NextRow() {
    FDirection = -FDirection;
    FColumn = FDirection > 0 ? 0 : FWidth - 1;
}

TFloydSteinbergEngine::TFloydSteinbergEngine(TColorLookup* lookup, int width) : TDitherEngine(lookup, width) {
    for (auto& row : FErrors) row.assign(static_cast<size_t>(std::max(width, 0)) + 2, 0);
}

int TFloydSteinbergEngine::DitherPixel(uint8_t& r, uint8_t& g, uint8_t& b) {
    uint8_t* channel[3] = {&r, &g, &b};
    int32_t wanted[3];
    const size_t ahead = FCell + static_cast<size_t>(FDirection);  // this column's cell
    for (int c = 0; c < 3; ++c)
        wanted[c] = std::clamp(*channel[c] + (FErrors[c][ahead] + FCarryNext[c] + 8) / 16, 0, 255);
    uint8_t chosen[3] = {static_cast<uint8_t>(wanted[0]), static_cast<uint8_t>(wanted[1]),
                         static_cast<uint8_t>(wanted[2])};
    int index = TDitherEngine::DitherPixel(chosen[0], chosen[1], chosen[2]);
    for (int c = 0; c < 3; ++c) {
        int32_t e = wanted[c] - chosen[c];
        // The cell behind (below the previous pixel) is complete now.
        FErrors[c][FCell] = FBelowBehind[c] + 3 * e;
        FBelowBehind[c] = FBelowAhead[c] + 5 * e;
        FBelowAhead[c] = e;
        FCarryNext[c] = 7 * e;
        *channel[c] = chosen[c];
    }
    FCell = ahead;
    return index;
}

void TFloydSteinbergEngine::NextRow() {
    for (int c = 0; c < 3; ++c) {
        FErrors[c][FCell] = FBelowBehind[c];
        FCarryNext[c] = FBelowBehind[c] = FBelowAhead[c] = 0;
    }
    TDitherEngine::NextRow();
    FCell = FDirection > 0 ? 0 : static_cast<size_t>(FWidth) + 1;
}

// ---- octree ----

struct TColorQuantizer::Node {
    bool Leaf = false;
    uint32_t PixelCount = 0;
    uint64_t RedSum = 0, GreenSum = 0, BlueSum = 0;
    std::unique_ptr<Node> Children[8];
    Node* NextReducible = nullptr;
};

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : FMaxColors(std::max(maxColors, 1)), FColorBits(std::clamp(colorBits, 1, 8)) {}

TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::Insert(std::unique_ptr<Node>& node, uint8_t r, uint8_t g, uint8_t b, int level) {
    if (!node) {
        node = std::make_unique<Node>();
        if (level == FColorBits) {
            node->Leaf = true;
            ++FLeafCount;
        } else {
            node->NextReducible = FReducible[level];
            FReducible[level] = node.get();
        }
    }
    if (node->Leaf) {
        ++node->PixelCount;
        node->RedSum += r;
        node->GreenSum += g;
        node->BlueSum += b;
        return;
    }
    int shift = 7 - level;
    int child = (((r >> shift) & 1) << 2) | (((g >> shift) & 1) << 1) | ((b >> shift) & 1);
    Insert(node->Children[child], r, g, b, level + 1);
}

void TColorQuantizer::InsertColor(uint8_t r, uint8_t g, uint8_t b) { Insert(FRoot, r, g, b, 0); }

bool TColorQuantizer::MergeDeepest() {
    int level = FColorBits - 1;
    while (level >= 0 && !FReducible[level]) --level;
    if (level < 0) return false;
    Node* node = FReducible[level];
    FReducible[level] = node->NextReducible;
    int children = 0;
    for (auto& child : node->Children) {
        if (!child) continue;
        node->PixelCount += child->PixelCount;
        node->RedSum += child->RedSum;
        node->GreenSum += child->GreenSum;
        node->BlueSum += child->BlueSum;
        child.reset();
        ++children;
    }
    node->Leaf = true;
    FLeafCount += 1 - children;
    return true;
}

void TColorQuantizer::ScanImage(TRowSource& rows) {
    for (int y = 0; y < rows.Height(); ++y) {
        const uint8_t* row = rows.Row(y);
        for (int x = 0; x < rows.Width(); ++x) {
            InsertColor(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
            // Stops when nothing is left to merge, whatever the limit.
            while (FLeafCount > FMaxColors && MergeDeepest()) {
            }
        }
    }
}

std::vector<uint32_t> TColorQuantizer::BuildColorTable() const {
    std::vector<uint32_t> table;
    std::vector<const Node*> stack;
    if (FRoot) stack.push_back(FRoot.get());
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        if (node->Leaf) {
            uint32_t r = 0, g = 0, b = 0;
            if (node->PixelCount) {
                r = static_cast<uint32_t>(node->RedSum / node->PixelCount);
                g = static_cast<uint32_t>(node->GreenSum / node->PixelCount);
                b = static_cast<uint32_t>(node->BlueSum / node->PixelCount);
            }
            table.push_back(b | (g << 8) | (r << 16));
            continue;
        }
        for (int i = 7; i >= 0; --i)
            if (node->Children[i]) stack.push_back(node->Children[i].get());
    }
    return table;
}
