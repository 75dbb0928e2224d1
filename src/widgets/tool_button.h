// The flat push button of the toolbars: a windowless control showing a glyph
// strip (or an image of an image list), a caption and optionally a drop-down
// arrow that opens a popup menu. It can be flat (no frame until the mouse is
// over it), grouped (radio-like Down state) and auto-repeating, and it tracks
// the mouse entering and leaving with one timer shared by all buttons.
#pragma once

#include <memory>
#include <string>

#include "framework/actions.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "widgets/button_glyph.h"

class TTimer;

enum TButtonDisplayMode { dmBoth, dmGlyphOnly, dmTextOnly };
// (Sender, ShowMenu, RemoveClicks)
using TButtonDropdownEvent = TEvent<bool&, bool&>;

class TToolbarButton;

// Adds what a tool button shares with its action: Down as Checked, and the
// image index.
class TToolbarButtonActionLink : public TActionLink {
public:
    explicit TToolbarButtonActionLink(TToolbarButton* client);
    bool IsCheckedLinked() const override;
    bool IsImageIndexLinked() const override;
    void SetChecked(bool value) override;
    void SetImageIndex(int value) override;

private:
    TToolbarButton* FButton;
};

class TToolbarButton : public TGraphicControl {
public:
    explicit TToolbarButton(TComponent* AOwner);
    ~TToolbarButton() override;
    void BeforeDestruction() override;

    static constexpr const char* Version() { return "TToolbarButton 1.0"; }

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    bool Cancel = false;
    bool Default = false;
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value);
    TButtonDisplayMode DisplayMode() const { return FDisplayMode; }
    void SetDisplayMode(TButtonDisplayMode value);
    bool Down() const { return FDown; }
    void SetDown(bool value);
    bool DropdownAlways() const { return FDropdownAlways; }
    void SetDropdownAlways(bool value);
    bool DropdownArrow() const { return FDropdownArrow; }
    void SetDropdownArrow(bool value);
    int DropdownArrowWidth() const { return FDropdownArrowWidth; }
    void SetDropdownArrowWidth(int value);
    bool DropdownCombo() const { return FDropdownCombo; }
    void SetDropdownCombo(bool value);
    TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    virtual void SetDropdownMenu(TPopupMenu* menu);
    bool Flat() const { return FFlat; }
    void SetFlat(bool value);
    // The glyph strip; loading a picture straight into it keeps NumGlyphs.
    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* bitmap);
    TBitmap* GlyphMask() const { return FGlyph->GlyphMask(); }
    void SetGlyphMask(TBitmap* bitmap);
    bool HighlightWhenDown() const { return FHighlightWhenDown; }
    void SetHighlightWhenDown(bool value);
    int ImageIndex() const { return FGlyph->ImageIndex(); }
    void SetImageIndex(int value);
    TImageList* Images() const { return FGlyph->ImageList(); }
    void SetImages(TImageList* list);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return FMargin; }
    void SetMargin(int value);
    TModalResult ModalResult = mrNone;
    bool NoBorder() const { return FNoBorder; }
    void SetNoBorder(bool value);
    TToolNumGlyphs NumGlyphs() const { return FGlyph->NumGlyphs(); }
    void SetNumGlyphs(int value);
    bool OldDisabledStyle() const { return FGlyph->OldDisabledStyle(); }
    void SetOldDisabledStyle(bool value);
    bool Opaque() const { return FOpaque; }
    void SetOpaque(bool value);
    bool Repeating = false;
    int RepeatDelay = 400;
    int RepeatInterval = 100;
    bool ShowBorderWhenInactive = false;
    int Spacing() const { return FSpacing; }
    void SetSpacing(int value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool CallDormant() const { return FGlyph->CallDormant; }
    void SetCallDormant(bool value) { FGlyph->CallDormant = value; }

    TButtonDropdownEvent OnDropdown;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseExit;

    TToolButtonState State() const { return FState; }
    TButtonGlyph* ButtonGlyph() const { return FGlyph.get(); }
    HPALETTE GetPalette() override { return Glyph()->Palette(); }
    void Click() override;
    void WndProc(TMessage& message) override;

    // The button the mouse is over, of all buttons.
    static TToolbarButton* ButtonMouseInControl();

    // Whether the property is saved with the form: not while it follows the
    // action.
    bool IsCheckedStored() const;
    bool IsHelpContextStored() const;
    bool IsImageIndexStored() const;

protected:
    void ActionChange(TObject* sender, bool checkDefaults) override;
    std::unique_ptr<TActionLink> CreateActionLink() override;
    // An action also takes the button's Down as its Checked.
    void AssignTo(TPersistent* dest) override;
    void Paint() override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    virtual void MouseEntered();
    virtual void MouseLeft();
    // The button the mouse made hot, when another one, leaves its hot look.
    void CoolOtherHotButton();
    bool PointInButton(int x, int y) const;
    void Redraw(bool force);
    void GlyphChanged() { Redraw(true); }
    void UpdateExclusive();

private:
    friend struct TToolButtonShared;
    void RepeatTimerHandler(TObject* Sender);
    void ButtonMouseTimerHandler(TObject* Sender);
    void RemoveButtonMouseTimer();
    void FreeRepeatTimer();
    void RemovePendingClicks();
    void ShowDropdownMenu();
    void UpdateUsesDropdown();
    void PaintOn(TCanvas* canvas);

    TAlignment FAlignment = taCenter;
    bool FAllowAllUp = false;
    int FGroupIndex = 0;
    TButtonDisplayMode FDisplayMode = dmBoth;
    bool FDown = false;
    bool FDropdownAlways = false;
    bool FDropdownArrow = true;
    int FDropdownArrowWidth = 9;
    bool FDropdownCombo = false;
    TPopupMenu* FDropdownMenu = nullptr;
    bool FFlat = true;
    bool FHighlightWhenDown = true;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    bool FNoBorder = false;
    bool FOpaque = true;
    int FSpacing = 4;
    bool FWordWrap = false;

    TToolButtonState FState = bsUp;
    bool FMouseInControl = false;
    bool FMouseIsDown = false;
    bool FMenuIsDown = false;
    bool FInClick = false;
    bool FUsesDropdown = false;
    TTimer* FRepeatTimer = nullptr;
    bool FInRepeatTimer = false;
    bool FRepeatTimerDoomed = false;
    std::unique_ptr<TButtonGlyph> FGlyph;
};

// Registry of the flat-control classes: a test per class whether a control
// is an instance of it (or of a descendant).
using TFlatControlTest = bool (*)(const TControl* control);
template <class T>
bool IsFlatControlOf(const TControl* control) {
    return dynamic_cast<const T*>(control) != nullptr;
}
void RegisterFlatControlClass(TFlatControlTest test);
void UnregisterFlatControlClass(TFlatControlTest test);
bool ControlIsFlatControl(const TControl* control);

// Diagnostics for tests: whether the shared mouse-in timer exists.
bool ToolButtonMouseTimerExists();
