// Controls: the visible components. A TWinControl owns a real window and
// forwards its messages to virtual handlers; a TGraphicControl has no window
// and is painted and given mouse messages by its parent. Standard window
// classes (EDIT, LISTBOX, ...) are superclassed, so Windows does their work.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/classes.h"
#include "framework/gdi_handles.h"
#include "framework/graphics_types.h"

class TCanvas;
class TFont;
class TBrush;
class TPopupMenu;
class TAction;
class TActionLink;
class TWinControl;
class TCustomForm;

struct TMessage {
    unsigned Msg = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

// Framework notifications between controls, in a private range of messages
// (0xB052 and 0xB053 are taken by the window-procedure hooks).
enum : unsigned {
    CM_BASE = 0xB000,
    CM_ACTIVATE = CM_BASE + 0,
    CM_DEACTIVATE = CM_BASE + 1,
    CM_DIALOGKEY = CM_BASE + 5,
    CM_DIALOGCHAR = CM_BASE + 6,
    CM_FOCUSCHANGED = CM_BASE + 7,
    CM_PARENTFONTCHANGED = CM_BASE + 8,
    CM_PARENTCOLORCHANGED = CM_BASE + 9,
    CM_COLORCHANGED = CM_BASE + 11,
    CM_FONTCHANGED = CM_BASE + 12,
    CM_CURSORCHANGED = CM_BASE + 13,
    CM_TEXTCHANGED = CM_BASE + 18,
    CM_MOUSEENTER = CM_BASE + 19,
    CM_MOUSELEAVE = CM_BASE + 20,
    CM_VISIBLECHANGED = CM_BASE + 22,
    CM_ENABLEDCHANGED = CM_BASE + 23,
    CM_SYSCOLORCHANGE = CM_BASE + 25,
    CM_SHOWINGCHANGED = CM_BASE + 28,
    CM_CONTROLLISTCHANGE = CM_BASE + 44,
    CM_CONTROLCHANGE = CM_BASE + 54,
    // Messages a parent reflects back to the child control they concern:
    // CN_BASE + the original message (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM,
    // WM_MEASUREITEM, WM_CTLCOLOR*, WM_HSCROLL, WM_VSCROLL).
    CN_BASE = 0xBC00,
    CN_DRAWITEM = CN_BASE + 0x002B,
    CN_MEASUREITEM = CN_BASE + 0x002C,
    CN_NOTIFY = CN_BASE + 0x004E,
    CN_KEYDOWN = CN_BASE + 0x0100,
    CN_CHAR = CN_BASE + 0x0102,
    CN_COMMAND = CN_BASE + 0x0111,
    CN_HSCROLL = CN_BASE + 0x0114,
    CN_VSCROLL = CN_BASE + 0x0115,
    CN_CTLCOLORMSGBOX = CN_BASE + 0x0132,
    CN_CTLCOLOREDIT = CN_BASE + 0x0133,
    CN_CTLCOLORLISTBOX = CN_BASE + 0x0134,
    CN_CTLCOLORBTN = CN_BASE + 0x0135,
    CN_CTLCOLORDLG = CN_BASE + 0x0136,
    CN_CTLCOLORSCROLLBAR = CN_BASE + 0x0137,
    CN_CTLCOLORSTATIC = CN_BASE + 0x0138,
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag : unsigned {
    ssShift = 1u << 0, ssAlt = 1u << 1, ssCtrl = 1u << 2,
    ssLeft = 1u << 3, ssRight = 1u << 4, ssMiddle = 1u << 5, ssDouble = 1u << 6,
};
using TShiftState = unsigned;
using TCursor = int;
enum : TCursor {
    crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
    crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
    crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
    crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21,
    crSizeAll = -22,
};

enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// (source, x, y, state, accept) and (source, x, y), in the target's client
// pixels; the source is the dragged control or the object its OnStartDrag gave.
using TDragOverEvent = TEvent<TObject*, int, int, TDragState, bool&>;
using TDragDropEvent = TEvent<TObject*, int, int>;
// (source): set it to what the targets should see as the source.
using TStartDragEvent = TEvent<TObject*&>;
// (target, x, y): the control that took the drop, or null with 0, 0.
using TEndDragEvent = TEvent<TObject*, int, int>;

using TMouseEvent = TEvent<TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TShiftState, int, int>;
using TKeyEvent = TEvent<uint16_t&, TShiftState>;
// The key as one code page 1251 byte; set it to 0 to swallow it.
using TKeyPressEvent = TEvent<char&>;

struct TSizeConstraints {
    int MinWidth = 0;
    int MinHeight = 0;
    int MaxWidth = 0;  // 0: no limit
    int MaxHeight = 0;
};

// The cursor handle for a cursor number: the standard ones for negative numbers,
// the ones registered with SetScreenCursor (the screen's cursor list) otherwise.
HICON ScreenCursor(TCursor cursor);
void SetScreenCursor(TCursor cursor, HICON handle);

// Shift state from the keyboard now (and the mouse buttons held).
TShiftState KeyboardShiftState();
TShiftState KeysToShiftState(uintptr_t keys);

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;
    void BeforeDestruction() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    virtual TRect ClientRect() const;
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int w);
    void SetClientHeight(int h);
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;
    // Where this control's client area starts in its parent's client coordinates.
    virtual TPoint ClientOrigin() const;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);
    TSizeConstraints Constraints;

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent visible.
    virtual bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool enabled);

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* font);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);

    // The window text or label caption, code page 1251.
    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& text) { SetText(text); }
    std::string Text() const { return GetText(); }
    void SetText(const std::string& text);

    std::string Hint;
    bool ShowHint = false;
    // Set while the control paints into a picture of what lies behind
    // another control, so it can leave out what shows only on screen.
    bool PaintingCopy = false;
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);
    int HelpContext = 0;
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu);
    // The action this control follows (its caption, state and click); null: none.
    TAction* Action() const;
    void SetAction(TAction* action);
    TActionLink* ActionLink() const { return FActionLink.get(); }

    // Sends a message to this control's handler (WindowProc).
    intptr_t Perform(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);
    // The message entry: WndProc unless replaced (window-procedure hooks chain here).
    std::function<void(TMessage&)> WindowProc;
    virtual void WndProc(TMessage& message);

    virtual void Invalidate();
    virtual void Repaint();
    virtual void Update();
    void BringToFront();
    void SendToBack();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;

    // Drag and drop between controls (drag_drop.cpp). With dmAutomatic a left
    // press starts a drag once the mouse has moved; with dmManual the control
    // calls BeginDrag itself. A drag runs modally until the button goes up
    // (a drop where the target accepts) or Escape cancels it.
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode mode) { FDragMode = mode; }
    TCursor DragCursor = crDrag;
    // Not immediate: the drag starts only when the mouse has moved
    // `threshold` pixels (-1: the system's drag distance).
    void BeginDrag(bool immediate, int threshold = -1);
    // Ends this control's drag: a drop on the target under the mouse when
    // `drop` and it accepts, otherwise a cancel.
    void EndDrag(bool drop);
    bool Dragging() const;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;
    // A drag passes over this control: accepts when OnDragOver is assigned
    // and leaves `accept` set.
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    virtual void DragDrop(TObject* source, int x, int y);

    // Palettes on displays of 256 colours or fewer (control_palette.cpp).
    // The palette this control draws with; null: it needs none.
    virtual HPALETTE GetPalette() { return nullptr; }
    // The system palette changed, or (foreground) the window may realise its
    // own: realises GetPalette in the control's window and repaints the
    // control when colours moved. True when the control has a palette.
    virtual bool PaletteChanged(bool foreground);

    // The form this control lies on, or nullptr.
    TCustomForm* GetParentForm() const;
    // Events do not fire while the owning form builds its layout.
    bool EventsEnabled() const;

    // OnClick, or the action's handler when the control has no OnClick.
    virtual void Click();
    virtual void DblClick();

protected:
    // The action's properties taken over; with checkDefaults (while loading)
    // only those the control still has at their defaults.
    virtual void ActionChange(TObject* sender, bool checkDefaults);
    virtual std::unique_ptr<TActionLink> CreateActionLink();
    // An action takes over the control's caption, state and click.
    void AssignTo(TPersistent* dest) override;
    virtual std::string GetText() const { return FText; }
    virtual void SetTextCore(const std::string& text);
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Resize();
    // Called after the control's bounds changed (before the parent realigns).
    virtual void BoundsChanged() {}
    // The font or colour changed (own or inherited).
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void DoStartDrag(TObject*& source);
    virtual void DoEndDrag(TObject* target, int x, int y);
    void RequestAlign();
    void Notification(TComponent* component, TOperation operation) override;

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clBtnFace;
    bool FParentColor = true;
    bool FParentFont = true;
    std::unique_ptr<TFont> FFont;
    std::string FText;
    TCursor FCursor = crDefault;
    TPopupMenu* FPopupMenu = nullptr;
    bool FMouseInside = false;
    std::unique_ptr<TActionLink> FActionLink;
    TDragMode FDragMode = dmManual;

private:
    friend class TWinControl;
    void FontObjectChanged();
    bool FUpdatingFont = false;
    // Set by TWinControl: the tab order counts windowed siblings, and a page
    // of thousands of form controls must not pay a type test for each.
    bool FWindowed = false;
};

// Creation parameters of a window, filled by CreateParams overrides.
struct TCreateParams {
    std::wstring Caption;
    uint32_t Style = 0;
    uint32_t ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    std::wstring WinClassName;
    uint32_t ClassStyle = 0;
    // A standard window class this control superclasses ("EDIT", "LISTBOX", ...).
    std::wstring BaseClassName;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;
    void BeforeDestruction() override;

    // Made on first need (with the parents' windows).
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    // Destroys the window (and the children's); it is made again on next need.
    void DestroyHandle();
    void RecreateWnd();
    // Finds the control that owns a window of ours.
    static TWinControl* FindControl(HWND wnd);

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(index); }
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    bool ContainsControl(const TControl* control) const;
    // The visible child control (graphic or windowed) at a client point.
    TControl* ControlAtPos(TPoint p, bool allowDisabled) const;

    void DisableAlign();
    void EnableAlign();
    void Realign();
    // Arranges the aligned children within AlignRect() (in creation order).
    virtual void AlignControls(TControl* control, TRect& rect);
    virtual TRect AlignRect() const { return ClientRect(); }

    TRect ClientRect() const override;
    bool Showing() const override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetParent(TWinControl* parent) override;
    void Invalidate() override;
    void Update() override;

    bool TabStop = false;
    int TabOrder() const;
    void SetTabOrder(int order);
    bool Focused() const;
    virtual bool CanFocus() const;
    virtual void SetFocus();
    TBrush* Brush() const { return FBrush.get(); }

    // A font the window shows instead of Font(), owned elsewhere (a shared
    // font cache that outlives the window); null: Font().
    HFONT SharedFont = nullptr;

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    void WndProc(TMessage& message) override;
    // This control's palette and then its children's, the last made first;
    // in the foreground only until one realises a palette.
    bool PaletteChanged(bool foreground) override;
    // The window class's own handling (the superclassed class or DefWindowProcW).
    void DefaultHandler(TMessage& message);
    // Sends the message to each child in turn until one answers non-zero.
    void Broadcast(TMessage& message);

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& params);
    // Called after the window exists (set fonts, fill items, ...).
    virtual void CreateHandleDone() {}
    virtual void DestroyWnd();
    // Called while the window still exists, before it is destroyed.
    virtual void DestroyingHandle() {}

    // Paint: TCustomControl draws itself; then the graphic children are drawn.
    virtual void PaintWindow(HDC dc);
    void PaintControls(HDC dc, TControl* first);
    virtual bool DoKeyDown(uint16_t& key, TShiftState shift);
    virtual bool DoKeyPress(char& key);
    virtual bool DoKeyUp(uint16_t& key, TShiftState shift);
    virtual void DoEnter();
    virtual void DoExit();
    void FontChanged() override;
    void ColorChanged() override;
    std::string GetText() const override;
    void SetTextCore(const std::string& text) override;
    void Loaded() override;
    void UpdateBounds();

    HWND FHandle = nullptr;
    std::vector<TControl*> FControls;
    std::unique_ptr<TBrush> FBrush;
    void* FDefWndProc = nullptr;

private:
    friend class TControl;
    friend intptr_t __stdcall FrameworkWndProc(HWND, unsigned, uintptr_t, intptr_t);
    void UpdateShowing();
    void RouteMouse(TMessage& message);
    void ReflectToChild(TMessage& message, HWND child);
    bool HandleKeyMessage(TMessage& message);
    void UpdateWindowFont();

    int FAlignLevel = 0;
    bool FRealignPending = false;
    bool FAligning = false;
    TControl* FMouseControl = nullptr;
    TControl* FCaptureControl = nullptr;
    TFontHandle FWindowFont;
    // The children with an Align other than alNone: most parents (a page's
    // thousands of form controls) have none, and realign at no cost.
    int FAlignedCount = 0;
    // Puts a new child window after its windowed siblings earlier in the list.
    void StackAfterEarlierSiblings();
};

// A control without a window, painted on its parent's canvas.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    void WndProc(TMessage& message) override;

protected:
    virtual void Paint() {}
    std::unique_ptr<TCanvas> FCanvas;
};

// A windowed control that paints itself on its own canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;
    std::unique_ptr<TCanvas> FCanvas;
};
