#include "widgets/button_glyph.h"

#include <algorithm>

#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include <commctrl.h>

namespace {

TGlyphCache* g_glyphCache = nullptr;
int g_liveGlyphs = 0;

// Pixels as COLORREF values, rows from the top.
struct TPixels {
    int w = 0;
    int h = 0;
    std::vector<COLORREF> px;
    COLORREF& at(int x, int y) { return px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)]; }
    COLORREF at(int x, int y) const {
        return px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
    }
};

COLORREF FromQuad(uint32_t q) {
    return ((q & 0xFF) << 16) | (q & 0xFF00) | ((q >> 16) & 0xFF);
}
uint32_t ToQuad(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// A top-down 32-bit section selected into a memory DC.
class TSection {
public:
    TSection(int w, int h) : FW(w), FH(h) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        TScreenDC screen;
        FDC.reset(CreateCompatibleDC(screen.get()));
        FBitmap.reset(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &FBits, nullptr, 0));
        if (!FDC || !FBitmap) throw EOutOfResources("Out of system resources");
        FOld = SelectObject(FDC.get(), FBitmap.get());
    }
    ~TSection() { SelectObject(FDC.get(), FOld); }
    TSection(const TSection&) = delete;
    TSection& operator=(const TSection&) = delete;
    HDC dc() const { return FDC.get(); }
    TPixels Read() const {
        GdiFlush();
        TPixels p{FW, FH, std::vector<COLORREF>(static_cast<size_t>(FW) * static_cast<size_t>(FH))};
        const auto* bits = static_cast<const uint32_t*>(FBits);
        for (size_t i = 0; i < p.px.size(); ++i) p.px[i] = FromQuad(bits[i]);
        return p;
    }

private:
    int FW, FH;
    TMemoryDC FDC;
    TBitmapHandle FBitmap;
    void* FBits = nullptr;
    HGDIOBJ FOld = nullptr;
};

TPixels ReadFromDC(HDC source, int x, int y, int w, int h) {
    TSection section(w, h);
    SetTextColor(section.dc(), RGB(0, 0, 0));  // a monochrome source: 0 black, 1 white
    SetBkColor(section.dc(), RGB(255, 255, 255));
    BitBlt(section.dc(), 0, 0, w, h, source, x, y, SRCCOPY);
    return section.Read();
}

// A bitmap of the screen's format holding the pixels.
TBitmapHandle MakeColourBitmap(const TPixels& p) {
    TScreenDC screen;
    TBitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), p.w, p.h));
    if (!bitmap) throw EOutOfResources("Out of system resources");
    std::vector<uint32_t> quads(p.px.size());
    std::transform(p.px.begin(), p.px.end(), quads.begin(), ToQuad);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), p.w, -p.h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(p.h), quads.data(), &info, DIB_RGB_COLORS);
    return bitmap;
}

// A monochrome mask: white (1) where `transparent` is set.
TBitmapHandle MakeMaskBitmap(const std::vector<bool>& transparent, int w, int h) {
    size_t stride = ((static_cast<size_t>(w) + 15) / 16) * 2;
    std::vector<uint8_t> bits(stride * static_cast<size_t>(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (transparent[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)])
                bits[static_cast<size_t>(y) * stride + static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    TBitmapHandle mask(CreateBitmap(w, h, 1, 1, bits.data()));
    if (!mask) throw EOutOfResources("Out of system resources");
    return mask;
}

COLORREF SysRGB(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

}  // namespace

TGlyphCache* GlyphCache() {
    return g_glyphCache;
}

// ---------------------------------------------------------------------------
// TGlyphList

TGlyphList::TGlyphList(int width, int height) : TImageList(nullptr, width, height) {}

int TGlyphList::ClaimFreeSlot() {
    auto free = std::find(FUsed.begin(), FUsed.end(), false);
    int index = static_cast<int>(free - FUsed.begin());
    if (free == FUsed.end()) {
        // A placeholder image that the caller replaces at once.
        TPixels blank{Width(), Height(), std::vector<COLORREF>(static_cast<size_t>(Width()) * static_cast<size_t>(Height()))};
        TBitmapHandle image = MakeColourBitmap(blank);
        if (Add(image.get(), nullptr) < 0) throw EInvalidOperation("Unable to Replace Image");
        FUsed.push_back(false);
    }
    FUsed[static_cast<size_t>(index)] = true;
    return index;
}

int TGlyphList::PutImageWithMask(HBITMAP image, HBITMAP mask) {
    int index = ClaimFreeSlot();
    if (!Replace(index, image, mask)) {
        FUsed[static_cast<size_t>(index)] = false;
        throw EInvalidOperation("Unable to Replace Image");
    }
    ++FUsedCount;
    return index;
}

int TGlyphList::PutImageWithMaskColour(TBitmap* image, TColor maskColour) {
    if (image->Width() < Width() || image->Height() < Height()) throw EInvalidOperation("Invalid image size");
    TPixels p = ReadFromDC(image->Canvas()->Handle(), 0, 0, Width(), Height());
    COLORREF key = SysRGB(maskColour);
    std::vector<bool> transparent(p.px.size());
    for (size_t i = 0; i < p.px.size(); ++i) {
        transparent[i] = p.px[i] == key;
        if (transparent[i]) p.px[i] = 0;
    }
    TBitmapHandle colour = MakeColourBitmap(p);
    TBitmapHandle mask = MakeMaskBitmap(transparent, p.w, p.h);
    return PutImageWithMask(colour.get(), mask.get());
}

void TGlyphList::ReleaseSlot(int index) {
    if (index < 0 || index >= static_cast<int>(FUsed.size()) || !FUsed[static_cast<size_t>(index)]) return;
    FUsed[static_cast<size_t>(index)] = false;
    --FUsedCount;
}

// ---------------------------------------------------------------------------
// TGlyphCache

TGlyphCache::~TGlyphCache() {
    for (TGlyphList* list : FLists) TObject::Free(list);
}

TGlyphList* TGlyphCache::AcquireGlyphList(int width, int height) {
    for (auto it = FLists.rbegin(); it != FLists.rend(); ++it)
        if ((*it)->Width() == width && (*it)->Height() == height) return *it;
    auto* list = new TGlyphList(width, height);
    FLists.push_back(list);
    return list;
}

void TGlyphCache::ReleaseGlyphList(TGlyphList* list) {
    if (!list || list->UsedCount() != 0) return;
    FLists.erase(std::remove(FLists.begin(), FLists.end(), list), FLists.end());
    TObject::Free(list);
}

// ---------------------------------------------------------------------------
// TButtonGlyph

TButtonGlyph::TButtonGlyph(std::function<void()> onChange)
    : FOriginal(new TBitmap), FOriginalMask(new TBitmap), FOnChange(std::move(onChange)) {
    ++g_liveGlyphs;
    for (auto& list : FIndexes) std::fill(std::begin(list), std::end(list), -1);
    FOriginal->OnChange = [this](TObject* sender) { StripChanged(sender); };
    FOriginalMask->OnChange = [this](TObject* sender) { StripChanged(sender); };
}

TButtonGlyph::~TButtonGlyph() {
    DropMadeImages();
    if (FImageList) FImageList->UnRegisterChanges(this);
    // Freed only when no glyph is left: a scratch button freed before the
    // first paint must not take the pool from under the buttons that stay.
    if (--g_liveGlyphs == 0 && g_glyphCache && g_glyphCache->HoldsNoList()) {
        delete g_glyphCache;
        g_glyphCache = nullptr;
    }
}

void TButtonGlyph::DropMadeImages() {
    for (int list = 0; list < 2; ++list) {
        for (int& index : FIndexes[list]) {
            if (index >= 0 && FGlyphLists[static_cast<size_t>(list)]) FGlyphLists[static_cast<size_t>(list)]->ReleaseSlot(index);
            index = -1;
        }
        if (FGlyphLists[static_cast<size_t>(list)] && g_glyphCache)
            g_glyphCache->ReleaseGlyphList(FGlyphLists[static_cast<size_t>(list)]);
        FGlyphLists[static_cast<size_t>(list)] = nullptr;
    }
}

void TButtonGlyph::StripChanged(TObject* Sender) {
    if (Sender == FOriginal.get() && !FOriginal->Empty()) {
        FTransparentColor = FOriginal->Canvas()->Pixels(0, FOriginal->Height() - 1) | 0x02000000;
    }
    DropMadeImages();
    if (FOnChange) FOnChange();
}

void TButtonGlyph::AssignSourceGlyph(TBitmap* bitmap) {
    DropMadeImages();
    FOriginal->Assign(bitmap);
    DeriveGlyphCount();
}

void TButtonGlyph::AssignGlyphMask(TBitmap* bitmap) {
    DropMadeImages();
    FOriginalMask->Assign(bitmap);
}

void TButtonGlyph::DeriveGlyphCount() {
    int count = 1;
    if (!FImageList && !FOriginal->Empty()) {
        int w = FOriginal->Width();
        int h = FOriginal->Height();
        if (w % h == 0 && w / h < 6) count = w / h;
    }
    if (count != FNumGlyphs) {
        FNumGlyphs = count;
        DropMadeImages();
    }
}

void TButtonGlyph::AssignNumGlyphs(int value) {
    DropMadeImages();
    FNumGlyphs = (FImageList || value <= 0 || value > 5) ? 1 : value;
    StripChanged(nullptr);
}

void TButtonGlyph::AssignImageList(TImageList* list) {
    if (list == FImageList) return;
    if (FImageList) FImageList->UnRegisterChanges(this);
    FImageList = list;
    if (FImageList) FImageList->RegisterChanges(this, [this] { StripChanged(nullptr); });
    DropMadeImages();
    DeriveGlyphCount();
    if (FImageList) FNumGlyphs = 1;
}

void TButtonGlyph::AssignImageIndex(int index) {
    if (index == FImageIndex) return;
    FImageIndex = index;
    if (FImageList) StripChanged(nullptr);
}

void TButtonGlyph::SetOldDisabledStyle(bool value) {
    if (value == FOldDisabledStyle) return;
    FOldDisabledStyle = value;
    DropMadeImages();
}

std::pair<int, int> TButtonGlyph::MakeStateImage(TToolButtonState state) {
    int slot = state;
    if (state != bsDisabled && slot >= FNumGlyphs) slot = 0;
    for (int list : {1, 0})
        if (FIndexes[list][slot] >= 0) return {list, FIndexes[list][slot]};

    int w, h;
    if (FImageList) {
        if (FImageIndex < 0 || FImageIndex >= FImageList->Count()) return {-1, -1};
        w = FImageList->Width();
        h = FImageList->Height();
    } else {
        if (FOriginal->Empty()) return {-1, -1};
        w = FOriginal->Width() / FNumGlyphs;
        h = FOriginal->Height();
    }
    if (w <= 0 || h <= 0) return {-1, -1};

    // The source image of the slot (slot 1 supplies the disabled image when
    // the strip has one) and which of its pixels are transparent.
    int sourceSlot = (state == bsDisabled && FNumGlyphs >= 2) ? 1 : (state == bsDisabled ? 0 : slot);
    TPixels image;
    std::vector<bool> transparent(static_cast<size_t>(w) * static_cast<size_t>(h));
    if (FImageList) {
        TSection section(w, h);
        ImageList_Draw(FImageList->Handle(), FImageIndex, section.dc(), 0, 0, ILD_NORMAL);
        image = section.Read();
        TSection maskSection(w, h);
        ImageList_Draw(FImageList->Handle(), FImageIndex, maskSection.dc(), 0, 0, ILD_MASK);
        TPixels mask = maskSection.Read();
        for (size_t i = 0; i < transparent.size(); ++i) transparent[i] = mask.px[i] == RGB(255, 255, 255);
    } else {
        image = ReadFromDC(FOriginal->Canvas()->Handle(), sourceSlot * w, 0, w, h);
        if (!FOriginalMask->Empty()) {
            TPixels mask = ReadFromDC(FOriginalMask->Canvas()->Handle(), sourceSlot * w, 0, w, h);
            for (size_t i = 0; i < transparent.size(); ++i) transparent[i] = mask.px[i] == RGB(255, 255, 255);
        } else {
            // A state's own slot drops its own bottom-left colour; a disabled
            // image, supplied or embossed, drops the strip's.
            COLORREF key = state == bsDisabled ? ColorToRGB(FTransparentColor & ~0x02000000)
                           : FOriginal->Monochrome() ? RGB(255, 255, 255)
                                                      : image.at(0, h - 1);
            for (size_t i = 0; i < transparent.size(); ++i) transparent[i] = image.px[i] == key;
        }
    }

    int listIndex = state == bsDisabled ? 0 : 1;
    int lw = listIndex == 0 ? w + 1 : w;
    int lh = listIndex == 0 ? h + 1 : h;
    if (!g_glyphCache) g_glyphCache = new TGlyphCache;
    TGlyphList*& list = FGlyphLists[static_cast<size_t>(listIndex)];
    if (!list) list = g_glyphCache->AcquireGlyphList(lw, lh);

    TPixels out{lw, lh, std::vector<COLORREF>(static_cast<size_t>(lw) * static_cast<size_t>(lh), 0)};
    std::vector<bool> outMask(out.px.size(), true);
    auto idx = [](int x, int y, int width) { return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x); };
    if (state != bsDisabled) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool clear = transparent[idx(x, y, w)];
                outMask[idx(x, y, lw)] = clear;
                out.at(x, y) = clear ? 0 : image.at(x, y);
            }
    } else if (FNumGlyphs >= 2 && !FImageList) {
        // The strip's own disabled image, in the system's 3-D colours.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool clear = transparent[idx(x, y, w)];
                COLORREF c = image.at(x, y);
                if (c == RGB(255, 255, 255))
                    c = SysRGB(clBtnHighlight);
                else if (c == RGB(128, 128, 128))
                    c = SysRGB(clBtnShadow);
                outMask[idx(x, y, lw)] = clear;
                out.at(x, y) = clear ? 0 : c;
            }
    } else {
        // Embossed: the shape in the shadow colour over itself in the
        // highlight colour one pixel right and down.
        std::vector<bool> shape(transparent.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                COLORREF c = image.at(x, y);
                bool clear = transparent[idx(x, y, w)];
                shape[idx(x, y, w)] = FOldDisabledStyle
                                          ? !clear && c == RGB(0, 0, 0)
                                          : !clear && c != RGB(255, 255, 255) && c != RGB(192, 192, 192);
            }
        COLORREF face = SysRGB(clBtnFace);
        std::fill(out.px.begin(), out.px.end(), face);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (shape[idx(x, y, w)]) out.at(x + 1, y + 1) = SysRGB(clBtnHighlight);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (shape[idx(x, y, w)]) out.at(x, y) = SysRGB(clBtnShadow);
        for (size_t i = 0; i < out.px.size(); ++i) {
            outMask[i] = out.px[i] == face;
            if (outMask[i]) out.px[i] = 0;
        }
    }
    TBitmapHandle colour = MakeColourBitmap(out);
    TBitmapHandle mask = MakeMaskBitmap(outMask, lw, lh);
    int made = list->PutImageWithMask(colour.get(), mask.get());
    FIndexes[listIndex][slot] = made;
    if (CallDormant && !FOriginal->Empty()) FOriginal->Dormant();
    if (!FOriginalMask->Empty()) FOriginalMask->Dormant();
    return {listIndex, made};
}

TSize TButtonGlyph::GlyphSize(bool shown) const {
    if (!shown) return {};
    if (FImageList) return {FImageList->Width(), FImageList->Height()};
    if (FOriginal->Empty()) return {};
    return {FOriginal->Width() / FNumGlyphs, FOriginal->Height()};
}

TButtonFaceLayout TButtonGlyph::ArrangeGlyphAndText(TCanvas* canvas, const TRect& client,
                                                    const TButtonFaceParams& p) {
    int cw = client.Width();
    int ch = client.Height();
    TSize g = GlyphSize(p.showGlyph);
    bool hasGlyph = g.cx != 0 && g.cy != 0;
    if (!hasGlyph) g = {};
    TSize a = p.drawArrow ? TSize{p.dropdownArrowWidth, 3} : TSize{};
    TButtonLayout layout = p.layout;
    if (!hasGlyph && (layout == blGlyphTop || layout == blGlyphBottom)) layout = blGlyphLeft;
    bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    int spacing = p.spacing;
    int margin = p.margin;

    TSize t{};
    if (p.showText && !p.caption.empty()) {
        int width = cw - (horizontal ? a.cx : 0);
        if (p.wordWrap) {
            int s = spacing == -1 ? 4 : spacing;
            if (horizontal && hasGlyph) width -= g.cx + s;
            int m = margin != -1 ? margin : (hasGlyph ? s : 4);
            width -= 2 * m;
        }
        RECT r{0, 0, std::max(width, 0), 0};
        std::wstring text = AnsiToWide(p.caption);
        canvas->TextExtent(std::wstring());  // selects the canvas's font
        DrawTextW(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | (p.wordWrap ? DT_WORDBREAK : 0));
        t = {r.right - r.left, r.bottom - r.top};
    }

    TPoint gp, tp, ap;
    if (horizontal) {
        gp.Y = (ch - g.cy + 1) / 2;
        tp.Y = (ch - t.cy + 1) / 2;
    } else {
        gp.X = (cw - g.cx - a.cx + 1) / 2;
        tp.X = (cw - t.cx + 1) / 2;
    }
    if (t.cx == 0 || t.cy == 0 || !hasGlyph) spacing = 0;

    int axis = horizontal ? cw : ch;
    int total = horizontal ? g.cx + t.cx + a.cx : g.cy + t.cy;
    if (margin == -1) {
        if (spacing == -1) {
            spacing = (axis - total) / 3;
            margin = spacing;
        } else {
            total += spacing;
            margin = (axis - total + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = horizontal ? (cw - margin - g.cx - a.cx - t.cx) / 2 : (ch - margin - g.cy - t.cy) / 2;
    }

    switch (layout) {
    case blGlyphLeft:
        gp.X = margin;
        tp.X = margin + g.cx + spacing;
        ap.X = tp.X + t.cx;
        break;
    case blGlyphRight:
        ap.X = cw - margin - a.cx;
        gp.X = ap.X - g.cx;
        tp.X = gp.X - spacing - t.cx;
        break;
    case blGlyphTop:
        gp.Y = margin;
        tp.Y = margin + g.cy + spacing;
        break;
    case blGlyphBottom:
        gp.Y = ch - margin - g.cy;
        tp.Y = gp.Y - spacing - t.cy;
        break;
    }
    if (!horizontal) ap.X = hasGlyph ? gp.X + g.cx : tp.X + t.cx;
    ap.X += 1;
    ap.Y = hasGlyph ? gp.Y + (g.cy - 3) / 2 : tp.Y + (t.cy - 3) / 2;

    int dx = client.Left + p.offset.X;
    int dy = client.Top + p.offset.Y;
    TButtonFaceLayout result;
    result.glyphPos = {gp.X + dx, gp.Y + dy};
    result.textBounds = {tp.X + dx, tp.Y + dy, tp.X + dx + t.cx, tp.Y + dy + t.cy};
    result.arrowPos = {ap.X + dx, ap.Y + dy};
    return result;
}

void TButtonGlyph::PaintStateImage(TCanvas* canvas, TPoint pos, TToolButtonState state) {
    std::pair<int, int> made{-1, -1};
    // Nothing drawable in the glyph must not turn every repaint into an error.
    try {
        made = MakeStateImage(state);
    } catch (const std::exception&) {
        return;
    }
    if (made.first < 0) return;
    FGlyphLists[static_cast<size_t>(made.first)]->Draw(canvas->Handle(), pos.X, pos.Y, made.second);
}

void TButtonGlyph::PaintButtonText(TCanvas* canvas, TRect bounds, const TButtonFaceParams& p) {
    static const UINT kAlignment[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    UINT flags = kAlignment[p.alignment] | (p.wordWrap ? DT_WORDBREAK | DT_VCENTER : DT_SINGLELINE | DT_VCENTER);
    std::wstring text = AnsiToWide(p.caption);
    canvas->TextExtent(std::wstring());  // selects the canvas's font
    HDC dc = canvas->Handle();
    SetBkMode(dc, TRANSPARENT);
    auto draw = [&](TRect r, COLORREF colour) {
        SetTextColor(dc, colour);
        RECT rect{r.Left, r.Top, r.Right, r.Bottom};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
    };
    if (p.state == bsDisabled) {
        draw({bounds.Left + 1, bounds.Top + 1, bounds.Right + 1, bounds.Bottom + 1}, SysRGB(clBtnHighlight));
        draw(bounds, SysRGB(clBtnShadow));
    } else {
        draw(bounds, SysRGB(canvas->Font()->Color()));
    }
}

void TButtonGlyph::PaintDropdownArrow(TCanvas* canvas, int x, int y, int arrowWidth, TToolButtonState state) {
    int cx = x + arrowWidth / 2;
    auto triangle = [&](int dx, int dy, TColor colour) {
        canvas->Pen()->SetColor(colour);
        canvas->Brush()->SetColor(colour);
        canvas->Polygon({Point(cx - 2 + dx, y + dy), Point(cx + 2 + dx, y + dy), Point(cx + dx, y + 2 + dy)});
    };
    if (state == bsDisabled) {
        triangle(1, 1, clBtnHighlight);
        triangle(0, 0, clBtnShadow);
    } else {
        triangle(0, 0, canvas->Font()->Color());
    }
}

void TButtonGlyph::PaintButtonFace(TCanvas* canvas, const TRect& client, const TButtonFaceParams& p) {
    if (client.IsEmpty()) return;
    TButtonFaceLayout layout = ArrangeGlyphAndText(canvas, client, p);
    if (p.showGlyph) PaintStateImage(canvas, layout.glyphPos, p.state);
    if (p.showText && !p.caption.empty()) PaintButtonText(canvas, layout.textBounds, p);
    if (p.drawArrow) PaintDropdownArrow(canvas, layout.arrowPos.X, layout.arrowPos.Y, p.dropdownArrowWidth, p.state);
}
