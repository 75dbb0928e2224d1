// The windowed bar that lives docked on a TDock or floating in its own small
// tool-style window above its form. It owns the bar's non-client area in both
// states and the notifications around changes of dock; derived classes lay
// out their controls through GetBarSize, GetMinimumSize and OrderControls.
// Dragging between docks and sizing a floating bar run as captured modal
// loops (tool_window_drag.cpp).
#pragma once

#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/forms.h"
#include "widgets/dock.h"

enum TToolWindowDockMode { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };
enum TDragHandleStyle { dhDouble, dhNone, dhSingle };
enum TToolWindowFloatingMode { fmOnTopOfParentForm, fmOnTopOfAllForms };
enum TToolWindowSizeHandle {
    twshLeft, twshRight, twshTop, twshTopLeft, twshTopRight, twshBottom, twshBottomLeft, twshBottomRight
};
enum : unsigned { twrdBorder = 1, twrdCaption = 2, twrdCloseButton = 4 };
using TToolWindowNCRedrawWhat = unsigned;
using TDockChangingExEvent = TEvent<TDock* /*DockingTo*/>;
using TToolWindowCloseQueryEvent = TEvent<bool& /*CanClose*/>;

// Kept as the shell's name for the dock mode.
using TDockMode = TToolWindowDockMode;

struct TToolWindowParams {
    bool InheritedAlign = true;
    bool CornerSizing = true;
    bool ClipCursorWhileSizing = true;
};

// Private messages a tool window posts to itself so that several
// invalidations of its frame paint once.
enum : unsigned { WM_PaintDockedNCArea = 6063, WM_PaintFloatingNCArea = 6064 };

class TCustomToolWindow : public TCustomControl {
public:
    explicit TCustomToolWindow(TComponent* AOwner);
    ~TCustomToolWindow() override;
    void BeforeDestruction() override;

    static constexpr const char* Version() { return "TToolWindow 1.0"; }

    bool ActivateParent = true;
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    bool CloseButton() const { return FCloseButton; }
    void SetCloseButton(bool value);
    bool CloseButtonWhenDocked() const { return FCloseButtonWhenDocked; }
    void SetCloseButtonWhenDocked(bool value);
    TDock* DefaultDock() const { return FDefaultDock; }
    void SetDefaultDock(TDock* dock);
    TDockableTo DockableTo = (1u << dpTop) | (1u << dpBottom) | (1u << dpLeft) | (1u << dpRight);
    TDock* DockedTo() const { return FDocked ? FDockedTo : nullptr; }
    void SetDockedTo(TDock* dock);
    TToolWindowDockMode DockMode = dmCanFloat;
    int DockPos() const { return FDockPos; }
    void SetDockPos(int value);
    int DockRow() const { return FDockRow; }
    void SetDockRow(int value);
    // For the dock's arrange: the values without a new arrange.
    void SetDockPosQuiet(int value) { FDockPos = value; }
    void SetDockRowQuiet(int value) { FDockRow = value; }
    TDragHandleStyle DragHandleStyle() const { return FDragHandleStyle; }
    void SetDragHandleStyle(TDragHandleStyle value);
    TToolWindowFloatingMode FloatingMode() const { return FFloatingMode; }
    // Re-evaluates whether a floating bar shows, and its topmost flag.
    void SetFloatingMode(TToolWindowFloatingMode value);
    bool FullSize = false;  // read at every arrange; SetFullSize arranges at once
    void SetFullSize(bool value);
    bool HideWhenInactive = true;
    TDock* LastDock() const { return FLastDock; }
    void SetLastDock(TDock* dock);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool value);
    bool UseLastDock() const { return FUseLastDock; }
    void SetUseLastDock(bool value);
    bool Resizable() const { return FResizable; }
    // A floating bar's window is made again with or without its sizing frame.
    void SetResizable(bool value);
    bool Docked() const { return FDocked; }
    bool Floating() const { return !FDocked && FFloatParent != nullptr; }
    // A floating bar shows by its own rules (GetShowingState), not by its
    // floating parent's visibility.
    bool Showing() const override;

    TNotifyEvent OnClose;
    TToolWindowCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDockChanged;
    TNotifyEvent OnDockChanging;
    TDockChangingExEvent OnDockChangingEx;
    TDockChangingExEvent OnDockChangingHidden;
    TNotifyEvent OnMove;
    TNotifyEvent OnRecreated;
    TNotifyEvent OnRecreating;
    TNotifyEvent OnVisibleChanged;

    void SetParent(TWinControl* parent) override;
    void SetBounds(int left, int top, int width, int height) override;

    // Layout.
    virtual void GetBarSize(int& size, TDockType dockType) = 0;
    virtual void GetMinimumSize(int& width, int& height) = 0;
    virtual TPoint OrderControls(bool moveControls, TDockType previousDockType, TDock* dockingTo) = 0;
    virtual void SizeChanging(int /*newWidth*/, int /*newHeight*/) {}
    virtual bool ChildControlTransparent(TControl*) { return false; }
    virtual TToolWindowParams GetParams() { return {}; }
    virtual void InitializeOrdering() {}
    // Sizing a floating bar from an edge (the interactive loop calls these).
    virtual void ResizeBegin(TToolWindowSizeHandle) {}
    virtual void ResizeTrack(TRect& /*rect*/, const TRect& /*startRect*/) {}
    virtual void ResizeEnd(bool /*accepted*/) {}
    void ArrangeControls();
    void BeginUpdate() { ++FDisableArrange; }
    void EndUpdate();
    int GetDockRowSize() const;
    // Arranging needs the bar's updating-bounds counter raised while the dock places it.
    int FUpdatingBounds = 0;

    // Non-client area.
    void CalculateNonClientSizes();
    // Left and top of the client inside the window (docked or floating).
    TPoint GetDockedNCArea() const;
    TPoint GetFloatingNCArea() const;
    TPoint GetFloatingBorderSize() const;
    int NonClientWidth() const { return FNonClientWidth; }
    int NonClientHeight() const { return FNonClientHeight; }
    void InvalidateDockedNCArea();
    void InvalidateFloatingNCArea(TToolWindowNCRedrawWhat what);
    void MoveOnScreen(bool onlyIfFullyOffscreen);
    void WndProc(TMessage& message) override;
    // The dock's background palette while docked on a dock with a background.
    HPALETTE GetPalette() override;
    bool PaletteChanged(bool foreground) override;

    // Showing: a floating bar shows only while its form does (and, with
    // HideWhenInactive, while the application is active).
    bool GetShowingState();
    void UpdateVisibility();
    void UpdateTopmostFlag();
    void SetInactiveCaption(bool value);
    bool InactiveCaption() const { return FInactiveCaption; }

    // Dragging and sizing. A press on a transparent child (a separator)
    // comes here in the bar's client coordinates.
    void BarMouseDown(TMouseButton button, TShiftState shift, int x, int y) { MouseDown(button, shift, x, y); }
    void BeginMoving(int initX, int initY);
    void BeginSizing(TToolWindowSizeHandle handle);
    // Forms besides the parent form whose docks a dragged bar may use.
    void AddDockForm(TCustomForm* form);
    void RemoveDockForm(TCustomForm* form);
    // Where the floating bar goes (kept while docked).
    TPoint FloatingTopLeft() const { return FFloatingTopLeft; }
    void SetFloatingTopLeft(TPoint p) { FFloatingTopLeft = p; }
    // Saved positions (the toolbar adds its floating wrap width).
    using TPositionReadIntProc = int (*)(const std::string& toolWindowName, const std::string& value, int def,
                                         void* extra);
    using TPositionWriteIntProc = void (*)(const std::string& toolWindowName, const std::string& value, int data,
                                           void* extra);
    virtual void ReadPositionData(TPositionReadIntProc, const std::string& /*section*/, void* /*extra*/) {}
    virtual void WritePositionData(TPositionWriteIntProc, const std::string& /*section*/, void* /*extra*/) {}
    virtual void DoneReadingPositionData() {}

protected:
    void CreateParams(TCreateParams& params) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void AlignControls(TControl* control, TRect& rect) override;
    void Paint() override;
    void CustomArrangeControls(TDockType previousDockType, TDock* dockingTo, bool resize);
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void DrawDockedNCArea(HDC dc);
    void DrawFloatingNCArea(HDC dc, TToolWindowNCRedrawWhat what);
    // The system's small caption (text, active look, gradient) into `rect`;
    // false when the system cannot draw one.
    bool DrawSystemCaption(HDC dc, const TRect& rect, bool gradient);
    // A caption of our own: the bar's text, cut with dots to fit, left of the
    // close button.
    void DrawOldStyleCaption(HDC dc, const TRect& caption, int closeSide);
    bool FArrangeNeeded = false;

private:
    bool UsesDockBackground() const;
    void UpdateFloatingList();
    int HandleThickness() const;
    static void PaintNCProc(HWND wnd, HDC dc, intptr_t appData);
    void RemovePendingNCMessages(unsigned message, TToolWindowNCRedrawWhat* what);
    void ShowingChanged();
    int HitTestFloating(int x, int y) const;
    TRect FloatingCloseButtonRect() const;
    TRect DockedCloseButtonRect() const;
    void RunCloseButtonLoop(bool docked);
    void DrawCloseButtonState(bool pushed, bool docked);
    int FloatingCaptionHeight() const;
    // Outer sizes the bar would take floating and on a dock, for a drag.
    TPoint FloatingWindowSize();
    TPoint DockedWindowSize(TDock* dock);
    std::vector<TDock*> CandidateDocks();
    static constexpr int kDockedFrameSize = 2;

    bool FDocked = false;
    TDock* FDockedTo = nullptr;
    TDock* FLastDock = nullptr;
    bool FUseLastDock = true;
    TFloatingWindowParent* FFloatParent = nullptr;
    TPoint FFloatingTopLeft{0, 0};
    TDockType FLastDockType = dtNotDocked;
    bool FLastDockTypeSet = false;
    int FNonClientWidth = 0;
    int FNonClientHeight = 0;
    int FDisableArrange = 0;
    int FHidden = 0;
    int FDisableMove = 0;
    TFormBorderStyle FBorderStyle = bsSingle;
    bool FCloseButton = true;
    TToolWindowFloatingMode FFloatingMode = fmOnTopOfParentForm;
    bool FShowCaption = true;
    bool FResizable = true;
    bool FCloseButtonWhenDocked = false;
    int FDockPos = -1;
    int FDockRow = 0;
    TDragHandleStyle FDragHandleStyle = dhDouble;
    bool FInactiveCaption = false;
    bool FCloseButtonDown = false;
    std::vector<TCustomForm*> FDockForms;
    TDock* FDefaultDock = nullptr;
};

// The outermost form among the bar's parents (for a floating bar, the form it
// belongs to); nullptr when there is none.
TCustomForm* GetToolWindowParentForm(TCustomToolWindow* bar);
// The same, raising "Control '%s' has no parent window" when there is none.
TCustomForm* ValidToolWindowParentForm(TCustomToolWindow* bar);
// Inverts the frame of thickness `newThickness` inside newRect and that of
// `oldThickness` inside oldRect with an 8 x 8 checkerboard, in one step, so
// that drawing the same frame again gives the pixels back. Either may be null.
void DrawDraggingOutline(HDC dc, const TRect* newRect, const TRect* oldRect, int newThickness, int oldThickness);
// A caption cut with "..." until it fits `width` on the DC (at least one
// character is kept before the dots).
std::wstring FitCaptionText(HDC dc, const std::wstring& caption, int width);
