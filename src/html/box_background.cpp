#include "html/box_background.h"

#include <algorithm>
#include <cstdint>

#include "html/image_obj.h"
#include "html/section_list.h"

namespace {

int Clamp32(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); }

}  // namespace

int BackgroundStart(const PositionEntry& position, int area, int picture) {
    switch (position.Kind) {
        case pCenter: return Clamp32((int64_t{area} - picture) / 2);
        case pRight:
        case pBottom: return Clamp32(int64_t{area} - picture);
        case PPercent: return Clamp32(int64_t{position.Amount} * (int64_t{area} - picture) / 100);
        case pDim: return position.Amount;
        default: return 0;
    }
}

TTileSpan BackgroundTiles(const PositionEntry& position, int boxStart, int boxSize, int picture, int tile,
                          int clipStart, int clipEnd) {
    TTileSpan span;
    if (picture <= 0 || tile <= 0 || clipEnd <= clipStart) return span;
    int64_t start = int64_t{boxStart} + BackgroundStart(position, boxSize, picture);
    if (!position.Tiles) {
        span.Start = Clamp32(start);
        span.Count = start < clipEnd && start + picture > clipStart ? 1 : 0;
        return span;
    }
    // The tile at or just before clipStart, on the grid through `start`.
    int64_t d = (int64_t{clipStart} - start) % tile;
    if (d < 0) d += tile;
    start = int64_t{clipStart} - d;
    span.Start = Clamp32(start);
    span.Count = Clamp32((int64_t{clipEnd} - start + tile - 1) / tile);
    return span;
}

TBoxBackground::TBoxBackground(TSectionList* document, const std::string& name, const PositionRec& placement)
    : Image(std::make_unique<TImageObj>(document, name)), FDocument(document), FPlacement(placement) {}

TBoxBackground::TBoxBackground(TSectionList* document, const TBoxBackground& source)
    : Image(std::make_unique<TImageObj>(document, *source.Image)),
      FDocument(document),
      FPlacement(source.FPlacement) {}

TBoxBackground::~TBoxBackground() = default;

bool TBoxBackground::Prepare(TCanvas* canvas) {
    if (!FDocument || !FDocument->DisplayImages) return true;
    Image->DrawLogic(FDocument, canvas, nullptr, 0, 0);
    return !Failed();
}

#ifdef _WIN32

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/win.h"
#include "html/html_startup.h"
#include "html/image_cache.h"
#include "images/gif_image.h"

namespace {

// Small pictures are repeated into a tile at least this wide and high, so a
// 1-pixel pattern over a screen takes a few hundred copies, not a million.
constexpr int kMinTileSide = 64;

// dst AND NOT src: black where a monochrome source is white.
constexpr DWORD kDSna = 0x00220326;

// The picture made ready for one paint: the colours, black where
// transparent, and the mask (white where transparent), each the picture
// repeated AcrossX by AcrossY times. A large opaque picture is used as it
// stands (Copied false). Made anew for each paint, so a page of many boxes
// holds no bitmaps of its own between paints.
struct TTiles {
    TBitmap* Picture = nullptr;
    bool Copied = false;
    TBitmap Colours;
    std::unique_ptr<TBitmap> MaskTile;
    int AcrossX = 1, AcrossY = 1;
};

// The picture as a bitmap with its mask (null when opaque); null while the
// object shows a placeholder.
TBitmap* CurrentPicture(TImageObj& image, TBitmap*& mask) {
    mask = nullptr;
    if (image.IsPlaceholderPicture()) return nullptr;
    if (auto* gif = dynamic_cast<TGIFImage*>(image.Picture)) return gif->GetFrameBitmap(mask);
    auto* bitmap = dynamic_cast<TBitmap*>(image.Picture);
    if (bitmap && image.TranspKind != NotTransp) mask = image.PictureMask;
    if (mask && mask->Empty()) mask = nullptr;
    return bitmap && !bitmap->Empty() ? bitmap : nullptr;
}

HDC TileColours(TTiles& tiles) {
    return tiles.Copied ? tiles.Colours.Canvas()->Handle() : tiles.Picture->Canvas()->Handle();
}

int Repeats(bool tiles, int side) { return tiles && side < kMinTileSide ? (kMinTileSide + side - 1) / side : 1; }

}  // namespace

bool TBoxBackground::Failed() const { return Image->Picture == ErrorBitMap; }

void TBoxBackground::Paint(TCanvas* canvas, const TRect& box, const TRect& clip) {
    if (!canvas || !FDocument || !FDocument->DisplayImages) return;
    if (FDocument->Printing && !FDocument->TableBackgroundsPrinted) return;
    TBitmap* mask = nullptr;
    TBitmap* picture = CurrentPicture(*Image, mask);
    if (!picture) return;
    HDC dc = canvas->Handle();
    RECT device{};
    if (GetClipBox(dc, &device) == ERROR) return;
    const TRect visible{std::max({box.Left, clip.Left, static_cast<int>(device.left)}),
                        std::max({box.Top, clip.Top, static_cast<int>(device.top)}),
                        std::min({box.Right, clip.Right, static_cast<int>(device.right)}),
                        std::min({box.Bottom, clip.Bottom, static_cast<int>(device.bottom)})};
    if (visible.Left >= visible.Right || visible.Top >= visible.Bottom) return;
    if (auto* gif = dynamic_cast<TGIFImage*>(Image->Picture); gif && !FDocument->PrintCopyFlag) {
        // An animated picture's next frame repaints what shows of the box.
        gif->SetDrawRect(visible);
        Image->Painted = true;
    }

    const int pw = picture->Width(), ph = picture->Height();
    TTiles tiles;
    tiles.Picture = picture;
    tiles.AcrossX = Repeats(FPlacement[0].Tiles, pw);
    tiles.AcrossY = Repeats(FPlacement[1].Tiles, ph);
    const int tw = pw * tiles.AcrossX, th = ph * tiles.AcrossY;
    const TTileSpan across =
        BackgroundTiles(FPlacement[0], box.Left, box.Right - box.Left, pw, tw, visible.Left, visible.Right);
    const TTileSpan down =
        BackgroundTiles(FPlacement[1], box.Top, box.Bottom - box.Top, ph, th, visible.Top, visible.Bottom);
    if (across.Count <= 0 || down.Count <= 0) return;
    tiles.Copied = mask || tiles.AcrossX > 1 || tiles.AcrossY > 1;
    if (tiles.Copied) {
        tiles.Colours.SetPixelFormat(pf24bit);
        tiles.Colours.SetSize(tw, th);
        HDC colours = tiles.Colours.Canvas()->Handle();
        HDC source = picture->Canvas()->Handle();
        for (int y = 0; y < th; y += ph)
            for (int x = 0; x < tw; x += pw) BitBlt(colours, x, y, pw, ph, source, 0, 0, SRCCOPY);
    }
    if (mask) {
        HDC colours = tiles.Colours.Canvas()->Handle();
        tiles.MaskTile = std::make_unique<TBitmap>();
        tiles.MaskTile->SetMonochrome(true);
        tiles.MaskTile->SetSize(tw, th);
        HDC maskTile = tiles.MaskTile->Canvas()->Handle();
        HDC maskSource = mask->Canvas()->Handle();
        for (int y = 0; y < th; y += ph)
            for (int x = 0; x < tw; x += pw)
                BitBlt(maskTile, x, y, std::min(pw, mask->Width()), std::min(ph, mask->Height()), maskSource, 0,
                       0, SRCCOPY);
        // The transparent pixels go black, so the colours can be or-ed
        // onto what the mask leaves of the target.
        SetBkColor(colours, RGB(255, 255, 255));
        SetTextColor(colours, RGB(0, 0, 0));
        BitBlt(colours, 0, 0, tw, th, maskTile, 0, 0, kDSna);
    }

    if (FDocument->Printing) {
        // A printer takes device-independent bits: the visible part is put
        // together off screen and printed in one piece.
        const int vw = visible.Right - visible.Left, vh = visible.Bottom - visible.Top;
        TBitmap part;
        part.SetPixelFormat(pf24bit);
        part.SetSize(vw, vh);
        std::unique_ptr<TBitmap> partMask;
        if (tiles.MaskTile) {
            partMask = std::make_unique<TBitmap>();
            partMask->SetMonochrome(true);
            partMask->Canvas()->Brush()->SetColor(clWhite);
            partMask->SetSize(vw, vh);
            partMask->Canvas()->FillRect(TRect{0, 0, vw, vh});
        }
        HDC partDC = part.Canvas()->Handle();
        HDC colours = TileColours(tiles);
        for (int j = 0; j < down.Count; ++j)
            for (int i = 0; i < across.Count; ++i) {
                const int x = across.Start + i * tw - visible.Left, y = down.Start + j * th - visible.Top;
                BitBlt(partDC, x, y, tw, th, colours, 0, 0, SRCCOPY);
                if (partMask)
                    BitBlt(partMask->Canvas()->Handle(), x, y, tw, th, tiles.MaskTile->Canvas()->Handle(), 0, 0,
                           SRCCOPY);
            }
        if (partMask)
            PrintTransparentBitmap3(canvas, visible.Left, visible.Top, vw, vh, &part, partMask.get(), 0, vh);
        else
            PrintBitmap(canvas, visible.Left, visible.Top, vw, vh, part.Handle());
        return;
    }

    const int saved = SaveDC(dc);
    IntersectClipRect(dc, visible.Left, visible.Top, visible.Right, visible.Bottom);
    HDC colours = TileColours(tiles);
    HDC maskDC = tiles.MaskTile ? tiles.MaskTile->Canvas()->Handle() : nullptr;
    if (maskDC) {
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
    }
    for (int j = 0; j < down.Count; ++j)
        for (int i = 0; i < across.Count; ++i) {
            const int x = across.Start + i * tw, y = down.Start + j * th;
            if (maskDC) {
                BitBlt(dc, x, y, tw, th, maskDC, 0, 0, SRCAND);
                BitBlt(dc, x, y, tw, th, colours, 0, 0, SRCPAINT);
            } else {
                BitBlt(dc, x, y, tw, th, colours, 0, 0, SRCCOPY);
            }
        }
    RestoreDC(dc, saved);
}

#else

bool TBoxBackground::Failed() const { return false; }
void TBoxBackground::Paint(TCanvas*, const TRect&, const TRect&) {}

#endif
