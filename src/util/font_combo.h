// Owner-drawn combo boxes: the installed font families with a glyph for
// TrueType and device fonts, and the sixteen standard colours with a swatch.
#pragma once

#include <memory>
#include <string>

#include "framework/bitmap.h"
#include "framework/dialogs.h"
#include "framework/stdctrls.h"
#include "framework/strings.h"


enum TOwnerDrawComboStyle { ocsDropDown, ocsSimple, ocsDropDownList };

// A combo box with fixed-height owner-drawn items whose height follows its font.
class TOwnerDrawComboBox : public TCustomComboBox {
public:
    explicit TOwnerDrawComboBox(TComponent* AOwner);

    TOwnerDrawComboStyle Style() const { return FComboStyle; }
    void SetStyle(TOwnerDrawComboStyle style);

protected:
    // The text height of the control's font + 1, at least 9.
    virtual int MinItemHeight();
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void SetTextCore(const std::string& text) override;
    bool HasEditField() const { return FComboStyle != ocsDropDownList; }

private:
    void ApplyItemHeight();

    TOwnerDrawComboStyle FComboStyle = ocsDropDownList;
};

enum TFontListOption : unsigned {
    foAnsiOnly = 1u << 0,
    foTrueTypeOnly = 1u << 1,
    foFixedPitchOnly = 1u << 2,
    foNoOEMFonts = 1u << 3,
    foOEMFontsOnly = 1u << 4,
    foScalableOnly = 1u << 5,
    foNoSymbolFonts = 1u << 6,
};
using TFontListOptions = unsigned;

// What the family enumeration tells about one family.
struct TFontFamilyRecord {
    unsigned FontType = 0;        // RASTER_FONTTYPE 1, DEVICE_FONTTYPE 2, TRUETYPE_FONTTYPE 4
    unsigned CharSet = 0;         // the platform's *_CHARSET value
    unsigned PitchAndFamily = 0;  // the LOGFONT byte
};

// Whether a family passes every option of the set.
bool FontPassesOptions(TFontListOptions options, const TFontFamilyRecord& record);
// An item's object value: the font type bits plus 0x100 unless the set is symbol.
constexpr unsigned kFontNotSymbol = 0x100;

class TFontComboBox : public TOwnerDrawComboBox {
public:
    // Raises EResNotFound when the program has no "TRUETYPE_FNT" or "DEVICE_FNT" bitmap.
    explicit TFontComboBox(TComponent* AOwner);
    ~TFontComboBox() override;

    TFontDevice Device() const { return FDevice; }
    void SetDevice(TFontDevice device);
    std::string GetFontName() const { return Text(); }
    void SetFontName(const std::string& name);
    TFontListOptions Options() const { return FOptions; }
    void SetOptions(TFontListOptions options);
    bool TrueTypeOnly() const { return (FOptions & foTrueTypeOnly) != 0; }
    void SetTrueTypeOnly(bool value);
    // Draw each name in its own font (never a symbol font).
    bool UseFonts() const { return FUseFonts; }
    void SetUseFonts(bool value);

    // Lists the families again, keeping the selected name where it is still listed.
    void Reset();
    virtual void PopulateList();

protected:
    void CreateWnd() override;
    void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
    int MinItemHeight() override;
    void Change() override;
    void Click() override;
    void WndProc(TMessage& message) override;
    virtual void DoChange();

private:
    void SelectName(const std::string& name);
    void Refill(const std::string& name);

    owned_ptr<TBitmap> FTrueTypeBitmap;
    owned_ptr<TBitmap> FDeviceBitmap;
    TFontDevice FDevice = fdScreen;
    TFontListOptions FOptions = 0;
    bool FUseFonts = false;
    bool FRefilling = false;
    // A hidden top-level window: the font-change broadcast reaches only those.
    void* FListener = nullptr;
};

class TColorComboBox : public TOwnerDrawComboBox {
public:
    explicit TColorComboBox(TComponent* AOwner);
    ~TColorComboBox() override;

    TColor GetColorValue();
    void SetColorValue(TColor color);
    // Non-empty entries replace the displayed names by position.
    TStrings* ColorNames() const { return FColorNames.get(); }
    void SetColorNames(TStrings* names);
    bool DisplayNames() const { return FDisplayNames; }
    void SetDisplayNames(bool value);
    virtual void PopulateList();

    // The sixteen colours in list order, and their standard names.
    static constexpr int kColorCount = 16;
    static TColor StandardColor(int index);
    static const char* StandardName(int index);

protected:
    void CreateWnd() override;
    void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
    void Click() override;

private:
    void Changed();

    TColor FColorValue = 0;
    owned_ptr<TStringList> FColorNames;
    bool FDisplayNames = true;
    bool FFilling = false;
};
