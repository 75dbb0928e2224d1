// The pictures and windows of images and panels: fetching through the
// document, GIF animation and hover frames, drawing on screen and on print
// copies, and the host's panel windows.
#include "html/image_obj.h"

#include <algorithm>
#include <cctype>

#include "framework/bitmap.h"
#include "framework/cp1251.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "html/font_obj.h"
#include "html/text_measure.h"

#ifdef _WIN32

#include "framework/extctrls.h"
#include "framework/gdi_handles.h"
#include "framework/win.h"
#include "html/draw_helpers.h"
#include "html/html_startup.h"
#include "html/text_measure_gdi.h"
#include "images/engine_palette.h"
#include "images/gif_image.h"

namespace {

std::string CacheKey(const std::string& name) { return Trim(UpperCase(name)); }

TGIFImage* AsGif(TPersistent* p) { return dynamic_cast<TGIFImage*>(p); }

void Erase(std::vector<TAnimatedImage*>& list, TAnimatedImage* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

void Join(std::vector<TAnimatedImage*>& list, TAnimatedImage* item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

// The placeholder font from the shared cache; null when the canvas's measurer has none.
HFONT PlaceholderHandle(TCanvas* canvas) {
    auto* table = dynamic_cast<TTableMeasurer*>(&MeasurerFor(canvas));
    return table ? PlatformFont(*table, table->Font(PlaceholderFont())) : nullptr;
}

}  // namespace

TGIFImage* TImageObj::Gif() const { return AsGif(Picture); }

bool TImageObj::IsPlaceholderPicture() const {
    return !Picture || Picture == ErrorBitMap || Picture == DefBitMap;
}

bool TImageObj::IsErrorPicture() const { return Picture && Picture == ErrorBitMap; }

void TImageObj::PictureSize(int& width, int& height) const {
    width = height = 0;
    TPersistent* p = Picture ? Picture : DefBitMap;
    if (auto* gif = AsGif(p)) {
        width = gif->Width();
        height = gif->Height();
    } else if (auto* graphic = dynamic_cast<TGraphic*>(p)) {
        width = graphic->Width();
        height = graphic->Height();
    }
}

void TImageObj::FetchPicture() {
    if (!Document) return;
    if (!Expanded && !SrcName.empty()) {
        if (!Document->GetBitmapHook && !Document->GetImageHook) {
            if (Document->Host) SrcName = Document->Host->ExpandFileName(SrcName);
        } else if (Document->NameExpander) {
            SrcName = Document->NameExpander(SrcName);
        }
        Expanded = true;
    }
    const std::string key = CacheKey(SrcName);
    bool pending = false;
    for (auto& [name, object] : Document->PendingImages) pending |= name == key;
    TPersistent* image = nullptr;
    if (!pending) {
        bool fromCache = false, delay = false;
        TBitmap* mask = nullptr;
        image = Document->GetTheBitmap(SrcName, TranspKind, mask, fromCache, delay);
        Waiting = delay;
        if (image) {
            PictureMask = mask;
            if (auto* gif = AsGif(image)) {
                if (fromCache) {
                    image = new TGIFImage(*gif);
                    PrivateGif = true;
                }
                Picture = CachedPicture = image;
                if (HoverImages) static_cast<TGIFImage*>(image)->SetAnimate(false);
                else Join(Document->AnimatedImages, this);
            } else {
                Picture = CachedPicture = image;
            }
            if (!fromCache && !Document->CachedImages) {
                // Without a cache the object is the picture's only holder.
                OwnsPicture = true;
                CachedPicture = nullptr;
            }
        }
    } else {
        Waiting = true;
    }
    int w = 0, h = 0;
    if (Picture) PictureSize(w, h);
    if (Picture && (w <= 0 || h <= 0)) {
        // A picture without pixels shows the error picture; the cache keeps it.
        ForgetImageLists();
        Picture = nullptr;
    }
    if (!Picture && Waiting) {
        Picture = DefBitMap;
        // Every object waiting for the source is listed, not only the first.
        const std::pair<std::string, TObject*> entry{key, this};
        auto& waiting = Document->PendingImages;
        if (std::find(waiting.begin(), waiting.end(), entry) == waiting.end()) waiting.push_back(entry);
    } else if (!Picture) {
        Picture = ErrorBitMap;
        PictureMask = ErrorBitmapMask;
        TranspKind = LLCorner;
    }
}

void TImageObj::ForgetImageLists() {
    if (Document) Erase(Document->AnimatedImages, this);
}

void TImageObj::HoldPictureOf(const TImageObj& source) {
    CachedPicture = source.CachedPicture;
    if (source.PrivateGif && source.CachedPicture) {
        CachedPicture = new TGIFImage(*AsGif(source.CachedPicture));
        PrivateGif = true;
        if (source.Picture == source.CachedPicture) Picture = CachedPicture;
    }
    if (!SrcName.empty() && CachedPicture && Document->CachedImages)
        Document->CachedImages->IncUsage(UpperCase(Trim(SrcName)));
    if (source.OwnsPicture && source.Picture && source.Picture != source.CachedPicture) {
        owned_ptr<TPersistent> picture;
        if (TGIFImage* gif = AsGif(source.Picture)) {
            picture.reset(new TGIFImage(*gif));
        } else if (auto* bitmap = dynamic_cast<TBitmap*>(source.Picture)) {
            picture.reset(new TBitmap);
            picture->Assign(bitmap);
        }
        owned_ptr<TBitmap> mask;
        if (picture && source.PictureMask) {
            mask.reset(new TBitmap);
            mask->Assign(source.PictureMask);
        }
        if (picture) {
            Picture = picture.release();
            PictureMask = mask.release();
            OwnsPicture = true;
        } else {
            // A picture of another kind cannot be copied: the copy shows the
            // error picture rather than point at what is not its own.
            Picture = ErrorBitMap;
            PictureMask = ErrorBitmapMask;
            TranspKind = LLCorner;
        }
    }
}

bool TImageObj::InsertImage(const std::string& upperName, bool error, bool& reformat) {
    reformat = false;
    if (Picture != DefBitMap) return false;
    if (error) {
        Picture = ErrorBitMap;
        PictureMask = ErrorBitmapMask;
        TranspKind = LLCorner;
    } else {
        bool fromCache = false, delay = false;
        TBitmap* mask = nullptr;
        TPersistent* image = Document->GetTheBitmap(upperName, TranspKind, mask, fromCache, delay);
        if (!image) return true;
        PictureMask = mask;
        if (auto* gif = AsGif(image)) {
            if (fromCache) {
                image = gif = new TGIFImage(*gif);
                PrivateGif = true;
            }
            if (HoverImages) {
                gif->SetAnimate(false);
            } else {
                Join(Document->AnimatedImages, this);
                gif->SetAnimate(true);
                if (Document->Host) Document->Host->SetAnimationTimer(true, 40);
            }
        }
        Picture = image;
        CachedPicture = Picture;
    }
    Waiting = false;
    reformat = !SizeFixed;
    return true;
}

void TImageObj::ReplaceImage(TStream* newImage) {
    if (!newImage) return;
    TMemoryStream copy;
    try {
        copy.CopyFrom(newImage, 0);
    } catch (...) {
        return;
    }
    TranspKind = NotTransp;
    TBitmap* mask = nullptr;
    TPersistent* image = DecodeStream(&copy, TranspKind, mask, false);
    if (!image) return;
    // The old picture leaves the animation list before it is freed.
    ForgetImageLists();
    if (OwnsPicture && Picture != CachedPicture) {
        delete Picture;
        delete PictureMask;
    }
    OwnsPicture = true;
    ScaledCopy.reset();
    Picture = image;
    PictureMask = mask;
    if (auto* gif = AsGif(image)) {
        if (HoverImages) {
            gif->SetAnimate(false);
            HoverState = hvOff;
        } else {
            gif->SetAnimate(true);
            Join(Document->AnimatedImages, this);
        }
    }
    if (Waiting) {
        auto& pending = Document->PendingImages;
        pending.erase(std::remove_if(pending.begin(), pending.end(), [&](auto& e) { return e.second == this; }),
                      pending.end());
        Waiting = false;
    }
    if (Document->Host) Document->Host->InvalidatePanel();
}

void TImageObj::SetHover(HoverType value) {
    TGIFImage* gif = Gif();
    if (!HoverImages || !gif || value == HoverState) return;
    if (value != hvOff) {
        if (gif->NumFrames() == 2) {
            gif->SetCurrentFrame(2);
        } else if (gif->NumFrames() == 3) {
            gif->SetCurrentFrame(value == hvOverDown ? 3 : 2);
        } else {
            gif->SetAnimate(true);
            Join(Document->AnimatedImages, this);
        }
    } else {
        gif->SetAnimate(false);
        if (gif->NumFrames() <= 3) gif->SetCurrentFrame(1);
        ForgetImageLists();
    }
    HoverState = value;
    if (Document->Host) Document->Host->InvalidatePanel();
}

TBitmap* TImageObj::GetBitmap() {
    if (Picture == ErrorBitMap) return nullptr;
    if (TGIFImage* gif = Gif()) return gif->GetMaskedBitmap();
    if (auto* bitmap = dynamic_cast<TBitmap*>(Picture)) {
        if (!ScaledCopy) {
            ScaledCopy = std::make_unique<TBitmap>();
            ScaledCopy->Assign(bitmap);
            if (ColorBits == 8 && ThePalette) ScaledCopy->SetPalette(CopyPalette(ThePalette));
        }
        return ScaledCopy.get();
    }
    return nullptr;
}

void TImageObj::SetAnimate(bool animate) {
    if (TGIFImage* gif = Gif()) gif->SetAnimate(animate);
}

void TImageObj::CheckTime() {
    TGIFImage* gif = Gif();
    if (!gif) return;
    TWinControl* panel = Document && Document->Host ? Document->Host->PaintPanel() : nullptr;
    const int frame = gif->CurrentFrame();
    gif->CheckTime(panel);
    if (gif->CurrentFrame() != frame && !panel && Document && Document->Host) Document->Host->InvalidatePanel();
}

void TImageObj::Draw(TCanvas* Canvas, int X, int TopY, int YBaseline, TFontObj* FO) {
    if (!Canvas) return;
    const int scrollY = Document ? Document->ScrollY : 0;
    TopY -= scrollY;
    YBaseline -= scrollY;
    const bool placeholder = (Document && !Document->DisplayImages) || IsPlaceholderPicture();
    HDC dc = Canvas->Handle();
    const int saved = SaveDC(dc);
    SetBkMode(dc, TRANSPARENT);
    if (HFONT font = PlaceholderHandle(Canvas)) SelectObject(dc, font);
    PaintX = X;
    int fontHeight = 0, descent = 0;
    if (FO) fontHeight = FO->GetHeight(descent);
    switch (Placement) {
        case ATop:
        case ALeft:
        case ARight: PaintY = TopY + SpaceTop; break;
        case AMiddle:
            PaintY = YBaseline + descent - fontHeight / 2 - (BoxHeight + SpaceBottom - SpaceTop) / 2;
            break;
        case ASub: PaintY = (fontHeight + descent) / 2 + YBaseline - BoxHeight - SpaceBottom + 1; break;
        case ASuper: PaintY = YBaseline - BoxHeight - SpaceBottom - fontHeight / 2; break;
        default: PaintY = YBaseline - BoxHeight - SpaceBottom; break;
    }
    if (HasBorder) {
        ++PaintX;
        ++PaintY;
    }
    Painted = true;
    try {
        if (!(placeholder && (BoxWidth <= 23 || BoxHeight <= 23))) {
            if (placeholder)
                DoDraw(Canvas, PaintX + 4, PictureMask, Picture ? Picture : DefBitMap, PaintY + 4);
            else
                DoDraw(Canvas, PaintX, PictureMask, Picture, PaintY);
        }
    } catch (...) {
    }
    const int y = PaintY;
    PaintY += scrollY;
    const COLORREF linkColor = FO ? static_cast<COLORREF>(ColorToRGB(FO->FontColor)) & 0xFFFFFF : 0;
    if (placeholder && !AltText.empty()) {
        SetTextColor(dc, linkColor);
        RECT r{PaintX + 24, y + 2, PaintX + PicWidth - 2, y + PicHeight - 2};
        const std::wstring text = AnsiToWide(AltText);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_WORDBREAK | DT_NOPREFIX);
    }
    if (placeholder && !HasBorder) {
        RaisedRect(FrameLookOf(Document), Canvas, PaintX, y, PaintX + PicWidth - 1, y + PicHeight - 1, false, 1);
    }
    if (HasBorder) {
        TPenHandle pen(CreatePen(PS_SOLID, 1, linkColor));
        HGDIOBJ oldPen = SelectObject(dc, pen.get());
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, PaintX - 1, y - 1, PaintX - 1 + BoxWidth, y - 1 + BoxHeight);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
    }
    if (ControlFocused || (FO && FO->Focused)) {
        SetTextColor(dc, 0);
        SetBkColor(dc, RGB(255, 255, 255));
        RECT r{PaintX - 2, y - 2, PaintX + PicWidth + 2, y + PicHeight + 2};
        DrawFocusRect(dc, &r);
    }
    RestoreDC(dc, saved);
}

void TImageObj::DoDraw(TCanvas* Canvas, int X, TBitmap* mask, TPersistent* picture, int Y) {
    const bool printCopy = Document && Document->PrintCopyFlag;
    const bool special = picture == ErrorBitMap || picture == DefBitMap;
    if (auto* gif = AsGif(picture)) {
        if (!printCopy) {
            gif->Visible = true;
            gif->Draw(Canvas, CellRef, this, X, Y, PicWidth, PicHeight);
            return;
        }
        picture = gif->GetMaskedBitmap();
        if (gif->IsTransparent()) {
            mask = gif->GetMask();
            TranspKind = TGif;
        }
    }
    auto* bitmap = dynamic_cast<TBitmap*>(picture);
    if (!bitmap || bitmap->Empty()) return;
    const int w = special ? bitmap->Width() : PicWidth;
    const int h = special ? bitmap->Height() : PicHeight;
    const bool masked = mask && (TranspKind != NotTransp || picture == ErrorBitMap);
    if (printCopy) {
        if (masked)
            PrintTransparentBitmap3(Canvas, X, Y, w, h, bitmap, mask, 0, bitmap->Height());
        else
            PrintBitmap(Canvas, X, Y, w, h, bitmap->Handle());
        return;
    }
    HDC dc = Canvas->Handle();
    if (masked) {
        FinishTransparentBitmap(dc, bitmap, mask, X, Y, w, h);
    } else if (special) {
        BitBlt(dc, X, Y, w, h, bitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, X, Y, w, h, bitmap->Canvas()->Handle(), 0, 0, bitmap->Width(), bitmap->Height(), SRCCOPY);
    }
}

// ---- panels

void ThvPanel::CreateParams(TCreateParams& params) {
    TPanel::CreateParams(params);
    params.Style |= WS_BORDER;
    params.ExStyle &= ~static_cast<uint32_t>(WS_EX_CLIENTEDGE);
}

namespace {

// A component name: a letter or underscore, then letters, digits and underscores.
bool IsComponentName(const std::string& name) {
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_')) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

}  // namespace

void ThvPanel::SetVisible(bool value) {
    if (value == PanelShown && value == Visible()) return;
    PanelShown = value;
    TPanel::SetVisible(value);
}

TPanelObj::TPanelObj(TSectionList* document, TObject*, int position, TAttributeList* L) : Document(document) {
    Placement = ABottom;
    Pos = position;
    int hSpace = -1;
    bool pixelWidth = false;
    for (int i = 0; L && i < L->Count(); ++i) {
        TAttribute* a = L->Attribute(i);
        switch (a->Sym) {
            case NameSy: PanelName = a->Text; break;
            case SrcSy: Src = a->Text; break;
            case AltSy: AltText = a->Text; break;
            case AlignSy: {
                const std::string v = UpperCase(Trim(a->Text));
                if (v == "TOP") Placement = ATop;
                else if (v == "MIDDLE" || v == "ABSMIDDLE") Placement = AMiddle;
                else if (v == "LEFT") Placement = ALeft;
                else if (v == "RIGHT") Placement = ARight;
                break;
            }
            case WidthSy:
                if (a->Text.find('%') != std::string::npos) {
                    GivenWidth = std::clamp(a->Number, 1, 100);
                    WidthInPercent = true;
                } else {
                    GivenWidth = std::clamp(a->Number, 0, kMaxImageBoxSide);
                    pixelWidth = true;
                }
                break;
            case HeightSy:
                if (a->Text.find('%') != std::string::npos) {
                    GivenHeight = std::clamp(a->Number, 1, 100);
                    HeightInPercent = true;
                } else {
                    GivenHeight = std::clamp(a->Number, 1, kMaxImageBoxSide);
                }
                break;
            case TypeSy: TypeName = a->Text; break;
            case HSpaceSy: hSpace = std::min(std::abs(a->Number), 40); break;
            case VSpaceSy: SpaceTop = SpaceBottom = std::min(std::abs(a->Number), 40); break;
            default: break;
        }
    }
    SpaceLeft = SpaceRight = hSpace >= 0 ? hSpace : IsFloating() ? 3 : 0;
    TWinControl* parent = Document && Document->Host ? Document->Host->PaintPanel() : nullptr;
    if (parent) {
        try {
            PanelWindow = new ThvPanel(nullptr);
            PanelWindow->SetBounds(-4000, -4000, pixelWidth ? GivenWidth : 30, 20);
            PanelWindow->SetBevelOuter(bvNone);
            PanelWindow->SetColor(clWhite);
            // The host fills the panel; the page's font is not the panel's.
            PanelWindow->SetParentFont(false);
            if (IsComponentName(PanelName)) PanelWindow->SetName(PanelName);
            PanelWindow->SetCaption("");
            PanelWindow->SetParent(parent);
        } catch (...) {
            TObject::Free(PanelWindow);
            PanelWindow = nullptr;
        }
    }
    // The host fills a window; without one (no paint panel) it is not asked.
    if (PanelWindow && Document && Document->OnPanelCreate)
        Document->OnPanelCreate(PanelName, TypeName, Src, PanelWindow);
    if (PanelWindow) {
        NaturalWidth = PanelWindow->Width();
        NaturalHeight = PanelWindow->Height();
    } else if (pixelWidth) {
        NaturalWidth = GivenWidth;
    }
    if (Document) Document->PanelItems.push_back(this);
}

TPanelObj::TPanelObj(TSectionList* document, const TPanelObj& source)
    : TFloatingObj(source),
      Document(document),
      NaturalWidth(source.NaturalWidth),
      NaturalHeight(source.NaturalHeight),
      PanelOfSource(source.PanelWindow),
      IsPrintCopy(true),
      Src(source.Src),
      TypeName(source.TypeName),
      PanelName(source.PanelName),
      PanelColor(source.PanelWindow ? source.PanelWindow->Color() : source.PanelColor),
      PanelVisible(source.PanelWindow ? source.PanelWindow->PanelShown : source.PanelVisible) {
    GivenWidth = source.GivenWidth;
    GivenHeight = source.GivenHeight;
    WidthInPercent = source.WidthInPercent;
    HeightInPercent = source.HeightInPercent;
    AltText = source.AltText;
    if (source.Document) PrintHandler = source.Document->OnPanelPrint;
}

TPanelObj::~TPanelObj() {
    if (Document) Document->ForgetImage(this);
    if (!IsPrintCopy && Document && Document->OnPanelDestroy) {
        try {
            Document->OnPanelDestroy(PanelWindow);
        } catch (...) {
        }
    }
    TObject::Free(PanelWindow);
}

TFloatingObj* TPanelObj::Clone(TSectionList* document) const { return new TPanelObj(document, *this); }

void TPanelObj::DrawLogic(TSectionList*, TCanvas*, TFontObj*, int AvailableWidth, int AvailableHeight) {
    auto mulDiv = [](int64_t a, int64_t b, int64_t c) {
        return c == 0 ? 0 : static_cast<int>(std::clamp<int64_t>(a * b / c, 0, kMaxImageBoxSide));
    };
    const int64_t w = NaturalWidth, h = NaturalHeight;
    int pw, ph;
    if (WidthInPercent) {
        pw = mulDiv(std::max(AvailableWidth, 0), GivenWidth, 100);
        ph = GivenHeight == 0 ? mulDiv(pw, h, w)
             : HeightInPercent ? mulDiv(std::max(AvailableHeight, 0), GivenHeight, 100)
                               : GivenHeight;
    } else if (HeightInPercent) {
        ph = mulDiv(std::max(AvailableHeight, 0), GivenHeight, 100);
        pw = GivenWidth > 0 ? GivenWidth : mulDiv(ph, w, h);
    } else if (GivenHeight > 0 && GivenWidth > 0) {
        ph = GivenHeight;
        pw = GivenWidth;
    } else if (GivenHeight > 0) {
        ph = GivenHeight;
        pw = mulDiv(GivenHeight, w, h);
    } else if (GivenWidth > 0) {
        pw = GivenWidth;
        ph = mulDiv(GivenWidth, h, w);
    } else {
        pw = static_cast<int>(w);
        ph = static_cast<int>(h);
    }
    BoxWidth = pw;
    BoxHeight = ph;
    if (PanelWindow && !IsPrintCopy && (PanelWindow->Width() != pw || PanelWindow->Height() != ph))
        PanelWindow->SetBounds(PanelWindow->Left(), PanelWindow->Top(), pw, ph);
}

void TPanelObj::Draw(TCanvas* Canvas, int X, int TopY, int YBaseline, TFontObj*) {
    const int scrollY = Document ? Document->ScrollY : 0;
    const int y = (Placement == ATop || IsFloating() ? TopY + SpaceTop : YBaseline - BoxHeight - SpaceBottom) - scrollY;
    PaintX = X;
    PaintY = y + scrollY;
    Painted = true;
    if (!IsPrintCopy) {
        // On screen the window shows itself; it moves only when it must.
        if (PanelWindow) {
            if (PanelWindow->Left() != X || PanelWindow->Top() != y) PanelWindow->SetBounds(X, y, BoxWidth, BoxHeight);
            PanelWindow->SetVisible(true);
        }
        return;
    }
    if (!PanelVisible || !Canvas) return;
    HDC dc = Canvas->Handle();
    if (PrintHandler && PanelOfSource) {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(std::max(BoxWidth, 1), std::max(BoxHeight, 1));
        const int oldW = PanelOfSource->Width(), oldH = PanelOfSource->Height();
        try {
            PanelOfSource->SetBounds(PanelOfSource->Left(), PanelOfSource->Top(), BoxWidth, BoxHeight);
            PrintHandler(PanelOfSource, &bitmap);
            PrintBitmap(Canvas, X, y, BoxWidth, BoxHeight, bitmap.Handle());
        } catch (...) {
        }
        PanelOfSource->SetBounds(PanelOfSource->Left(), PanelOfSource->Top(), oldW, oldH);
        return;
    }
    TBrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(PanelColor)) & 0xFFFFFF));
    HGDIOBJ oldBrush = SelectObject(dc, brush.get());
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, X, y, X + BoxWidth, y + BoxHeight);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    WrapText(Canvas, X + 15, y + 15, X + BoxWidth - 15, y + BoxHeight - 15, AnsiToWide(AltText));
}

void TPanelObj::HideWindow() {
    if (PanelWindow) PanelWindow->SetVisible(false);
}

#else

// Natively there are no pictures and no windows: images are placeholders.
TGIFImage* TImageObj::Gif() const { return nullptr; }
bool TImageObj::IsPlaceholderPicture() const { return true; }
bool TImageObj::IsErrorPicture() const { return false; }
void TImageObj::PictureSize(int& width, int& height) const { width = height = 0; }
void TImageObj::FetchPicture() {}
void TImageObj::ForgetImageLists() {}
void TImageObj::HoldPictureOf(const TImageObj&) {}
bool TImageObj::InsertImage(const std::string&, bool, bool& reformat) {
    reformat = false;
    return false;
}
void TImageObj::ReplaceImage(TStream*) {}
void TImageObj::SetHover(HoverType) {}
TBitmap* TImageObj::GetBitmap() { return nullptr; }
void TImageObj::SetAnimate(bool) {}
void TImageObj::CheckTime() {}
void TImageObj::Draw(TCanvas*, int X, int TopY, int, TFontObj*) {
    PaintX = X;
    PaintY = TopY + SpaceTop;
    Painted = true;
}
void TImageObj::DoDraw(TCanvas*, int, TBitmap*, TPersistent*, int) {}

TPanelObj::TPanelObj(TSectionList* document, TObject*, int position, TAttributeList*) : Document(document) {
    Pos = position;
    if (Document) Document->PanelItems.push_back(this);
}
TPanelObj::TPanelObj(TSectionList* document, const TPanelObj& source)
    : TFloatingObj(source), Document(document), IsPrintCopy(true) {}
TPanelObj::~TPanelObj() {
    if (Document) Document->ForgetImage(this);
}
TFloatingObj* TPanelObj::Clone(TSectionList* document) const { return new TPanelObj(document, *this); }
void TPanelObj::DrawLogic(TSectionList*, TCanvas*, TFontObj*, int, int) {
    BoxWidth = NaturalWidth;
    BoxHeight = NaturalHeight;
}
void TPanelObj::Draw(TCanvas*, int X, int TopY, int, TFontObj*) {
    PaintX = X;
    PaintY = TopY + SpaceTop;
}
void TPanelObj::HideWindow() {}

#endif
