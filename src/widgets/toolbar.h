// The toolbar: a tool window that lays out its child controls (tool buttons,
// separators, any other control) in a line along its dock, or in wrapped
// lines when floating; and the separator control.
#pragma once

#include <memory>
#include <vector>

#include "widgets/tool_window.h"

class TToolbarSep;

// Margins of the controls inside a toolbar: [floating, docked].
constexpr int tbTopMargin[2] = {2, 0};
constexpr int tbBottomMargin[2] = {1, 0};
constexpr int tbLeftMargin[2] = {4, 0};
constexpr int tbRightMargin[2] = {4, 0};

struct TToolbarParams {
    bool OrderByPositionOnLoad = true;
    bool OrderByPositionWhileDesigning = true;
};

class TCustomToolbar : public TCustomToolWindow {
public:
    explicit TCustomToolbar(TComponent* AOwner);

    void GetBarSize(int& size, TDockType dockType) override;
    void GetMinimumSize(int& width, int& height) override;
    TPoint OrderControls(bool moveControls, TDockType previousDockType, TDock* dockingTo) override;
    bool ChildControlTransparent(TControl* control) override;
    TToolWindowParams GetParams() override { return {false, false, false}; }
    virtual TToolbarParams GetToolbarParams() { return {}; }
    void InitializeOrdering() override;
    // The client sizes a floating toolbar can take, one per way its controls wrap.
    virtual void BuildPotentialSizesList(std::vector<TPoint>& list);
    void ResizeBegin(TToolWindowSizeHandle handle) override;
    void ResizeTrack(TRect& rect, const TRect& startRect) override;
    void ResizeEnd(bool accepted) override;
    // The floating wrap width, as "FloatRightX".
    void ReadPositionData(TPositionReadIntProc readInt, const std::string& section, void* extra) override;
    void WritePositionData(TPositionWriteIntProc writeInt, const std::string& section, void* extra) override;

    int OrderedControlCount();
    TControl* OrderedControls(int index);
    // Both raise "Control '%s' is not a child of the toolbar" for a stranger.
    int GetOrderIndex(TControl* control);
    void SetOrderIndex(TControl* control, int index);
    int FloatingWidth() const { return FFloatingWidth; }
    void SetFloatingWidth(int value);
    // The first control shows on top/bottom docks and floating, the second
    // instead of it on left/right docks.
    void SetSlaveControl(TControl* topBottom, TControl* leftRight);

    void WndProc(TMessage& message) override;

protected:
    void Paint() override;

private:
    struct TSlavePair {
        TControl* TopBottom;
        TControl* LeftRight;
    };
    struct TLineSep {
        int Y;
        bool Blank;
    };
    void CleanOrderList();
    bool ControlVisibleFor(TControl* control, TDockType dockType) const;
    std::vector<TControl*> VisibleControlsInOrder(TDockType dockType);

    std::vector<TControl*> FOrderList;
    bool FOrderListDirty = false;
    std::vector<TSlavePair> FSlaves;
    std::vector<TLineSep> FLineSeparators;
    int FFloatingWidth = 0;
    struct TResizeData {
        TToolWindowSizeHandle Handle = twshRight;
        std::vector<TPoint> Sizes;  // window sizes, in the order of the dragged dimension
        int OriginalFloatingWidth = 0;
        int SnapDistance = 12;
        int NewFloatingWidth = 0;
        bool LastUnchanged = false;
        int LastWanted = 0;
        int LastDirection = 0;
    };
    std::unique_ptr<TResizeData> FResize;
};

class TToolbar : public TCustomToolbar {
public:
    using TCustomToolbar::TCustomToolbar;
};

class TToolbarSep : public TGraphicControl {
public:
    explicit TToolbarSep(TComponent* AOwner);
    bool Blank() const { return FBlank; }
    void SetBlank(bool value);
    int SizeHorz() const { return FSizeHorz; }
    void SetSizeHorz(int value);
    int SizeVert() const { return FSizeVert; }
    void SetSizeVert(int value);
    void SetParent(TWinControl* parent) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    bool FBlank = false;
    int FSizeHorz = 6;
    int FSizeVert = 6;
};
