// The framework's own controls: panels, splitters, images, labels, bevels and
// radio groups. Panels and radio groups are windows; the others have none and
// draw on their parent.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/stdctrls.h"

class TPicture;

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// Draws a 3D frame of `width` pixels just inside the rectangle and shrinks it
// by that much: the top and left edges in topColor, the others in bottomColor.
void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);

class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);

    TPanelBevel BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel value);
    TPanelBevel BevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    // A band of the panel's colour between the bevels; children stay inside it.
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    // Repaint the whole panel when it is resized (else only what is uncovered).
    bool FullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool value);

    TRect AlignRect() const override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void WndProc(TMessage& message) override;

private:
    TPanelBevel FBevelOuter = bvRaised;
    TPanelBevel FBevelInner = bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TAlignment FAlignment = taCenter;
    bool FFullRepaint = true;
};

// ---------------------------------------------------------------------------

enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
// The size the neighbour would take; clear Accept to refuse it.
using TCanResizeEvent = TEvent<int&, bool&>;

// A bar between aligned controls: dragging it resizes the control it touches
// on its aligned side (the one above an alTop splitter, left of an alLeft one).
class TSplitter : public TGraphicControl {
public:
    explicit TSplitter(TComponent* AOwner);
    ~TSplitter() override;

    // The least size of the neighbour, and of the space left on the other side.
    int MinSize = 30;
    TResizeStyle ResizeStyle = rsPattern;
    bool Beveled() const { return FBeveled; }
    void SetBeveled(bool value);

    TCanResizeEvent OnCanResize;
    TNotifyEvent OnMoved;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void BoundsChanged() override;
    virtual bool CanResize(int& newSize);

private:
    TControl* FindNeighbour() const;
    void CalcSplitSize(int x, int y, int& newSize, int& split) const;
    void UpdateNeighbourSize();
    void DrawLine();
    void ReleaseLineDC();
    void StopSizing();

    bool FBeveled = false;
    TControl* FControl = nullptr;  // the neighbour being resized, while dragging
    TPoint FDownPos;
    int FMaxSize = 0;
    int FOldSize = 0;
    int FNewSize = 0;
    int FSplit = 0;
    HWND FLineWnd = nullptr;
    HDC FLineDC = nullptr;
    void* FPrevBrush = nullptr;
    TBrushHandle FLineBrush;
    bool FLineVisible = false;
};

// ---------------------------------------------------------------------------

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* picture);
    // Scaled to the control's size.
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    // In the middle of the control (when not stretched).
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    // The picture's transparent parts show the parent.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    // The control takes the picture's size.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

protected:
    void Paint() override;

private:
    void PictureChanged();
    TRect DestRect() const;

    owned_ptr<TPicture> FPicture;
    bool FStretch = false;
    bool FCenter = false;
    bool FTransparent = false;
    bool FAutoSize = false;
};

// ---------------------------------------------------------------------------

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    // The label fits its caption (its width stays when it wraps words).
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout value);
    // '&' marks the accelerator letter ("&&" is one '&'); it focuses FocusControl.
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* control);

    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;
    void AdjustBounds();

private:
    unsigned DrawTextFlags() const;

    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    TTextLayout FLayout = tlTop;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

// ---------------------------------------------------------------------------

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* AOwner);

    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle value);

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

// ---------------------------------------------------------------------------

// A group box of radio buttons, one per item, laid out in Columns.
class TRadioGroup : public TGroupBox {
public:
    explicit TRadioGroup(TComponent* AOwner);
    ~TRadioGroup() override;

    // Changing the items re-makes the buttons.
    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* items);
    // -1: none. Checking a button (by the user or through here) fires OnClick.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int index);
    int Columns() const { return FColumns; }
    void SetColumns(int value);
    // The button of an item (for focus and enabling).
    TRadioButton* Buttons(int index) const { return FButtons.at(static_cast<size_t>(index)); }

protected:
    void BoundsChanged() override;
    void WndProc(TMessage& message) override;

private:
    void UpdateButtons();
    void ArrangeButtons();
    void ButtonClick(TObject* Sender);

    owned_ptr<TStringList> FItems;
    std::vector<TRadioButton*> FButtons;
    int FItemIndex = -1;
    int FColumns = 1;
    bool FUpdating = false;
};
