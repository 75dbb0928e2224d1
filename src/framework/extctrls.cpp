#include "framework/extctrls.h"

#include <algorithm>

#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/graphics.h"
#include "framework/picture.h"
#include "framework/win.h"

namespace {

int FontTextHeight(TFont* font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font->Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight;
}

// Draws (or measures, with DT_CALCRECT) text in a font straight through
// DrawTextW: the canvas has no call for wrapped or prefixed text.
void DrawTextInFont(HDC dc, TFont* font, TColor color, const std::wstring& text, RECT& r, unsigned flags) {
    HGDIOBJ oldFont = SelectObject(dc, font->Handle());
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(color)));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

// Where the text's ink ends when drawn from x = 0 in a box of `measured`'s
// height. A renderer may place glyphs by the advances of the bitmaps it draws,
// which can run past the measured extent (a pixel or two over a line), and a
// label clips what lies beyond its width.
LONG DrawnTextRight(HDC reference, TFont* font, const std::wstring& text, const RECT& measured, unsigned flags) {
    const int height = std::max<LONG>(1, measured.bottom);
    // Room for the drift and for the last glyph's overhang.
    const int width = measured.right + height + 8;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TBitmapHandle bitmap(CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    TMemoryDC dc(CreateCompatibleDC(reference));
    if (!bitmap || !dc || !bits) return measured.right;
    HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    std::fill_n(static_cast<uint32_t*>(bits), static_cast<size_t>(width) * height, 0xFFFFFFu);
    RECT box{0, 0, width, height};
    DrawTextInFont(dc.get(), font, clBlack, text, box, flags | DT_LEFT);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    LONG right = 0;
    for (int y = 0; y < height; ++y)
        for (int x = width - 1; x >= right; --x)
            if ((pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFFu) != 0xFFFFFFu) {
                right = x + 1;
                break;
            }
    SelectObject(dc.get(), old);
    return right;
}

// True while the component or one of its owners is being built (a form's
// layout runs with the form loading, before its new components are marked).
bool BeingLoaded(const TComponent* component) {
    for (; component; component = component->Owner())
        if (component->Loading()) return true;
    return false;
}

}  // namespace

void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width) {
    canvas->Pen()->SetWidth(1);
    --rect.Bottom;
    --rect.Right;
    while (width-- > 0) {
        canvas->Pen()->SetColor(topColor);
        canvas->Polyline({Point(rect.Left, rect.Bottom), Point(rect.Left, rect.Top), Point(rect.Right, rect.Top)});
        canvas->Pen()->SetColor(bottomColor);
        canvas->Polyline({Point(rect.Right, rect.Top), Point(rect.Right, rect.Bottom), Point(rect.Left - 1, rect.Bottom)});
        ++rect.Left;
        ++rect.Top;
        --rect.Right;
        --rect.Bottom;
    }
    ++rect.Bottom;
    ++rect.Right;
}

// ---------------------------------------------------------------------------
// TPanel

namespace {

void BevelColors(TPanelBevel bevel, TColor& top, TColor& bottom) {
    top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
    bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
}

}  // namespace

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    FWidth = 185;
    FHeight = 41;
    FParentColor = false;
    FColor = clBtnFace;
    FBrush->SetColor(FColor);
}

void TPanel::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    // The redraw-on-resize bits belong to the window class.
    if (FFullRepaint) {
        p.WinClassName = L"TPanel";
        p.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
    } else {
        p.WinClassName = L"TPanelPartialRepaint";
    }
}

TRect TPanel::AlignRect() const {
    TRect r = TCustomControl::AlignRect();
    int inset = FBorderWidth;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    r.Left += inset;
    r.Top += inset;
    r.Right = std::max(r.Left, r.Right - inset);
    r.Bottom = std::max(r.Top, r.Bottom - inset);
    return r;
}

void TPanel::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    TColor top, bottom;
    if (FBevelOuter != bvNone) {
        BevelColors(FBevelOuter, top, bottom);
        Frame3D(canvas, r, top, bottom, FBevelWidth);
    }
    Frame3D(canvas, r, FColor, FColor, FBorderWidth);
    if (FBevelInner != bvNone) {
        BevelColors(FBevelInner, top, bottom);
        Frame3D(canvas, r, top, bottom, FBevelWidth);
    }
    canvas->Brush()->SetColor(FColor);
    canvas->FillRect(r);
    std::string caption = Caption();
    if (caption.empty()) return;
    RECT text{r.Left, r.Top, r.Right, r.Bottom};
    unsigned align = FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    DrawTextInFont(canvas->Handle(), FFont.get(), FFont->Color(), AnsiToWide(caption), text,
                   DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER | align);
}

void TPanel::WndProc(TMessage& m) {
    TCustomControl::WndProc(m);
    if (m.Msg == CM_TEXTCHANGED) Invalidate();
}

void TPanel::SetBevelOuter(TPanelBevel value) {
    FBevelOuter = value;
    Realign();
    Invalidate();
}

void TPanel::SetBevelInner(TPanelBevel value) {
    FBevelInner = value;
    Realign();
    Invalidate();
}

void TPanel::SetBevelWidth(int value) {
    FBevelWidth = std::max(1, value);
    Realign();
    Invalidate();
}

void TPanel::SetBorderWidth(int value) {
    FBorderWidth = std::max(0, value);
    Realign();
    Invalidate();
}

void TPanel::SetAlignment(TAlignment value) {
    FAlignment = value;
    Invalidate();
}

void TPanel::SetFullRepaint(bool value) {
    if (value == FFullRepaint) return;
    FFullRepaint = value;
    RecreateWnd();
}

// ---------------------------------------------------------------------------
// TSplitter

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 3;
    FHeight = 100;
    FAlign = alLeft;
    FCursor = crHSplit;
}

TSplitter::~TSplitter() {
    ReleaseLineDC();
}

void TSplitter::BoundsChanged() {
    // The cursor follows the direction of the split unless the program chose another.
    if (FCursor == crHSplit || FCursor == crVSplit) FCursor = (FAlign == alTop || FAlign == alBottom) ? crVSplit : crHSplit;
}

void TSplitter::SetBeveled(bool value) {
    FBeveled = value;
    Invalidate();
}

void TSplitter::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    canvas->Brush()->SetColor(FColor);
    canvas->FillRect(r);
    if (!FBeveled) return;
    if (FAlign == alLeft || FAlign == alRight)
        r = Rect(r.Left + 1, r.Top - 2, r.Right - 1, r.Bottom + 2);
    else
        r = Rect(r.Left - 2, r.Top + 1, r.Right + 2, r.Bottom - 1);
    canvas->Brush()->SetColor(clBtnHighlight);
    canvas->FrameRect(Rect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1));
    canvas->Brush()->SetColor(clBtnShadow);
    canvas->FrameRect(Rect(r.Left - 1, r.Top - 1, r.Right - 1, r.Bottom - 1));
}

TControl* TSplitter::FindNeighbour() const {
    if (!FParent) return nullptr;
    // A point just outside the splitter on its aligned side.
    TPoint p{FLeft, FTop};
    switch (FAlign) {
    case alLeft: --p.X; break;
    case alRight: p.X += FWidth; break;
    case alTop: --p.Y; break;
    case alBottom: p.Y += FHeight; break;
    default: return nullptr;
    }
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        TControl* c = FParent->Controls(i);
        if (c == this || !c->Visible() || !c->Enabled()) continue;
        TRect r = c->BoundsRect();
        // A neighbour squeezed to nothing is still found.
        if (r.Width() == 0) (FAlign == alTop || FAlign == alLeft) ? --r.Left : ++r.Right;
        if (r.Height() == 0) (FAlign == alTop || FAlign == alLeft) ? --r.Top : ++r.Bottom;
        if (r.Contains(p)) return c;
    }
    return nullptr;
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || FControl) return;
    FControl = FindNeighbour();
    if (!FControl) return;
    FDownPos = {x, y};
    bool horizontal = FAlign == alLeft || FAlign == alRight;
    // The neighbour may take what the other aligned controls of this direction
    // leave, less MinSize for the control on the far side.
    TRect area = FParent->AlignRect();
    FMaxSize = (horizontal ? area.Width() : area.Height()) - MinSize;
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        TControl* c = FParent->Controls(i);
        if (!c->Visible()) continue;
        if (horizontal && (c->Align() == alLeft || c->Align() == alRight)) FMaxSize -= c->Width();
        if (!horizontal && (c->Align() == alTop || c->Align() == alBottom)) FMaxSize -= c->Height();
    }
    FOldSize = horizontal ? FControl->Width() : FControl->Height();
    FMaxSize += FOldSize;
    FNewSize = FOldSize;
    FSplit = 0;
    if (ResizeStyle == rsLine || ResizeStyle == rsPattern) {
        FLineWnd = FParent->Handle();
        FLineDC = GetDCEx(FLineWnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
        if (ResizeStyle == rsPattern) {
            // A half-tone brush: alternate pixels, the look of a moving bar.
            static const WORD kHalftone[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
            HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kHalftone);
            FLineBrush.reset(CreatePatternBrush(pattern));
            DeleteObject(pattern);
            FPrevBrush = SelectObject(FLineDC, FLineBrush.get());
        }
        DrawLine();
    }
}

void TSplitter::CalcSplitSize(int x, int y, int& newSize, int& split) const {
    bool horizontal = FAlign == alLeft || FAlign == alRight;
    split = horizontal ? x - FDownPos.X : y - FDownPos.Y;
    int size = 0;
    switch (FAlign) {
    case alLeft: size = FControl->Width() + split; break;
    case alRight: size = FControl->Width() - split; break;
    case alTop: size = FControl->Height() + split; break;
    case alBottom: size = FControl->Height() - split; break;
    default: break;
    }
    newSize = std::max(MinSize, std::min(size, FMaxSize));
    if (size != newSize) split += (FAlign == alRight || FAlign == alBottom) ? size - newSize : newSize - size;
}

bool TSplitter::CanResize(int& newSize) {
    bool accept = true;
    if (OnCanResize && EventsEnabled()) OnCanResize(this, newSize, accept);
    return accept;
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!FControl) return;
    if (!(shift & ssLeft)) {
        // The button went up where we did not see it (the capture was lost).
        if (FLineVisible) DrawLine();
        StopSizing();
        return;
    }
    int newSize, split;
    CalcSplitSize(x, y, newSize, split);
    if (!CanResize(newSize)) return;
    bool line = ResizeStyle == rsLine || ResizeStyle == rsPattern;
    if (line) DrawLine();
    FNewSize = newSize;
    FSplit = split;
    if (ResizeStyle == rsUpdate) UpdateNeighbourSize();
    if (line) DrawLine();
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && FControl) {
        if (FLineVisible) DrawLine();
        UpdateNeighbourSize();
        StopSizing();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
}

void TSplitter::UpdateNeighbourSize() {
    if (FNewSize == FOldSize || !FControl) return;
    switch (FAlign) {
    case alLeft:
        FControl->SetWidth(FNewSize);
        break;
    case alTop:
        FControl->SetHeight(FNewSize);
        break;
    case alRight:
        FControl->SetBounds(FControl->Left() + FControl->Width() - FNewSize, FControl->Top(), FNewSize,
                            FControl->Height());
        break;
    case alBottom:
        FControl->SetBounds(FControl->Left(), FControl->Top() + FControl->Height() - FNewSize, FControl->Width(),
                            FNewSize);
        break;
    default:
        break;
    }
    FOldSize = FNewSize;
    if (FParent) FParent->Update();
    if (OnMoved && EventsEnabled()) OnMoved(this);
}

void TSplitter::DrawLine() {
    if (!FLineDC) return;
    FLineVisible = !FLineVisible;
    int x = FLeft, y = FTop;
    if (FAlign == alLeft || FAlign == alRight)
        x += FSplit;
    else
        y += FSplit;
    PatBlt(FLineDC, x, y, FWidth, FHeight, PATINVERT);
}

void TSplitter::ReleaseLineDC() {
    if (!FLineDC) return;
    if (FPrevBrush) SelectObject(FLineDC, FPrevBrush);
    ReleaseDC(FLineWnd, FLineDC);
    FLineDC = nullptr;
    FPrevBrush = nullptr;
    FLineBrush.reset();
    FLineVisible = false;
}

void TSplitter::StopSizing() {
    ReleaseLineDC();
    FControl = nullptr;
}

// ---------------------------------------------------------------------------
// TImage

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(new TPicture) {
    FWidth = 105;
    FHeight = 105;
    FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() = default;

void TImage::SetPicture(TPicture* picture) {
    FPicture->Assign(picture);
}

void TImage::PictureChanged() {
    TGraphic* graphic = FPicture->Graphic();
    if (graphic && graphic->Transparent() != FTransparent) graphic->SetTransparent(FTransparent);
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(FLeft, FTop, FPicture->Width(), FPicture->Height());
    Invalidate();
}

TRect TImage::DestRect() const {
    if (FStretch) return ClientRect();
    int w = FPicture->Width(), h = FPicture->Height();
    if (FCenter) return Bounds((FWidth - w) / 2, (FHeight - h) / 2, w, h);
    return Bounds(0, 0, w, h);
}

void TImage::Paint() {
    TGraphic* graphic = FPicture->Graphic();
    if (!graphic || graphic->Empty()) return;
    Canvas()->StretchDraw(DestRect(), graphic);
}

void TImage::SetStretch(bool value) {
    FStretch = value;
    Invalidate();
}

void TImage::SetCenter(bool value) {
    FCenter = value;
    Invalidate();
}

void TImage::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    PictureChanged();
}

void TImage::SetAutoSize(bool value) {
    FAutoSize = value;
    if (value) PictureChanged();
}

// ---------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 65;
    FHeight = 17;
}

unsigned TLabel::DrawTextFlags() const {
    unsigned flags = DT_EXPANDTABS;
    if (FWordWrap) flags |= DT_WORDBREAK;
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    return flags;
}

void TLabel::Paint() {
    TCanvas* canvas = Canvas();
    TRect client = ClientRect();
    if (!FTransparent) {
        canvas->Brush()->SetColor(FColor);
        canvas->FillRect(client);
    }
    std::wstring text = AnsiToWide(Caption());
    if (text.empty()) return;
    HDC dc = canvas->Handle();
    unsigned flags = DrawTextFlags();
    flags |= FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    RECT r{client.Left, client.Top, client.Right, client.Bottom};
    if (FLayout != tlTop) {
        RECT measured = r;
        DrawTextInFont(dc, FFont.get(), FFont->Color(), text, measured, flags | DT_CALCRECT);
        int spare = client.Height() - (measured.bottom - measured.top);
        r.top += FLayout == tlBottom ? spare : spare / 2;
    }
    if (FEnabled) {
        DrawTextInFont(dc, FFont.get(), FFont->Color(), text, r, flags);
        return;
    }
    // Disabled text: etched, as the platform draws it.
    OffsetRect(&r, 1, 1);
    DrawTextInFont(dc, FFont.get(), clBtnHighlight, text, r, flags);
    OffsetRect(&r, -1, -1);
    DrawTextInFont(dc, FFont.get(), clBtnShadow, text, r, flags);
}

void TLabel::AdjustBounds() {
    if (!FAutoSize) return;
    std::wstring text = AnsiToWide(Caption());
    // An empty caption keeps one line of height.
    if (text.empty() || (FShowAccelChar && text == L"&")) text += L' ';
    RECT r{0, 0, FWidth, FHeight};
    HDC dc = GetDC(nullptr);
    DrawTextInFont(dc, FFont.get(), FFont->Color(), text, r, DrawTextFlags() | DT_CALCRECT);
    if (!FWordWrap) r.right = std::max<LONG>(r.right, DrawnTextRight(dc, FFont.get(), text, r, DrawTextFlags()));
    ReleaseDC(nullptr, dc);
    int left = FLeft;
    if (FAlignment == taRightJustify) left += FWidth - r.right;
    SetBounds(left, FTop, r.right, r.bottom);
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TLabel::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        AdjustBounds();
        Invalidate();
        break;
    case CM_DIALOGCHAR: {
        // wParam: the UTF-16 character typed with Alt.
        if (!FFocusControl || !FShowAccelChar || !FEnabled || !FFocusControl->CanFocus()) break;
        std::wstring text = AnsiToWide(Caption());
        for (size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != L'&') continue;
            if (text[i + 1] == L'&') {
                ++i;
                continue;
            }
            wchar_t a = text[i + 1], b = static_cast<wchar_t>(m.WParam);
            CharUpperBuffW(&a, 1);
            CharUpperBuffW(&b, 1);
            if (a == b) {
                FFocusControl->SetFocus();
                m.Result = 1;
                return;
            }
            break;
        }
        break;
    }
    default:
        break;
    }
    TGraphicControl::WndProc(m);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TLabel::SetAlignment(TAlignment value) {
    FAlignment = value;
    Invalidate();
}

void TLabel::SetAutoSize(bool value) {
    FAutoSize = value;
    AdjustBounds();
}

void TLabel::SetWordWrap(bool value) {
    FWordWrap = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetTransparent(bool value) {
    FTransparent = value;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout value) {
    FLayout = value;
    Invalidate();
}

void TLabel::SetShowAccelChar(bool value) {
    FShowAccelChar = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetFocusControl(TWinControl* control) {
    FFocusControl = control;
    if (control) FreeNotification(control);
}

// ---------------------------------------------------------------------------
// TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 50;
    FHeight = 50;
}

void TBevel::SetShape(TBevelShape value) {
    FShape = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    FStyle = value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* canvas = Canvas();
    TColor first = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    auto rect = [&](TRect r, TColor a, TColor b) {
        canvas->Pen()->SetColor(a);
        canvas->Polyline({Point(r.Left, r.Bottom), Point(r.Left, r.Top), Point(r.Right, r.Top)});
        canvas->Pen()->SetColor(b);
        canvas->Polyline({Point(r.Right, r.Top), Point(r.Right, r.Bottom), Point(r.Left, r.Bottom)});
    };
    auto line = [&](TColor c, int x1, int y1, int x2, int y2) {
        canvas->Pen()->SetColor(c);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    int w = FWidth, h = FHeight;
    canvas->Pen()->SetWidth(1);
    switch (FShape) {
    case bsBox:
        rect(Rect(0, 0, w - 1, h - 1), first, second);
        break;
    case bsFrame:
        rect(Rect(1, 1, w - 1, h - 1), second, second);
        rect(Rect(0, 0, w - 2, h - 2), first, first);
        break;
    case bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer:
        break;
    }
}

// ---------------------------------------------------------------------------
// TRadioGroup

TRadioGroup::TRadioGroup(TComponent* AOwner) : TGroupBox(AOwner), FItems(new TStringList) {
    FItems->OnChange = [this](TObject*) { UpdateButtons(); };
}

TRadioGroup::~TRadioGroup() = default;

void TRadioGroup::SetItems(TStrings* items) {
    FItems->Assign(items);
}

void TRadioGroup::UpdateButtons() {
    if (Destroying()) return;
    int count = FItems->Count();
    while (static_cast<int>(FButtons.size()) > count) {
        TRadioButton* button = FButtons.back();
        FButtons.pop_back();
        TObject::Free(button);
    }
    while (static_cast<int>(FButtons.size()) < count) {
        auto* button = new TRadioButton(this);
        button->SetEnabled(FEnabled);
        button->OnClick = [this](TObject* sender) { ButtonClick(sender); };
        button->SetParent(this);
        FButtons.push_back(button);
    }
    if (!BeingLoaded(this) && FItemIndex >= count) FItemIndex = -1;
    FUpdating = true;
    for (int i = 0; i < count; ++i) {
        FButtons[static_cast<size_t>(i)]->SetCaption(FItems->Get(i));
        FButtons[static_cast<size_t>(i)]->SetChecked(i == FItemIndex);
    }
    FUpdating = false;
    ArrangeButtons();
    Invalidate();
}

void TRadioGroup::ArrangeButtons() {
    if (FButtons.empty()) return;
    int count = static_cast<int>(FButtons.size());
    int columns = std::max(1, FColumns);
    int perColumn = (count + columns - 1) / columns;
    int buttonWidth = (FWidth - 10) / columns;
    int textHeight = FontTextHeight(FFont.get());
    int space = FHeight - textHeight - 5;
    int buttonHeight = space / perColumn;
    int topMargin = textHeight + 1 + (space % perColumn) / 2;
    for (int i = 0; i < count; ++i)
        FButtons[static_cast<size_t>(i)]->SetBounds((i / perColumn) * buttonWidth + 8,
                                                    (i % perColumn) * buttonHeight + topMargin, buttonWidth,
                                                    buttonHeight);
}

void TRadioGroup::ButtonClick(TObject* Sender) {
    if (FUpdating) return;
    auto it = std::find(FButtons.begin(), FButtons.end(), Sender);
    if (it == FButtons.end()) return;
    FItemIndex = static_cast<int>(it - FButtons.begin());
    Click();
}

void TRadioGroup::SetItemIndex(int index) {
    if (BeingLoaded(this)) {
        // The items may come after the index while a form is built.
        FItemIndex = index;
        UpdateButtons();
        return;
    }
    index = std::clamp(index, -1, FItems->Count() - 1);
    if (index == FItemIndex) return;
    if (FItemIndex >= 0 && FItemIndex < static_cast<int>(FButtons.size()))
        FButtons[static_cast<size_t>(FItemIndex)]->SetChecked(false);
    FItemIndex = index;
    // Checking the button reports the click (ButtonClick).
    if (index >= 0) FButtons[static_cast<size_t>(index)]->SetChecked(true);
}

void TRadioGroup::SetColumns(int value) {
    value = std::clamp(value, 1, 16);
    if (value == FColumns) return;
    FColumns = value;
    ArrangeButtons();
    Invalidate();
}

void TRadioGroup::BoundsChanged() {
    TGroupBox::BoundsChanged();
    ArrangeButtons();
}

void TRadioGroup::WndProc(TMessage& m) {
    TGroupBox::WndProc(m);
    switch (m.Msg) {
    case CM_FONTCHANGED:
        ArrangeButtons();
        break;
    case CM_ENABLEDCHANGED:
        for (TRadioButton* button : FButtons) button->SetEnabled(FEnabled);
        break;
    default:
        break;
    }
}
