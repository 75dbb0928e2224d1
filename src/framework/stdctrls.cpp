#include "framework/stdctrls.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/graphics.h"
#include "framework/published_controls.h"
#include "framework/win.h"

#include <windowsx.h>

namespace {

const MSG* KeyMessageOf(const TMessage& m) {
    auto* msg = reinterpret_cast<const MSG*>(m.LParam);
    return msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) ? msg : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// TStandardControl

void TStandardControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONUP:
        // The window class reports the click through its notification, last:
        // a click handler may free the control.
        MouseUp(mbLeft, KeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        DefaultHandler(m);
        return;
    case WM_LBUTTONDBLCLK:
        MouseDown(mbLeft, KeysToShiftState(m.WParam) | ssDouble, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        DefaultHandler(m);
        return;
    default:
        TWinControl::WndProc(m);
    }
}

void TStandardControl::CreateHandleDone() {
    static unsigned nextId = 0;
    nextId = nextId % 0xFF00 + 1;
    SetWindowLongPtrW(FHandle, GWLP_ID, static_cast<LONG_PTR>(nextId + 0xFF));
}

// ---------------------------------------------------------------------------
// Buttons

TButtonControl::TButtonControl(TComponent* AOwner) : TStandardControl(AOwner) {
    TabStop = true;
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
    FWidth = 75;
    FHeight = 25;
}

void TButton::BeforeDestruction() {
    if (TCustomForm* form = GetParentForm()) {
        if (form->DefaultButton == this) form->DefaultButton = nullptr;
        if (form->CancelButton == this) form->CancelButton = nullptr;
    }
    TButtonControl::BeforeDestruction();
}

void TButton::CreateParams(TCreateParams& p) {
    TButtonControl::CreateParams(p);
    p.BaseClassName = L"BUTTON";
    p.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value) {
    if (value == FDefault) return;
    FDefault = value;
    SetDefaultLook(value || Focused());
    RegisterWithForm();
}

void TButton::SetCancel(bool value) {
    if (value == FCancel) return;
    FCancel = value;
    RegisterWithForm();
}

void TButton::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (TCustomForm* form = GetParentForm()) {
        if (form->DefaultButton == this) form->DefaultButton = nullptr;
        if (form->CancelButton == this) form->CancelButton = nullptr;
    }
    TButtonControl::SetParent(parent);
    RegisterWithForm();
}

void TButton::Loaded() {
    TButtonControl::Loaded();
    RegisterWithForm();
}

void TButton::RegisterWithForm() {
    TCustomForm* form = GetParentForm();
    if (!form) return;
    if (FDefault)
        form->DefaultButton = this;
    else if (form->DefaultButton == this)
        form->DefaultButton = nullptr;
    if (FCancel)
        form->CancelButton = this;
    else if (form->CancelButton == this)
        form->CancelButton = nullptr;
}

void TButton::SetDefaultLook(bool asDefault) {
    if (FHandle) SendMessageW(FHandle, BM_SETSTYLE, asDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm()) form->ModalResult = ModalResult;
    TButtonControl::Click();
}

void TButton::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        if (HIWORD(m.WParam) == BN_CLICKED) Click();
        return;
    case WM_GETDLGCODE: {
        // Enter presses the focused button, whichever is the default one.
        DefaultHandler(m);
        const MSG* msg = KeyMessageOf(m);
        if (msg && msg->wParam == VK_RETURN) m.Result |= DLGC_WANTALLKEYS;
        return;
    }
    case WM_KEYDOWN:
        if (m.WParam == VK_RETURN) {
            uint16_t key = VK_RETURN;
            if (!DoKeyDown(key, KeyboardShiftState())) Click();
            return;
        }
        break;
    case WM_CHAR:
        if (m.WParam == L'\r') return;
        break;
    case WM_SETFOCUS:
        // While a button has the focus it is the one Enter presses, and the
        // only one drawn as the default.
        TButtonControl::WndProc(m);
        if (auto* form = GetParentForm()) {
            auto* standing = dynamic_cast<TButton*>(form->DefaultButton);
            if (standing && standing != this) standing->SetDefaultLook(false);
        }
        SetDefaultLook(true);
        return;
    case WM_KILLFOCUS:
        TButtonControl::WndProc(m);
        SetDefaultLook(FDefault);
        if (auto* form = GetParentForm())
            if (auto* standing = dynamic_cast<TButton*>(form->DefaultButton)) standing->SetDefaultLook(true);
        return;
    default:
        break;
    }
    TButtonControl::WndProc(m);
}

TCheckBox::TCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
    FWidth = 97;
    FHeight = 17;
}

void TCheckBox::CreateParams(TCreateParams& p) {
    TButtonControl::CreateParams(p);
    p.BaseClassName = L"BUTTON";
    // Not an automatic box: the state is ours, so AllowGrayed decides the steps.
    p.Style |= BS_3STATE;
}

void TCheckBox::CreateHandleDone() {
    TButtonControl::CreateHandleDone();
    SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCheckBox::SetState(TCheckBoxState state) {
    if (state == FState) return;
    FState = state;
    if (FHandle) SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(state), 0);
    if (!FClicksDisabled) Click();
}

void TCheckBox::Toggle() {
    switch (FState) {
    case cbUnchecked:
        SetState(AllowGrayed ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    }
}

void TCheckBox::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND) {
        if (HIWORD(m.WParam) == BN_CLICKED) Toggle();
        return;
    }
    TButtonControl::WndProc(m);
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
    FWidth = 113;
    FHeight = 17;
    TabStop = false;
}

void TRadioButton::CreateParams(TCreateParams& p) {
    TButtonControl::CreateParams(p);
    p.BaseClassName = L"BUTTON";
    p.Style |= BS_RADIOBUTTON;
}

void TRadioButton::CreateHandleDone() {
    TButtonControl::CreateHandleDone();
    SendMessageW(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool value) {
    if (value == FChecked) return;
    FChecked = value;
    TabStop = value;
    if (FHandle) {
        SendMessageW(FHandle, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
        LONG_PTR style = GetWindowLongPtrW(FHandle, GWL_STYLE);
        SetWindowLongPtrW(FHandle, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP)));
    }
    if (!value) return;
    if (FParent)
        for (int i = 0; i < FParent->ControlCount(); ++i)
            if (auto* sibling = dynamic_cast<TRadioButton*>(FParent->Controls(i)); sibling && sibling != this)
                sibling->SetChecked(false);
    if (!FClicksDisabled) Click();
}

void TRadioButton::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND) {
        switch (HIWORD(m.WParam)) {
        case BN_CLICKED:
            SetChecked(true);
            break;
        case BN_DOUBLECLICKED:
            DblClick();
            break;
        default:
            break;
        }
        return;
    }
    TButtonControl::WndProc(m);
}

// ---------------------------------------------------------------------------
// TGroupBox

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

}  // namespace

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    FWidth = 185;
    FHeight = 105;
}

TRect TGroupBox::AlignRect() const {
    TRect r = ClientRect();
    r.Top += FontTextHeight(FFont.get());
    r.Left += 2;
    r.Top += 2;
    r.Right -= 2;
    r.Bottom -= 2;
    return r;
}

void TGroupBox::Paint() {
    TCanvas* canvas = Canvas();
    TRect client = ClientRect();
    canvas->FillRect(client);
    int textHeight = FontTextHeight(FFont.get());
    RECT frame{0, textHeight / 2 - 1, client.Right, client.Bottom};
    DrawEdge(canvas->Handle(), &frame, EDGE_ETCHED, BF_RECT);
    std::string caption = Caption();
    if (caption.empty()) return;
    if (!FEnabled) canvas->Font()->SetColor(clGrayText);
    canvas->Brush()->SetColor(FColor);
    canvas->TextOut(8, 0, caption);
}

void TGroupBox::WndProc(TMessage& m) {
    TCustomControl::WndProc(m);
    switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
        Invalidate();
        break;
    case CM_FONTCHANGED:
        Realign();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Edit boxes

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 121;
    FHeight = 21;
    TabStop = true;
    FParentColor = false;
    FColor = clWindow;
    FBrush->SetColor(FColor);
}

void TCustomEdit::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"EDIT";
    p.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (FReadOnly) p.Style |= ES_READONLY;
    if (FCharCase == ecUpperCase) p.Style |= ES_UPPERCASE;
    if (FCharCase == ecLowerCase) p.Style |= ES_LOWERCASE;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateHandleDone() {
    if (FMaxLength > 0) SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::DestroyingHandle() {
    // What was typed outlives the window (a new style needs a new window).
    FText = GetText();
}

void TCustomEdit::SetMaxLength(int value) {
    FMaxLength = std::max(0, value);
    if (FHandle) SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::SetReadOnly(bool value) {
    FReadOnly = value;
    if (FHandle) SendMessageW(FHandle, EM_SETREADONLY, value, 0);
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
    if (value == FCharCase) return;
    FCharCase = value;
    RecreateWnd();
}

bool TCustomEdit::Modified() const {
    return FHandle && SendMessageW(FHandle, EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SetModified(bool value) {
    if (FHandle) SendMessageW(FHandle, EM_SETMODIFY, value, 0);
}

int TCustomEdit::SelStart() const {
    if (!FHandle) return 0;
    DWORD start = 0, end = 0;
    SendMessageW(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int value) {
    if (FHandle) SendMessageW(FHandle, EM_SETSEL, static_cast<WPARAM>(value), value);
}

int TCustomEdit::SelLength() const {
    if (!FHandle) return 0;
    DWORD start = 0, end = 0;
    SendMessageW(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int value) {
    if (!FHandle) return;
    int start = SelStart();
    SendMessageW(FHandle, EM_SETSEL, static_cast<WPARAM>(start), start + value);
}

std::string TCustomEdit::SelText() const {
    if (!FHandle) return {};
    std::string text = GetText();
    size_t start = std::min(text.size(), static_cast<size_t>(SelStart()));
    return text.substr(start, static_cast<size_t>(std::max(0, SelLength())));
}

void TCustomEdit::SetSelText(const std::string& text) {
    if (FHandle) SendMessageW(FHandle, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(AnsiToWide(text).c_str()));
}

void TCustomEdit::SelectAll() {
    if (FHandle) SendMessageW(FHandle, EM_SETSEL, 0, -1);
}

void TCustomEdit::Change() {
    if (OnChange && EventsEnabled()) OnChange(this);
}

void TCustomEdit::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE: {
        // The form does the dialog keys itself. An edit box shown the key
        // message believes it sits in a dialog and acts on Enter, Tab and Esc
        // on its own (a multi-line one closes its parent on Esc).
        TMessage plain = m;
        plain.LParam = 0;
        DefaultHandler(plain);
        m.Result = plain.Result;
        return;
    }
    case CN_COMMAND:
        if (HIWORD(m.WParam) == EN_CHANGE) Change();
        return;
    case WM_SETFOCUS:
        TWinControl::WndProc(m);
        // Not when the focus comes with a click: that click places the caret.
        if (AutoSelect && FHandle && !(GetWindowLongPtrW(FHandle, GWL_STYLE) & ES_MULTILINE) &&
            GetKeyState(VK_LBUTTON) >= 0)
            SelectAll();
        return;
    default:
        TWinControl::WndProc(m);
    }
}

TEdit::TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TEdit::CreateParams(TCreateParams& p) {
    TCustomEdit::CreateParams(p);
    if (FPasswordChar) p.Style |= ES_PASSWORD;
}

void TEdit::CreateHandleDone() {
    TCustomEdit::CreateHandleDone();
    if (FPasswordChar) SetPasswordChar(FPasswordChar);
}

void TEdit::SetPasswordChar(char value) {
    FPasswordChar = value;
    if (!FHandle) return;
    wchar_t shown = value ? AnsiToWide(std::string(1, value))[0] : 0;
    SendMessageW(FHandle, EM_SETPASSWORDCHAR, shown, 0);
    Invalidate();
}

// ---------------------------------------------------------------------------
// TMemo and its lines

namespace {

// The memo's lines: the window's lines as shown while it exists, else the
// lines of the text the control keeps. Every line is followed by a line break
// once written through here, as the text of a string list is.
class TMemoLines : public TStrings {
public:
    explicit TMemoLines(TMemo* memo) : FMemo(memo) {}

    int Count() const override {
        HWND w = Window();
        if (!w) return Kept().Count();
        auto count = SendMessageW(w, EM_GETLINECOUNT, 0, 0);
        // The empty line after a final line break is no line of the list.
        if (count > 0 && LineLength(w, LineIndex(w, static_cast<int>(count - 1))) == 0) --count;
        return static_cast<int>(count);
    }

    std::string Get(int index) const override {
        HWND w = Window();
        if (!w) return Kept().Get(index);
        if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
        int length = LineLength(w, LineIndex(w, index));
        // EM_GETLINE reads the buffer size from the buffer's first unit.
        std::wstring line(static_cast<size_t>(std::max(length, 1)) + 1, L'\0');
        line[0] = static_cast<wchar_t>(line.size());
        auto copied = SendMessageW(w, EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
        return WideToAnsi(line);
    }

    void Put(int index, const std::string& s) override {
        HWND w = Window();
        if (!w) return Edit([&](TStringList& lines) { lines.Put(index, s); });
        if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
        int start = LineIndex(w, index);
        Replace(w, start, start + LineLength(w, start), s);
    }

    void Insert(int index, const std::string& s) override {
        HWND w = Window();
        if (!w) return Edit([&](TStringList& lines) { lines.Insert(index, s); });
        if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
        int start = LineIndex(w, index);
        if (start >= 0) {
            Replace(w, start, start, s + "\r\n");
            return;
        }
        // After a last line that has no line break.
        start = LineIndex(w, index - 1);
        if (start < 0) return;
        start += LineLength(w, start);
        Replace(w, start, start, "\r\n" + s);
    }

    void Delete(int index) override {
        HWND w = Window();
        if (!w) return Edit([&](TStringList& lines) { lines.Delete(index); });
        if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
        int start = LineIndex(w, index);
        int end = LineIndex(w, index + 1);
        if (end < 0) end = start + LineLength(w, start);
        Replace(w, start, end, "");
    }

    void Clear() override { FMemo->SetText(""); }

protected:
    void SetUpdateState(bool updating) override {
        HWND w = Window();
        if (!w) return;
        SendMessageW(w, WM_SETREDRAW, updating ? FALSE : TRUE, 0);
        if (!updating) InvalidateRect(w, nullptr, TRUE);
    }

private:
    HWND Window() const { return FMemo->HandleAllocated() ? FMemo->Handle() : nullptr; }
    static int LineIndex(HWND w, int line) {
        return static_cast<int>(SendMessageW(w, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
    }
    static int LineLength(HWND w, int charIndex) {
        return static_cast<int>(SendMessageW(w, EM_LINELENGTH, static_cast<WPARAM>(charIndex), 0));
    }
    static void Replace(HWND w, int start, int end, const std::string& s) {
        SendMessageW(w, EM_SETSEL, static_cast<WPARAM>(start), end);
        SendMessageW(w, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(AnsiToWide(s).c_str()));
    }
    const TStringList& Kept() const {
        FKept.SetText(FMemo->Text());
        return FKept;
    }
    template <class F>
    void Edit(F change) {
        Kept();
        change(FKept);
        FMemo->SetText(FKept.Text());
    }

    TMemo* FMemo;
    mutable TStringList FKept;
};

}  // namespace

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(new TMemoLines(this)) {
    FWidth = 185;
    FHeight = 89;
    AutoSelect = false;
}

TMemo::~TMemo() = default;

void TMemo::SetLines(TStrings* lines) {
    FLines->Assign(lines);
}

void TMemo::CreateParams(TCreateParams& p) {
    TCustomEdit::CreateParams(p);
    p.Style |= ES_MULTILINE;
    if (FWordWrap) p.Style &= ~static_cast<uint32_t>(ES_AUTOHSCROLL);
    if (FAlignment == taRightJustify) p.Style |= ES_RIGHT;
    if (FAlignment == taCenter) p.Style |= ES_CENTER;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) p.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) p.Style |= WS_HSCROLL;
}

void TMemo::SetWordWrap(bool value) {
    if (value == FWordWrap) return;
    FWordWrap = value;
    RecreateWnd();
}

void TMemo::SetScrollBars(TScrollStyle value) {
    if (value == FScrollBars) return;
    FScrollBars = value;
    RecreateWnd();
}

void TMemo::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    RecreateWnd();
}

void TMemo::WndProc(TMessage& m) {
    if (m.Msg == WM_CHAR && m.WParam == L'\r' && !WantReturns) return;
    if (m.Msg == WM_GETDLGCODE) {
        // A multi-line edit wants every key; Tab, Esc (and Enter unless
        // wanted) go back to the form's navigation and buttons.
        TCustomEdit::WndProc(m);
        if (const MSG* msg = KeyMessageOf(m)) {
            bool release = (msg->wParam == VK_TAB && !WantTabs) || msg->wParam == VK_ESCAPE ||
                           (msg->wParam == VK_RETURN && !WantReturns);
            if (release) m.Result &= ~static_cast<intptr_t>(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
        }
        return;
    }
    TCustomEdit::WndProc(m);
}

// ---------------------------------------------------------------------------
// TScrollBar

TScrollBar::TScrollBar(TComponent* AOwner) : TStandardControl(AOwner) {
    FWidth = 121;
    FHeight = GetSystemMetrics(SM_CYHSCROLL);
    TabStop = true;
}

void TScrollBar::CreateParams(TCreateParams& p) {
    TStandardControl::CreateParams(p);
    p.BaseClassName = L"SCROLLBAR";
    p.Style |= FKind == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateHandleDone() {
    TStandardControl::CreateHandleDone();
    PushToWindow();
}

void TScrollBar::PushToWindow() {
    if (!FHandle) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    info.nMin = FMin;
    info.nMax = FMax;
    info.nPage = static_cast<UINT>(FPageSize);
    info.nPos = FPosition;
    SetScrollInfo(FHandle, SB_CTL, &info, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind kind) {
    if (kind == FKind) return;
    FKind = kind;
    // A layout gives the bounds it wants; later the bar turns round.
    if (EventsEnabled()) SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TScrollBar::SetParams(int position, int min, int max) {
    if (max < min) throw EInvalidOperation("Scroll bar property out of range");
    // The platform's rule: the thumb's page must fit below Max.
    int last = std::max(min, max - std::max(FPageSize - 1, 0));
    position = std::clamp(position, min, last);
    bool changed = position != FPosition;
    FMin = min;
    FMax = max;
    FPosition = position;
    PushToWindow();
    if (changed) Change();
}

void TScrollBar::SetPageSize(int value) {
    value = std::clamp(value, 0, FMax - FMin + 1);
    if (value == FPageSize) return;
    FPageSize = value;
    SetParams(FPosition, FMin, FMax);
    PushToWindow();
}

void TScrollBar::Change() {
    if (OnChange && EventsEnabled()) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode code, int& position) {
    if (OnScroll && EventsEnabled()) OnScroll(this, code, position);
}

void TScrollBar::DoScroll(unsigned code) {
    int position = FPosition;
    TScrollCode scrollCode;
    switch (code) {
    case SB_LINEUP:
        scrollCode = scLineUp;
        position -= SmallChange;
        break;
    case SB_LINEDOWN:
        scrollCode = scLineDown;
        position += SmallChange;
        break;
    case SB_PAGEUP:
        scrollCode = scPageUp;
        position -= LargeChange;
        break;
    case SB_PAGEDOWN:
        scrollCode = scPageDown;
        position += LargeChange;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        scrollCode = code == SB_THUMBTRACK ? scTrack : scPosition;
        // The 32-bit track position, not the message's 16-bit one.
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(FHandle, SB_CTL, &info);
        position = info.nTrackPos;
        break;
    }
    case SB_TOP:
        scrollCode = scTop;
        position = FMin;
        break;
    case SB_BOTTOM:
        scrollCode = scBottom;
        position = FMax;
        break;
    case SB_ENDSCROLL:
        scrollCode = scEndScroll;
        break;
    default:
        return;
    }
    Scroll(scrollCode, position);
    SetPosition(position);
}

void TScrollBar::WndProc(TMessage& m) {
    if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
        DoScroll(LOWORD(m.WParam));
        m.Result = 0;
        return;
    }
    TStandardControl::WndProc(m);
}

// --- Published properties -------------------------------------------------------

namespace {

template <class T>
T* Cast(TObject* o) {
    return static_cast<T*>(o);
}

TPropInfo TextProp() {
    return TPropInfo::String(
        "Text", [](TObject* o) { return Cast<TControl>(o)->Text(); },
        [](TObject* o, const std::string& v) { Cast<TControl>(o)->SetText(v); });
}

TPropInfo CaptionProp() {
    return TPropInfo::String(
        "Caption", [](TObject* o) { return Cast<TControl>(o)->Caption(); },
        [](TObject* o, const std::string& v) { Cast<TControl>(o)->SetCaption(v); });
}

const TClassInfo kEditInfo{"TEdit", ControlClassInfo(), {TextProp()}};
const TClassInfo kMemoInfo{
    "TMemo", ControlClassInfo(), {TPropInfo::Object("Lines", [](TObject* o) -> TObject* { return Cast<TMemo>(o)->Lines(); })}};
const TClassInfo kComboBoxInfo{"TComboBox", ControlClassInfo(), {TextProp()}};
const TClassInfo kButtonInfo{"TButton", ControlClassInfo(), {CaptionProp()}};
const TClassInfo kCheckBoxInfo{"TCheckBox",
                               ControlClassInfo(),
                               {CaptionProp(), BooleanProp(
                                                   "Checked", [](TObject* o) { return Cast<TCheckBox>(o)->Checked(); },
                                                   [](TObject* o, bool v) { Cast<TCheckBox>(o)->SetChecked(v); })}};
const TClassInfo kRadioButtonInfo{
    "TRadioButton",
    ControlClassInfo(),
    {CaptionProp(), BooleanProp(
                        "Checked", [](TObject* o) { return Cast<TRadioButton>(o)->Checked(); },
                        [](TObject* o, bool v) { Cast<TRadioButton>(o)->SetChecked(v); })}};

const bool kPublished = [] {
    RegisterClassInfo(typeid(TEdit), &kEditInfo);
    RegisterClassInfo(typeid(TMemo), &kMemoInfo);
    RegisterClassInfo(typeid(TComboBox), &kComboBoxInfo);
    RegisterClassInfo(typeid(TButton), &kButtonInfo);
    RegisterClassInfo(typeid(TCheckBox), &kCheckBoxInfo);
    RegisterClassInfo(typeid(TRadioButton), &kRadioButtonInfo);
    return true;
}();

}  // namespace
