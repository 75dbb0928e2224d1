#include "util/font_combo.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/graphics.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "util/winutils.h"

namespace {

constexpr unsigned kComboTypeBits = CBS_SIMPLE | CBS_DROPDOWN | CBS_DROPDOWNLIST;

TObject* AsObject(uintptr_t value) {
    return reinterpret_cast<TObject*>(value);
}

uintptr_t AsValue(TObject* object) {
    return reinterpret_cast<uintptr_t>(object);
}

// Draws an item's text from x, vertically centred, on one line, in the canvas's font.
void DrawItemText(TCanvas* canvas, const TRect& rect, int x, const std::string& text) {
    canvas->TextRect(Rect(x, rect.Top, rect.Right, rect.Bottom), x,
                     rect.Top + (rect.Height() - canvas->TextHeight(text)) / 2, text);
}

}  // namespace

// ---------------------------------------------------------------------------
// TOwnerDrawComboBox

TOwnerDrawComboBox::TOwnerDrawComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
    // The base class then measures and draws items through our overrides.
    FStyle = csOwnerDrawFixed;
}

void TOwnerDrawComboBox::SetStyle(TOwnerDrawComboStyle style) {
    if (style == FComboStyle) return;
    FComboStyle = style;
    RecreateWnd();
}

int TOwnerDrawComboBox::MinItemHeight() {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return std::max(9, static_cast<int>(metrics.tmHeight) + 1);
}

void TOwnerDrawComboBox::CreateParams(TCreateParams& p) {
    TCustomComboBox::CreateParams(p);
    p.Style &= ~static_cast<decltype(p.Style)>(kComboTypeBits | CBS_OWNERDRAWVARIABLE);
    static constexpr unsigned kTypeBits[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST};
    p.Style |= kTypeBits[FComboStyle] | CBS_OWNERDRAWFIXED;
}

void TOwnerDrawComboBox::CreateWnd() {
    // Set before the window exists, so the base class hands it over at creation.
    FItemHeight = MinItemHeight();
    TCustomComboBox::CreateWnd();
    ApplyItemHeight();
}

void TOwnerDrawComboBox::ApplyItemHeight() {
    FItemHeight = MinItemHeight();
    if (!HandleAllocated()) return;
    SendMessageW(FHandle, CB_SETITEMHEIGHT, 0, FItemHeight);
}

void TOwnerDrawComboBox::SetTextCore(const std::string& text) {
    if (!HasEditField()) {
        TCustomComboBox::SetTextCore(text);
        return;
    }
    // The base class keeps free text only for its own edit styles.
    FStyle = csDropDown;
    TCustomComboBox::SetTextCore(text);
    FStyle = csOwnerDrawFixed;
}

void TOwnerDrawComboBox::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND && HIWORD(m.WParam) == CBN_SELCHANGE && HasEditField()) {
        // The edit field shows the picked item only after this notification.
        int index = ItemIndex();
        if (index >= 0) SetWindowTextW(FHandle, AnsiToWide(Items()->Get(index)).c_str());
    }
    TCustomComboBox::WndProc(m);
    if (m.Msg == CM_FONTCHANGED) {
        FItemHeight = MinItemHeight();
        RecreateWnd();
    }
}

// ---------------------------------------------------------------------------
// TFontComboBox

bool FontPassesOptions(TFontListOptions options, const TFontFamilyRecord& r) {
    if ((options & foAnsiOnly) && r.CharSet != ANSI_CHARSET) return false;
    if ((options & foTrueTypeOnly) && !(r.FontType & TRUETYPE_FONTTYPE)) return false;
    if ((options & foFixedPitchOnly) && !(r.PitchAndFamily & FIXED_PITCH)) return false;
    if ((options & foOEMFontsOnly) && r.CharSet != OEM_CHARSET) return false;
    if ((options & foNoOEMFonts) && r.CharSet == OEM_CHARSET) return false;
    if ((options & foNoSymbolFonts) && r.CharSet == SYMBOL_CHARSET) return false;
    if ((options & foScalableOnly) && (r.FontType & RASTER_FONTTYPE)) return false;
    return true;
}

TFontComboBox::TFontComboBox(TComponent* AOwner) : TOwnerDrawComboBox(AOwner) {
    FTrueTypeBitmap.reset(MakeBitmap("TRUETYPE_FNT"));
    if (!FTrueTypeBitmap) ResourceNotFound("TRUETYPE_FNT");
    FDeviceBitmap.reset(MakeBitmap("DEVICE_FNT"));
    if (!FDeviceBitmap) ResourceNotFound("DEVICE_FNT");
    SetSorted(true);
    FListener = AllocateHWnd([this](unsigned message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        if (message == WM_FONTCHANGE) {
            Reset();
            return 0;
        }
        return DefWindowProcW(static_cast<HWND>(FListener), message, wParam, lParam);
    });
}

TFontComboBox::~TFontComboBox() {
    if (FListener) DeallocateHWnd(FListener);
}

void TFontComboBox::WndProc(TMessage& m) {
    if (m.Msg == WM_FONTCHANGE) {
        Reset();
        return;
    }
    TOwnerDrawComboBox::WndProc(m);
}

int TFontComboBox::MinItemHeight() {
    return std::max(TOwnerDrawComboBox::MinItemHeight(), FTrueTypeBitmap->Height() - 1);
}

namespace {

struct TFamilyEntry {
    std::string Name;
    uintptr_t Value;
};

// The families are gathered here and handed to the window once: asking the
// window whether each enumerated face is already listed cost a message and a
// platform comparison per listed item, which made the list quadratic in the
// number of installed fonts.
struct EnumState {
    TFontListOptions options;
    std::vector<TFamilyEntry> families;
    // Upper-cased names already taken: a family comes once per character set.
    std::unordered_set<std::string> seen;
};

int CALLBACK AddFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD fontType, LPARAM data) {
    auto* state = reinterpret_cast<EnumState*>(data);
    return CallGuarded(0, [&] {
        const std::string name = WideToAnsi(font->lfFaceName);
        TFontFamilyRecord record{fontType, font->lfCharSet, font->lfPitchAndFamily};
        if (name.empty() || !FontPassesOptions(state->options, record)) return 1;
        if (!state->seen.insert(AnsiUpperCase(name)).second) return 1;
        uintptr_t value = fontType & (DEVICE_FONTTYPE | TRUETYPE_FONTTYPE);
        if (font->lfCharSet != SYMBOL_CHARSET) value |= kFontNotSymbol;
        state->families.push_back({name, value});
        return 1;
    });
}

void AddFamilies(HDC dc, EnumState& state) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &lf, AddFamily, reinterpret_cast<LPARAM>(&state), 0);
}

}  // namespace

void TFontComboBox::PopulateList() {
    if (!HandleAllocated()) return;
    EnumState state{FOptions, {}, {}};
    if (FDevice == fdScreen || FDevice == fdBoth) {
        HDC dc = GetDC(nullptr);
        AddFamilies(dc, state);
        ReleaseDC(nullptr, dc);
    }
    if (FDevice == fdPrinter || FDevice == fdBoth) {
        try {
            if (HDC dc = Printer()->Handle()) AddFamilies(dc, state);
        } catch (const Exception&) {
            // No printer: the screen's families are all there is.
        }
    }
    Items()->BeginUpdate();
    Items()->Clear();
    for (const TFamilyEntry& family : state.families) Items()->AddObject(family.Name, AsObject(family.Value));
    Items()->EndUpdate();
}

void TFontComboBox::SelectName(const std::string& name) {
    int found = -1;
    for (int i = 0, n = Items()->Count(); i < n && found < 0; ++i)
        if (SameText(Items()->Get(i), name)) found = i;
    if (found >= 0)
        SetItemIndex(found);
    else if (HasEditField())
        SetText(name);
    else
        SetItemIndex(-1);
}

void TFontComboBox::Refill(const std::string& name) {
    FRefilling = true;
    try {
        PopulateList();
        SetItemIndex(-1);
        SelectName(name);
    } catch (...) {
        FRefilling = false;
        throw;
    }
    FRefilling = false;
    if (!SameText(GetFontName(), name)) DoChange();
}

void TFontComboBox::CreateWnd() {
    const std::string name = GetFontName();
    TOwnerDrawComboBox::CreateWnd();
    Refill(name);
}

void TFontComboBox::Reset() {
    if (HandleAllocated()) Refill(GetFontName());
}

void TFontComboBox::SetFontName(const std::string& name) {
    if (name == GetFontName()) return;
    if (Loading()) {
        SetText(name);
        return;
    }
    HandleNeeded();
    SelectName(name);
    DoChange();
}

void TFontComboBox::SetDevice(TFontDevice device) {
    if (device == FDevice) return;
    FDevice = device;
    Reset();
}

void TFontComboBox::SetOptions(TFontListOptions options) {
    if (options == FOptions) return;
    FOptions = options;
    Reset();
}

void TFontComboBox::SetTrueTypeOnly(bool value) {
    SetOptions(value ? FOptions | foTrueTypeOnly : FOptions & ~foTrueTypeOnly);
}

void TFontComboBox::SetUseFonts(bool value) {
    if (value == FUseFonts) return;
    FUseFonts = value;
    Invalidate();
}

void TFontComboBox::DoChange() {
    if (Loading() || FRefilling) return;
    if (OnChange && EventsEnabled()) OnChange(this);
}

void TFontComboBox::Change() {
    if (!HasEditField()) return;
    const int old = ItemIndex();
    const int index = Items()->IndexOf(Text());
    if (index >= 0 && index != old) SetItemIndex(index);
    if (index != old) DoChange();
}

void TFontComboBox::Click() {
    TOwnerDrawComboBox::Click();
    DoChange();
}

void TFontComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState) {
    TCanvas* canvas = Canvas();
    canvas->FillRect(rect);
    if (index < 0 || index >= Items()->Count()) return;
    const uintptr_t value = AsValue(Items()->GetObject(index));
    TBitmap* glyph = (value & TRUETYPE_FONTTYPE) ? FTrueTypeBitmap.get()
                     : (value & DEVICE_FONTTYPE) ? FDeviceBitmap.get()
                                                 : nullptr;
    int textLeft = rect.Left + 20 + 6;
    if (glyph) {
        DrawBitmapTransparent(canvas, rect.Left + 2, (rect.Top + rect.Bottom - glyph->Height()) / 2, glyph,
                              glyph->TransparentColor());
        textLeft = rect.Left + glyph->Width() + 6;
    }
    const std::string name = Items()->Get(index);
    if (FUseFonts && (value & kFontNotSymbol)) canvas->Font()->SetName(name);
    DrawItemText(canvas, rect, textLeft, name);
}

// ---------------------------------------------------------------------------
// TColorComboBox

namespace {

struct StandardColorEntry {
    TColor color;
    const char* name;
};

constexpr StandardColorEntry kStandardColors[TColorComboBox::kColorCount] = {
    {clBlack, "Black"},   {clMaroon, "Maroon"}, {clGreen, "Green"},   {clOlive, "Olive"},
    {clNavy, "Navy"},     {clPurple, "Purple"}, {clTeal, "Teal"},     {clGray, "Gray"},
    {clSilver, "Silver"}, {clRed, "Red"},       {clLime, "Lime"},     {clYellow, "Yellow"},
    {clBlue, "Blue"},     {clFuchsia, "Fuchsia"}, {clAqua, "Aqua"},   {clWhite, "White"},
};

// The name a colour is shown by when no item holds it: a standard or system
// colour's name, else its value in hexadecimal.
std::string ColorDisplayName(TColor color) {
    for (const auto& entry : kStandardColors)
        if (entry.color == color) return entry.name;
    return "$" + IntToHex(static_cast<uint32_t>(color), 8);
}

}  // namespace

TColor TColorComboBox::StandardColor(int index) {
    return kStandardColors[index].color;
}

const char* TColorComboBox::StandardName(int index) {
    return kStandardColors[index].name;
}

TColorComboBox::TColorComboBox(TComponent* AOwner)
    : TOwnerDrawComboBox(AOwner), FColorValue(clBlack), FColorNames(new TStringList) {}

TColorComboBox::~TColorComboBox() = default;

void TColorComboBox::PopulateList() {
    FFilling = true;
    Items()->BeginUpdate();
    Items()->Clear();
    for (int i = 0; i < kColorCount; ++i) {
        std::string name = i < FColorNames->Count() ? FColorNames->Get(i) : std::string();
        if (name.empty()) name = kStandardColors[i].name;
        Items()->AddObject(name, AsObject(static_cast<uint32_t>(kStandardColors[i].color)));
    }
    Items()->EndUpdate();
    FFilling = false;
}

void TColorComboBox::CreateWnd() {
    TOwnerDrawComboBox::CreateWnd();
    PopulateList();
    FFilling = true;
    SetColorValue(FColorValue);
    FFilling = false;
}

TColor TColorComboBox::GetColorValue() {
    const int index = ItemIndex();
    if (index >= 0) {
        FColorValue = static_cast<TColor>(static_cast<uint32_t>(AsValue(Items()->GetObject(index))));
    } else if (HasEditField()) {
        const std::string text = Trim(Text());
        bool named = false;
        for (int i = 0, n = Items()->Count(); i < n && !named; ++i)
            if (SameText(Items()->Get(i), text)) {
                FColorValue = static_cast<TColor>(static_cast<uint32_t>(AsValue(Items()->GetObject(i))));
                named = true;
            }
        int number = 0;
        if (!named && TryStrToInt(text, number)) FColorValue = number;
    }
    return FColorValue;
}

void TColorComboBox::SetColorValue(TColor color) {
    FColorValue = color;
    if (HandleAllocated()) {
        int found = -1;
        for (int i = 0, n = Items()->Count(); i < n && found < 0; ++i)
            if (static_cast<TColor>(static_cast<uint32_t>(AsValue(Items()->GetObject(i)))) == color) found = i;
        if (found >= 0)
            SetItemIndex(found);
        else if (HasEditField())
            SetText(ColorDisplayName(color));
        else
            SetItemIndex(-1);
    }
    Changed();
}

void TColorComboBox::SetColorNames(TStrings* names) {
    FColorNames->Assign(names);
    if (!HandleAllocated()) return;
    const TColor value = GetColorValue();
    RecreateWnd();
    FFilling = true;
    SetColorValue(value);
    FFilling = false;
}

void TColorComboBox::SetDisplayNames(bool value) {
    if (value == FDisplayNames) return;
    FDisplayNames = value;
    Invalidate();
}

void TColorComboBox::Changed() {
    if (FFilling || Loading()) return;
    if (OnChange && EventsEnabled()) OnChange(this);
}

void TColorComboBox::Click() {
    if (ItemIndex() >= 0) GetColorValue();
    TOwnerDrawComboBox::Click();
}

void TColorComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState) {
    TCanvas* canvas = Canvas();
    canvas->FillRect(rect);
    if (index < 0 || index >= Items()->Count()) return;
    TRect swatch = Rect(rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom - 2);
    swatch.Right = FDisplayNames ? swatch.Left + 24 : rect.Right - 3;
    const TColor saved = canvas->Brush()->Color();
    canvas->Pen()->SetColor(clWindowText);
    canvas->Brush()->SetColor(static_cast<TColor>(static_cast<uint32_t>(AsValue(Items()->GetObject(index)))));
    canvas->Rectangle(swatch);
    canvas->Brush()->SetColor(saved);
    if (FDisplayNames) DrawItemText(canvas, rect, rect.Left + 28, Items()->Get(index));
}
