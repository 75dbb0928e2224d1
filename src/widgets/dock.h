// The dock: a windowed strip along one edge of its form that holds tool
// windows (toolbars, the menu bar) in rows, keeps them from overlapping or
// running past its end, sizes itself to its rows and can tile a background
// picture behind itself and the bars on it.
#pragma once

#include <memory>
#include <vector>

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "framework/forms.h"

class TCustomToolWindow;

enum TDockPosition { dpTop, dpBottom, dpLeft, dpRight };
enum TDockType { dtNotDocked, dtTopBottom, dtLeftRight };
enum TDockBoundLinesValues { blTop, blBottom, blLeft, blRight };
using TDockBoundLines = unsigned;  // a set of (1u << TDockBoundLinesValues)
using TDockableTo = unsigned;      // a set of (1u << TDockPosition)

using TInsertRemoveEvent = TEvent<bool /*Inserting*/, TCustomToolWindow* /*Bar*/>;
using TRequestDockEvent = TEvent<TCustomToolWindow* /*Bar*/, bool& /*Accept*/>;

class TDock;
TDockType GetDockTypeOf(const TDock* dock);

class TDock : public TCustomControl {
public:
    explicit TDock(TComponent* AOwner);
    ~TDock() override;
    void BeforeDestruction() override;

    static constexpr const char* Version() { return "TDock 1.0"; }

    bool AllowDrag = true;  // set through SetAllowDrag once bars are on the dock
    void SetAllowDrag(bool value);
    TBitmap* Background() const { return FBackground.get(); }
    HPALETTE GetPalette() override { return FBackground->Palette(); }
    void SetBackground(TBitmap* bitmap) { FBackground->Assign(bitmap); }
    bool BackgroundOnToolbars() const { return FBackgroundOnToolbars; }
    void SetBackgroundOnToolbars(bool value);
    bool BackgroundTransparent() const { return FBackgroundTransparent; }
    void SetBackgroundTransparent(bool value);
    TDockBoundLines BoundLines() const { return FBoundLines; }
    void SetBoundLines(TDockBoundLines value);
    bool FixAlign() const { return FFixAlign; }
    void SetFixAlign(bool value);
    bool LimitToOneRow = false;
    TDockPosition Position() const { return FPosition; }
    void SetPosition(TDockPosition value);
    void SetParent(TWinControl* parent) override;

    TInsertRemoveEvent OnInsertRemoveBar;
    TRequestDockEvent OnRequestDock;

    int ToolbarCount() const { return static_cast<int>(FVisibleList.size()); }
    TCustomToolWindow* Toolbars(int index) const { return FVisibleList.at(static_cast<size_t>(index)); }
    void BeginUpdate() { ++FDisableArrange; }
    void EndUpdate();
    void ArrangeToolbars(bool clipPositions = false);

    // Rows.
    int GetHighestRow() const;
    int GetRowSize(int row, TCustomToolWindow* bar) const;
    int GetRowOf(int pos, bool& before) const;
    int GetDesignModeRowOf(int pos) const;
    int GetNumberOfToolbarsOnRow(int row, TCustomToolWindow* notThis) const;
    void RemoveBlankRows();
    void InsertRowBefore(int row);
    void ChangeWidthHeight(int newWidth, int newHeight);
    // The inner length along the dock (its size less the bound lines).
    int InnerLength() const;
    int NonClientWidth() const { return FNonClientWidth; }
    int NonClientHeight() const { return FNonClientHeight; }

    // Used by the tool windows.
    void ChangeDockList(bool insert, TCustomToolWindow* bar);
    void ToolbarVisibilityChanged(TCustomToolWindow* bar, bool forceRemove);
    bool HasVisibleToolbars() const;
    bool ToolbarVisibleOnDock(const TCustomToolWindow* bar) const;
    bool UsingBackground() const { return FBackground->Width() > 0 && FBackground->Height() > 0; }
    // Tiles the background from tileRect's top-left corner across tileRect,
    // clipped to clipRect and, when given, outside excludeRect.
    void DrawBackground(HDC dc, const TRect& clipRect, const TRect& tileRect, const TRect* excludeRect);
    void InvalidateBackgrounds();
    void BackgroundChanged();
    // The dock list, in row and position order after an arrange.
    const std::vector<TCustomToolWindow*>& DockList() const { return FDockList; }

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void AlignControls(TControl* control, TRect& rect) override;
    void Paint() override;

private:
    void BuildRowInfo();
    void DrawNCArea(HDC dc);
    static void PaintNCProc(HWND wnd, HDC dc, intptr_t appData);

    std::vector<TCustomToolWindow*> FDockList;
    std::vector<TCustomToolWindow*> FVisibleList;
    std::vector<int> FRowSizes;
    int FDisableArrange = 0;
    bool FArrangeNeeded = false;
    bool FClipPositions = false;
    std::unique_ptr<TBitmap> FBackground;
    std::unique_ptr<TBitmap> FBackgroundCache;
    bool FBackgroundOnToolbars = true;
    bool FBackgroundTransparent = false;
    TDockBoundLines FBoundLines = 0;
    bool FFixAlign = false;
    TDockPosition FPosition = dpTop;
    int FNonClientWidth = 0;
    int FNonClientHeight = 0;
};

// The small tool-style form that carries a floating tool window.
class TFloatingWindowParent : public TForm {
public:
    explicit TFloatingWindowParent(TComponent* AOwner);
    TCustomForm* ParentForm = nullptr;  // the form the tool window belongs to
    bool ShouldShow = false;
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
};
