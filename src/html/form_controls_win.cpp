// The windows of form controls on the viewer's paint panel, the values they
// hold, and the printed look of each control.
#include "html/form_controls.h"

#include <algorithm>

#include "html/html_parser.h"
#include "html/section_list.h"
#include "framework/small_heap.h"
#include "html/text_measure.h"

#ifdef _WIN32

#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/gdi_handles.h"
#include "framework/graphics.h"
#include "framework/stdctrls.h"
#include "framework/win.h"
#include "html/draw_helpers.h"
#include "html/image_cache.h"
#include "html/text_measure_gdi.h"

namespace {

// Check boxes and radio buttons let the arrow keys through to the form, and
// take a value without firing a click.
template <class Button>
class TFormButton : public Button {
public:
    using Button::Button;
    void SetQuietly(bool value) {
        this->FClicksDisabled = true;
        this->SetChecked(value);
        this->FClicksDisabled = false;
    }

protected:
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_GETDLGCODE) {
            m.Result = DLGC_WANTARROWS;
            return;
        }
        Button::WndProc(m);
    }
};

class TFormCheckBox : public TFormButton<TCheckBox> {
public:
    using TFormButton::TFormButton;
};

// A radio button of a named group: the form, not the parent, unchecks the
// rest of the group.
class TFormRadioButton : public TFormButton<TRadioButton> {
public:
    using TFormButton::TFormButton;
    std::string GroupName;
    void SetChecked(bool value) override {
        if (value == FChecked) return;
        FChecked = value;
        TabStop = value;
        if (FHandle) {
            SendMessageW(FHandle, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
            const LONG_PTR style = GetWindowLongPtrW(FHandle, GWL_STYLE);
            SetWindowLongPtrW(FHandle, GWL_STYLE,
                              value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP)));
        }
        if (value && !FClicksDisabled) Click();
    }
};

// The framework's windows hold code page 1251 text; a form's hold what the
// page has, set and read as UTF-16, and kept while a window is re-made.
template <class Base>
class TWideTextWindow : public Base {
public:
    using Base::Base;
    std::wstring WideText() const {
        if (!this->FHandle) return FWide;
        const int length = GetWindowTextLengthW(this->FHandle);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        text.resize(static_cast<size_t>(std::max(0, GetWindowTextW(this->FHandle, text.data(), length + 1))));
        return text;
    }
    void SetWideText(const std::wstring& text) {
        FWide = text;
        if (this->FHandle) SetWindowTextW(this->FHandle, text.c_str());
    }

protected:
    // The framework's text is this text in code page 1251, for hosts that
    // read or set it.
    std::string GetText() const override { return WideToAnsi(WideText()); }
    void SetTextCore(const std::string& text) override { SetWideText(AnsiToWide(text)); }
    void CreateHandleDone() override {
        Base::CreateHandleDone();
        SetWindowTextW(this->FHandle, FWide.c_str());
    }
    void DestroyingHandle() override {
        FWide = WideText();
        Base::DestroyingHandle();
    }

private:
    std::wstring FWide;
};

using TFormEdit = TWideTextWindow<TEdit>;
using TFormMemo = TWideTextWindow<TMemo>;
using TFormPushButton = TWideTextWindow<TButton>;

// The items of a list or combo box are the options' texts as the page has
// them: the framework fills the window in code page 1251, and an item with
// a character outside it is put in again as it is, keeping the selection.
template <class Base>
class TWideItemsWindow : public Base {
public:
    TWideItemsWindow(const std::vector<std::wstring>& texts, bool listBox)
        : Base(nullptr), FTexts(texts), FListBox(listBox) {}
    void ShowWideItems() {
        HWND w = this->FHandle;
        if (!w) return;
        const UINT count = FListBox ? LB_GETCOUNT : CB_GETCOUNT;
        const int n = std::min(static_cast<int>(SendMessageW(w, count, 0, 0)), static_cast<int>(FTexts.size()));
        bool any = false;
        for (int i = 0; i < n && !any; ++i) any = !InCodePage1251(FTexts[static_cast<size_t>(i)]);
        if (!any) return;
        const LRESULT current = SendMessageW(w, FListBox ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
        const LRESULT top = FListBox ? SendMessageW(w, LB_GETTOPINDEX, 0, 0) : 0;
        for (int i = 0; i < n; ++i) {
            const std::wstring& text = FTexts[static_cast<size_t>(i)];
            if (InCodePage1251(text)) continue;
            const auto index = static_cast<WPARAM>(i);
            const LRESULT data = SendMessageW(w, FListBox ? LB_GETITEMDATA : CB_GETITEMDATA, index, 0);
            const LRESULT selected = FListBox ? SendMessageW(w, LB_GETSEL, index, 0) : 0;
            SendMessageW(w, FListBox ? LB_DELETESTRING : CB_DELETESTRING, index, 0);
            SendMessageW(w, FListBox ? LB_INSERTSTRING : CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
            SendMessageW(w, FListBox ? LB_SETITEMDATA : CB_SETITEMDATA, index, data);
            if (selected > 0 && (GetWindowLongPtrW(w, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)))
                SendMessageW(w, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
        }
        if (current >= 0) SendMessageW(w, FListBox ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(current), 0);
        if (FListBox) SendMessageW(w, LB_SETTOPINDEX, static_cast<WPARAM>(std::max<LRESULT>(top, 0)), 0);
    }

protected:
    void CreateHandleDone() override {
        Base::CreateHandleDone();
        ShowWideItems();
    }

private:
    static bool InCodePage1251(const std::wstring& text) {
        char c;
        return std::all_of(text.begin(), text.end(), [&](wchar_t u) { return WideCharToAnsiChar(u, c); });
    }
    const std::vector<std::wstring>& FTexts;
    bool FListBox;
};

using TFormListBox = TWideItemsWindow<TListBox>;
using TFormComboBox = TWideItemsWindow<TComboBox>;

COLORREF Rgb(TColor c) { return static_cast<COLORREF>(ColorToRGB(c)) & 0xFFFFFF; }

// The font of `desc` from the shared cache of the canvas's measurer; null
// when that measurer has no platform fonts.
HFONT CachedFont(TCanvas* canvas, const TFontDesc& desc) {
    auto* table = canvas ? dynamic_cast<TTableMeasurer*>(&MeasurerFor(canvas)) : &ScreenMeasurer();
    return table ? PlatformFont(*table, table->Font(desc)) : nullptr;
}

int ScreenDotsPerInch() {
    HDC dc = GetDC(nullptr);
    const int ppi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return ppi;
}

}  // namespace

// What a control's window holds outside the heap, in the window manager and
// the standard control's own data (its text and items aside): an estimate,
// charged to the document while the window lives so that its budget weighs
// the controls with the rest of the page.
constexpr std::size_t kControlWindowBytes = 2048;

// Past this many windows, or past the document's budget, a page's further
// controls get none: under Wine each window costs a millisecond or more and
// the window manager gives out in the tens of thousands. Those controls still
// submit, reset and print, and the page carries the note that it is cut.
constexpr std::size_t kMaxControlWindows = 1000;

int ScrollBarWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

TFormControlObj::~TFormControlObj() {
    if (Document) {
        auto& all = Document->AllFormControls;
        if (auto it = std::find(all.begin(), all.end(), this); it != all.end()) all.erase(it);
    }
    if (Window) {
        gOutsideHeapBytes -= kControlWindowBytes;
        try {
            Window->SetParent(nullptr);
        } catch (...) {
        }
        TObject::Free(Window);
        Window = nullptr;
    }
}

TWinControl* TFormControlObj::Panel() const {
    return Document && Document->Host && !Document->PrintCopyFlag ? Document->Host->PaintPanel() : nullptr;
}

void TFormControlObj::AttachWindow(TWinControl* window, bool ownFont) {
    TWinControl* panel = Panel();
    if (panel && (Document->AllFormControls.size() > kMaxControlWindows ||
                  DocumentBytesInUse() > gDocumentMemoryBudget)) {
        ReaderResults().CutShort = true;
        panel = nullptr;
    }
    if (!panel) {
        TObject::Free(window);
        return;
    }
    try {
        window->SetBounds(kOffScreenLeft, 0, std::max(Width, 1), std::max(Height, 1));
        window->SetEnabled(!IsDisabled);
        if (ownFont) window->SharedFont = CachedFont(nullptr, Font);
        window->OnEnter = [this](TObject*) { EnterEvent(); };
        window->OnExit = [this](TObject*) { ExitEvent(); };
        if (!window->OnClick) window->OnClick = [this](TObject*) { FormControlClick(); };
        window->SetParent(panel);
        if (panel->HandleAllocated()) window->HandleNeeded();
        Window = window;
        gOutsideHeapBytes += kControlWindowBytes;
    } catch (...) {
        // Without a window the control still submits, resets and prints.
        try {
            window->SetParent(nullptr);
        } catch (...) {
        }
        TObject::Free(window);
        Window = nullptr;
    }
}

void TFormControlObj::SyncWindowSize() {
    if (!Window) return;
    if (Window->Width() != Width || Window->Height() != Height)
        Window->SetBounds(Window->Left(), Window->Top(), Width, Height);
}

void TFormControlObj::PlaceWindow(int x, int y) {
    IsPlaced = true;
    if (!Window) return;
    if (Window->Left() != x || Window->Top() != y || Window->Width() != Width || Window->Height() != Height)
        Window->SetBounds(x, y, Width, Height);
    if (!Window->Visible()) Window->SetVisible(true);
}

void TFormControlObj::ParkWindow() {
    if (Window && Window->Left() != kOffScreenLeft)
        Window->SetBounds(kOffScreenLeft, Window->Top(), Window->Width(), Window->Height());
}

void TFormControlObj::SetTabOrder(int order) {
    if (TWinControl* w = GetControl()) w->SetTabOrder(order);
}

void TFormControlObj::TakeFocus() {
    TWinControl* w = GetControl();
    if (w && w->CanFocus() && w->HandleAllocated()) ::SetFocus(w->Handle());
}

bool TFormControlObj::Monochrome(TCanvas*) const { return Document && Document->Printing && Document->PrintTextBlack; }

void TFormControlObj::DrawFrame(TCanvas* canvas, int X, int Y, bool raised) const {
    FormControlRect(canvas, X, Y, X + Width, Y + Height, raised, Monochrome(canvas), IsDisabled);
}

void TFormControlObj::DrawClippedText(TCanvas* canvas, int x, int y, int left, int top, int right, int bottom,
                                      const std::wstring& text, bool centreVertically) const {
    HDC dc = canvas->Handle();
    const int saved = SaveDC(dc);
    if (HFONT font = CachedFont(canvas, Font)) SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsDisabled ? Rgb(clGrayText) : 0);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    const std::wstring& w = text;
    if (centreVertically) {
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        y = top + (bottom - top - tm.tmHeight) / 2;
    }
    RECT clip{left, top, std::max(left, right), std::max(top, bottom)};
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &clip, w.c_str(), static_cast<UINT>(w.size()), nullptr);
    RestoreDC(dc, saved);
}

// ---- edit

void TEditFormControlObj::MakeWindow() {
    try {
        auto* edit = new TFormEdit(nullptr);
        edit->SetWideText(GetText());
        if (MaxLength > 0) edit->SetMaxLength(MaxLength);
        if (Password) edit->SetPasswordChar('*');
        edit->TabStop = true;
        edit->OnKeyPress = [this](TObject*, char& key) { KeyPress(key); };
        AttachWindow(edit);
    } catch (...) {
        Window = nullptr;
    }
}

std::wstring TEditFormControlObj::GetText() const {
    if (auto* edit = dynamic_cast<TFormEdit*>(Window)) return edit->WideText();
    return FText ? *FText : ShownValue();
}

void TEditFormControlObj::SetText(const std::wstring& text) {
    FText = MaxLength > 0 && static_cast<int>(text.size()) > MaxLength ? text.substr(0, static_cast<size_t>(MaxLength)) : text;
    if (auto* edit = dynamic_cast<TFormEdit*>(Window)) edit->SetWideText(*FText);
}

void TEditFormControlObj::ResetToValue() {
    FText.reset();
    if (auto* edit = dynamic_cast<TFormEdit*>(Window)) edit->SetWideText(ShownValue());
}

void TEditFormControlObj::Draw(TCanvas* canvas, int X, int Y) {
    if (!canvas) return;
    DrawFrame(canvas, X, Y, false);
    std::wstring text = GetText();
    if (Password) text.assign(text.size(), L'*');
    DrawClippedText(canvas, X + 4, Y, X + 4, Y, X + Width - 8, Y + Height, text, true);
}

// ---- button

void TButtonFormControlObj::MakeWindow() {
    try {
        auto* button = new TFormPushButton(nullptr);
        button->SetWideText(Caption());
        button->TabStop = true;
        button->OnClick = [this](TObject*) { ButtonClick(); };
        AttachWindow(button);
    } catch (...) {
        Window = nullptr;
    }
}

void TButtonFormControlObj::DrawLikeness(TCanvas* canvas, int X, int Y) {
    DrawFrame(canvas, X, Y, true);
    HDC dc = canvas->Handle();
    const int saved = SaveDC(dc);
    if (HFONT font = CachedFont(canvas, Font)) SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsDisabled ? Rgb(clGrayText) : 0);
    RECT r{X, Y, X + Width, Y + Height};
    const std::wstring w = Caption();
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    RestoreDC(dc, saved);
}

bool TButtonFormControlObj::PaintPrintImage() {
    if (!Window || !Window->HandleAllocated()) return false;
    const int w = Window->Width(), h = Window->Height();
    if (w <= 0 || h <= 0) return false;
    TScreenDC screen;
    TBitmapHandle image(CreateCompatibleBitmap(screen.get(), w, h));
    TMemoryDC dc(CreateCompatibleDC(screen.get()));
    if (!image || !dc) return false;
    HGDIOBJ old = SelectObject(dc.get(), image.get());
    SendMessageW(Window->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc.get()),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    SelectObject(dc.get(), old);
    PrintImage = std::move(image);
    return true;
}

void TButtonFormControlObj::Draw(TCanvas* canvas, int X, int Y) {
    if (!canvas) return;
    try {
        HDC dc = canvas->Handle();
        const bool oneBit = GetDeviceCaps(dc, BITSPIXEL) == 1 && GetDeviceCaps(dc, PLANES) == 1;
        if (Monochrome(canvas) && oneBit) {
            DrawLikeness(canvas, X, Y);
            return;
        }
        // Printed as the reader saw it on screen; without a window (a
        // document that has no viewer) the likeness stands in. A picture
        // of another size is of a window since resized (a new font size).
        BITMAP bm{};
        const bool current = PrintImage && GetObjectW(PrintImage.get(), sizeof bm, &bm) && Window &&
                             bm.bmWidth == Window->Width() && bm.bmHeight == Window->Height();
        if (!current && !PaintPrintImage()) {
            DrawLikeness(canvas, X, Y);
            return;
        }
        PrintBitmap(canvas, X, Y, Window->Width(), Window->Height(), PrintImage.get());
    } catch (...) {
    }
}

// ---- image button

void TImageFormControlObj::MakeWindow() {
    try {
        auto* button = new TButton(nullptr);
        button->TabStop = true;
        button->OnClick = [this](TObject*) { ImageClick(); };
        Width = Height = 1;
        AttachWindow(button, false);
    } catch (...) {
        Window = nullptr;
    }
}

// ---- check box and radio button

void TCheckBoxFormControlObj::MakeWindow() {
    try {
        auto* box = new TFormCheckBox(nullptr);
        box->SetQuietly(FChecked);
        box->TabStop = true;
        box->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState shift) { KeyDown(key, shift); };
        Width = Height = 13;
        AttachWindow(box, false);
    } catch (...) {
        Window = nullptr;
    }
}

bool TCheckBoxFormControlObj::Checked() const {
    if (auto* box = dynamic_cast<TCheckBox*>(Window)) return box->Checked();
    return FChecked;
}

void TCheckBoxFormControlObj::SetChecked(bool value) {
    FChecked = value;
    if (auto* box = dynamic_cast<TFormCheckBox*>(Window)) box->SetQuietly(value);
}

void TCheckBoxFormControlObj::Draw(TCanvas* canvas, int X, int Y) {
    if (!canvas) return;
    DrawFrame(canvas, X, Y, false);
    if (!Checked()) return;
    HDC dc = canvas->Handle();
    const int saved = SaveDC(dc);
    TPenHandle pen(CreatePen(PS_SOLID, 2, 0));
    SelectObject(dc, pen.get());
    const int m = Y + Height / 2;
    const POINT tick[3] = {{X + 3, m}, {X + 5, m + 2}, {X + 9, m - 2}};
    Polyline(dc, tick, 3);
    RestoreDC(dc, saved);
}

void TRadioButtonFormControlObj::MakeWindow() {
    try {
        auto* radio = new TFormRadioButton(nullptr);
        radio->GroupName = CtrlName;
        radio->SetQuietly(FChecked);
        radio->TabStop = FChecked;
        radio->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState shift) { KeyDown(key, shift); };
        radio->OnClick = [this](TObject*) { RadioClick(); };
        SetHeightWidth(nullptr);
        AttachWindow(radio, false);
    } catch (...) {
        Window = nullptr;
    }
}

void TRadioButtonFormControlObj::SetHeightWidth(TCanvas*) {
    static const int ppi = ScreenDotsPerInch();
    Width = ppi < 101 ? 13 : 16;
    Height = ppi < 101 ? 14 : 16;
}

bool TRadioButtonFormControlObj::Checked() const {
    if (auto* radio = dynamic_cast<TRadioButton*>(Window)) return radio->Checked();
    return FChecked;
}

void TRadioButtonFormControlObj::SetOwnState(bool value) {
    FChecked = value;
    if (auto* radio = dynamic_cast<TFormRadioButton*>(Window)) radio->SetQuietly(value);
}

void TRadioButtonFormControlObj::SetChecked(bool value) {
    SetOwnState(value);
    if (value && OwnerForm) OwnerForm->DoRadios(this);
}

bool TRadioButtonFormControlObj::TabStop() const { return Window ? Window->TabStop : Checked(); }

void TRadioButtonFormControlObj::Draw(TCanvas* canvas, int X, int Y) {
    if (!canvas) return;
    HDC dc = canvas->Handle();
    const int saved = SaveDC(dc);
    const bool mono = Monochrome(canvas);
    TBrushHandle fill(CreateSolidBrush(IsDisabled && !mono ? Rgb(clBtnFace) : RGB(255, 255, 255)));
    SelectObject(dc, fill.get());
    SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, X, Y, X + 14, Y + 14);
    TPenHandle upper(CreatePen(PS_SOLID, mono ? 1 : 2, mono ? 0 : Rgb(clBtnShadow)));
    SelectObject(dc, upper.get());
    Arc(dc, X, Y, X + 14, Y + 14, X + 14, Y, X, Y + 14);
    TPenHandle lower(CreatePen(PS_SOLID, 1, mono ? 0 : RGB(192, 192, 192)));
    SelectObject(dc, lower.get());
    Arc(dc, X, Y, X + 14, Y + 14, X, Y + 14, X + 14, Y);
    if (Checked()) {
        SelectObject(dc, GetStockObject(BLACK_BRUSH));
        SelectObject(dc, GetStockObject(BLACK_PEN));
        Ellipse(dc, X + 5, Y + 5, X + 9, Y + 9);
    }
    RestoreDC(dc, saved);
}

// ---- list and combo

void TListBoxFormControlObj::MakeWindow() {
    try {
        auto* list = new TFormListBox(Options.Texts, true);
        list->SetMultiSelect(Multiple);
        list->SetExtendedSelect(Multiple);
        list->TabStop = true;
        AttachWindow(list);
        if (Window) ResetToValue();
    } catch (...) {
        Window = nullptr;
    }
}

void TListBoxFormControlObj::RefillWindow() {
    FSelected.assign(static_cast<size_t>(Options.Count()), false);
    FItemIndex = -1;
    TStrings* items = nullptr;
    if (auto* list = dynamic_cast<TCustomListBox*>(Window)) items = list->Items();
    if (auto* combo = dynamic_cast<TCustomComboBox*>(Window)) items = combo->Items();
    if (!items) return;
    if (!Window->HandleAllocated()) {
        // Kept by the framework until the window is made, then put in at once.
        items->Clear();
        for (const std::wstring& t : Options.Texts) items->Add(WideToAnsi(t));
        return;
    }
    // The window takes its options as the page has them, with its drawing
    // held and its storage taken once for all of them, not grown and drawn
    // again for each.
    HWND w = Window->Handle();
    const bool list = dynamic_cast<TCustomListBox*>(Window) != nullptr;
    size_t bytes = 0;
    for (const std::wstring& t : Options.Texts) bytes += (t.size() + 1) * sizeof(wchar_t);
    SendMessageW(w, WM_SETREDRAW, FALSE, 0);
    SendMessageW(w, list ? LB_RESETCONTENT : CB_RESETCONTENT, 0, 0);
    SendMessageW(w, list ? LB_INITSTORAGE : CB_INITSTORAGE, Options.Texts.size(), static_cast<LPARAM>(bytes));
    for (const std::wstring& t : Options.Texts)
        SendMessageW(w, list ? LB_ADDSTRING : CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
    SendMessageW(w, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(w, nullptr, TRUE);
}

int TListBoxFormControlObj::ItemIndex() const {
    if (auto* list = dynamic_cast<TCustomListBox*>(Window)) return list->ItemIndex();
    if (auto* combo = dynamic_cast<TCustomComboBox*>(Window)) return combo->ItemIndex();
    return FItemIndex;
}

void TListBoxFormControlObj::SetItemIndex(int index) {
    if (index >= Options.Count()) index = -1;
    FItemIndex = index;
    if (!Multiple) {
        FSelected.assign(static_cast<size_t>(Options.Count()), false);
        if (index >= 0) FSelected[static_cast<size_t>(index)] = true;
    }
    if (auto* list = dynamic_cast<TCustomListBox*>(Window)) {
        list->SetItemIndex(index);
        list->SetTopIndex(0);
    }
    if (auto* combo = dynamic_cast<TCustomComboBox*>(Window)) combo->SetItemIndex(index);
}

bool TListBoxFormControlObj::IsSelected(int index) const {
    if (index < 0 || index >= Options.Count()) return false;
    if (auto* list = dynamic_cast<TCustomListBox*>(Window)) return list->Selected(index);
    if (dynamic_cast<TCustomComboBox*>(Window)) return ItemIndex() == index;
    return static_cast<size_t>(index) < FSelected.size() && FSelected[static_cast<size_t>(index)];
}

void TListBoxFormControlObj::SetSelectedItem(int index, bool value) {
    if (index < 0 || index >= Options.Count()) return;
    if (FSelected.size() != static_cast<size_t>(Options.Count())) FSelected.resize(static_cast<size_t>(Options.Count()));
    FSelected[static_cast<size_t>(index)] = value;
    if (auto* list = dynamic_cast<TCustomListBox*>(Window)) list->SetSelected(index, value);
}

void TListBoxFormControlObj::Draw(TCanvas* canvas, int X, int Y) {
    if (!canvas) return;
    DrawFrame(canvas, X, Y, false);
    TTextMeasurer& m = MeasurerFor(canvas);
    const int lineHeight = std::max(1, m.Metrics(m.Font(Font)).Height);
    int top = 0;
    if (auto* list = dynamic_cast<TCustomListBox*>(Window)) top = std::max(0, list->TopIndex());
    for (int i = top; i < Options.Count(); ++i) {
        const int y = Y + 4 + (i - top) * lineHeight;
        if (y >= Y + Height - 8) break;
        DrawClippedText(canvas, X + 4, y, X + 4, Y + 4, X + Width - 8, Y + Height - 8,
                        Options.Texts[static_cast<size_t>(i)], false);
    }
}

void TComboFormControlObj::MakeWindow() {
    try {
        auto* combo = new TFormComboBox(Options.Texts, false);
        combo->SetStyle(csDropDownList);
        combo->TabStop = true;
        AttachWindow(combo);
        if (Window) ResetToValue();
    } catch (...) {
        Window = nullptr;
    }
}

void TComboFormControlObj::Draw(TCanvas* canvas, int X, int Y) {
    if (!canvas) return;
    DrawFrame(canvas, X, Y, false);
    const int i = ItemIndex();
    if (i >= 0 && i < Options.Count())
        DrawClippedText(canvas, X + 4, Y + 4, X + 4, Y + 4, X + Width - 8, Y + Height - 3,
                        Options.Texts[static_cast<size_t>(i)], false);
}

// ---- text area

void TTextAreaFormControlObj::MakeWindow() {
    try {
        auto* memo = new TFormMemo(nullptr);
        memo->SetWordWrap(WrapMode != 0);
        memo->SetScrollBars(WrapMode == 0 ? ssBoth : ssVertical);
        memo->SetWideText(GetText());
        memo->TabStop = true;
        memo->OnKeyPress = [this](TObject*, char& key) { KeyPress(key); };
        AttachWindow(memo);
    } catch (...) {
        Window = nullptr;
    }
}

std::wstring TTextAreaFormControlObj::GetText() const {
    if (auto* memo = dynamic_cast<TFormMemo*>(Window)) return memo->WideText();
    return FText ? *FText : InitialText;
}

void TTextAreaFormControlObj::ResetToValue() {
    FText.reset();
    if (Window) SetText(InitialText);
}

void TTextAreaFormControlObj::SetText(const std::wstring& text) {
    FText = text;
    if (auto* memo = dynamic_cast<TFormMemo*>(Window)) {
        memo->SetWideText(text);
        if (memo->HandleAllocated()) {
            memo->SetSelStart(0);
            memo->SetSelLength(0);
        }
    }
}

bool TTextAreaFormControlObj::WindowLines(std::vector<std::wstring>& lines) const {
    auto* memo = dynamic_cast<TFormMemo*>(Window);
    if (!memo || !memo->HandleAllocated()) return false;
    HWND w = memo->Handle();
    const std::wstring text = memo->WideText();
    const auto count = SendMessageW(w, EM_GETLINECOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto start = SendMessageW(w, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
        if (start < 0 || static_cast<size_t>(start) > text.size()) break;
        const auto length = SendMessageW(w, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
        lines.push_back(text.substr(static_cast<size_t>(start), static_cast<size_t>(std::max<LRESULT>(length, 0))));
    }
    return true;
}

void TTextAreaFormControlObj::Draw(TCanvas* canvas, int X, int Y) {
    if (!canvas) return;
    DrawFrame(canvas, X, Y, false);
    TTextMeasurer& m = MeasurerFor(canvas);
    const int lineHeight = std::max(1, m.Metrics(m.Font(Font)).Height);
    const std::vector<std::wstring> lines = DisplayedLines();
    const int n = std::min(static_cast<int>(lines.size()), RowCount);
    for (int i = 0; i < n; ++i)
        DrawClippedText(canvas, X + 4, Y + 4 + i * lineHeight, X + 4, Y + 4, X + Width - 8, Y + Height - 8,
                        lines[static_cast<size_t>(i)], false);
}

#else

// Natively there are no windows: the controls keep their values themselves.
int ScrollBarWidth() { return 16; }

TFormControlObj::~TFormControlObj() {
    if (Document) {
        auto& all = Document->AllFormControls;
        if (auto it = std::find(all.begin(), all.end(), this); it != all.end()) all.erase(it);
    }
}
TWinControl* TFormControlObj::Panel() const { return nullptr; }
void TFormControlObj::AttachWindow(TWinControl*, bool) {}
void TFormControlObj::SyncWindowSize() {}
void TFormControlObj::PlaceWindow(int, int) { IsPlaced = true; }
void TFormControlObj::ParkWindow() {}
void TFormControlObj::TakeFocus() {}
void TFormControlObj::SetTabOrder(int) {}
bool TFormControlObj::Monochrome(TCanvas*) const { return false; }
void TFormControlObj::DrawFrame(TCanvas*, int, int, bool) const {}
void TFormControlObj::DrawClippedText(TCanvas*, int, int, int, int, int, int, const std::wstring&, bool) const {}

void TEditFormControlObj::MakeWindow() {}
std::wstring TEditFormControlObj::GetText() const { return FText ? *FText : ShownValue(); }
void TEditFormControlObj::ResetToValue() { FText.reset(); }
void TEditFormControlObj::SetText(const std::wstring& text) {
    FText = MaxLength > 0 && static_cast<int>(text.size()) > MaxLength ? text.substr(0, static_cast<size_t>(MaxLength)) : text;
}
void TEditFormControlObj::Draw(TCanvas*, int, int) {}
void TButtonFormControlObj::MakeWindow() {}
void TButtonFormControlObj::Draw(TCanvas*, int, int) {}
void TImageFormControlObj::MakeWindow() {}
void TCheckBoxFormControlObj::MakeWindow() {}
bool TCheckBoxFormControlObj::Checked() const { return FChecked; }
void TCheckBoxFormControlObj::SetChecked(bool value) { FChecked = value; }
void TCheckBoxFormControlObj::Draw(TCanvas*, int, int) {}
void TRadioButtonFormControlObj::MakeWindow() {}
void TRadioButtonFormControlObj::SetHeightWidth(TCanvas*) {
    Width = 13;
    Height = 14;
}
bool TRadioButtonFormControlObj::Checked() const { return FChecked; }
void TRadioButtonFormControlObj::SetOwnState(bool value) { FChecked = value; }
void TRadioButtonFormControlObj::SetChecked(bool value) {
    SetOwnState(value);
    if (value && OwnerForm) OwnerForm->DoRadios(this);
}
bool TRadioButtonFormControlObj::TabStop() const { return Checked(); }
void TRadioButtonFormControlObj::Draw(TCanvas*, int, int) {}
void TListBoxFormControlObj::MakeWindow() {}
void TListBoxFormControlObj::RefillWindow() {
    FSelected.assign(static_cast<size_t>(Options.Count()), false);
    FItemIndex = -1;
}
int TListBoxFormControlObj::ItemIndex() const { return FItemIndex; }
void TListBoxFormControlObj::SetItemIndex(int index) {
    if (index >= Options.Count()) index = -1;
    FItemIndex = index;
    if (!Multiple) {
        FSelected.assign(static_cast<size_t>(Options.Count()), false);
        if (index >= 0) FSelected[static_cast<size_t>(index)] = true;
    }
}
bool TListBoxFormControlObj::IsSelected(int index) const {
    return index >= 0 && static_cast<size_t>(index) < FSelected.size() && FSelected[static_cast<size_t>(index)];
}
void TListBoxFormControlObj::SetSelectedItem(int index, bool value) {
    if (index < 0 || index >= Options.Count()) return;
    if (FSelected.size() != static_cast<size_t>(Options.Count())) FSelected.resize(static_cast<size_t>(Options.Count()));
    FSelected[static_cast<size_t>(index)] = value;
}
void TListBoxFormControlObj::Draw(TCanvas*, int, int) {}
void TComboFormControlObj::MakeWindow() {}
void TComboFormControlObj::Draw(TCanvas*, int, int) {}
void TTextAreaFormControlObj::MakeWindow() {}
std::wstring TTextAreaFormControlObj::GetText() const { return FText ? *FText : InitialText; }
void TTextAreaFormControlObj::ResetToValue() { FText.reset(); }
void TTextAreaFormControlObj::SetText(const std::wstring& text) { FText = text; }
bool TTextAreaFormControlObj::WindowLines(std::vector<std::wstring>&) const { return false; }
void TTextAreaFormControlObj::Draw(TCanvas*, int, int) {}

#endif
