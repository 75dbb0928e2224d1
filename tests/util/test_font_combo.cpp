#include "util/font_combo.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "framework/win.h"

namespace {

template <class Combo>
class TComboHost : public TForm {
public:
    explicit TComboHost(TOwnerDrawComboStyle style = ocsDropDownList) : TForm(nullptr) {
        BuildForm([&] {
            SetBounds(10, 10, 300, 200);
            Box = new Combo(this);
            Box->SetParent(this);
            Box->SetBounds(8, 8, 200, 24);
            Box->SetStyle(style);
            Box->OnChange = [this](TObject*) { ++Changes; };
        });
        Show();
        Application->ProcessMessages();
    }
    Combo* Box;
    int Changes = 0;
};

using FontHost = TComboHost<TFontComboBox>;
using ColorHost = TComboHost<TColorComboBox>;

struct FormDeleter {
    void operator()(TForm* form) const { TObject::Free(form); }
};
template <class Host>
using HostPtr = std::unique_ptr<Host, FormDeleter>;

int TextHeightOf(TFont* font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font->Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight;
}

uintptr_t ItemBits(TStrings* items, int index) {
    return reinterpret_cast<uintptr_t>(items->GetObject(index));
}

TEST(FontCombo, OptionFilterOnEnumerationRecords) {
    const TFontFamilyRecord trueTypeAnsi{TRUETYPE_FONTTYPE, ANSI_CHARSET, VARIABLE_PITCH};
    const TFontFamilyRecord rasterOem{RASTER_FONTTYPE, OEM_CHARSET, FIXED_PITCH};
    const TFontFamilyRecord deviceSymbol{DEVICE_FONTTYPE, SYMBOL_CHARSET, VARIABLE_PITCH};
    const TFontFamilyRecord trueTypeCyrillic{TRUETYPE_FONTTYPE, RUSSIAN_CHARSET, FIXED_PITCH};
    struct Case {
        TFontListOptions options;
        bool trueTypeAnsi, rasterOem, deviceSymbol, trueTypeCyrillic;
    } cases[] = {
        {0, true, true, true, true},
        {foAnsiOnly, true, false, false, false},
        {foTrueTypeOnly, true, false, false, true},
        {foFixedPitchOnly, false, true, false, true},
        {foNoOEMFonts, true, false, true, true},
        {foOEMFontsOnly, false, true, false, false},
        {foScalableOnly, true, false, true, true},
        {foNoSymbolFonts, true, true, false, true},
        {foTrueTypeOnly | foFixedPitchOnly, false, false, false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FontPassesOptions(c.options, trueTypeAnsi), c.trueTypeAnsi) << c.options;
        EXPECT_EQ(FontPassesOptions(c.options, rasterOem), c.rasterOem) << c.options;
        EXPECT_EQ(FontPassesOptions(c.options, deviceSymbol), c.deviceSymbol) << c.options;
        EXPECT_EQ(FontPassesOptions(c.options, trueTypeCyrillic), c.trueTypeCyrillic) << c.options;
    }
}

// Messages the window procedure of `target` is sent while `work` runs.
int MessagesTo(HWND target, const std::function<void()>& work) {
    static HWND watched;
    static int count;
    watched = target;
    count = 0;
    HHOOK hook = SetWindowsHookExW(
        WH_CALLWNDPROC,
        [](int code, WPARAM w, LPARAM l) -> LRESULT {
            if (code == HC_ACTION && reinterpret_cast<CWPSTRUCT*>(l)->hwnd == watched) ++count;
            return CallNextHookEx(nullptr, code, w, l);
        },
        nullptr, GetCurrentThreadId());
    work();
    UnhookWindowsHookEx(hook);
    return count;
}

TEST(FontCombo, ListsFamiliesSortedWithTypeBits) {
    HostPtr<FontHost> host(new FontHost);
    TStrings* items = host->Box->Items();
    ASSERT_GT(items->Count(), 0);
    // Each family once, however many character sets it has.
    for (int i = 1; i < items->Count(); ++i) EXPECT_LT(AnsiCompareText(items->Get(i - 1), items->Get(i)), 0);
    // Filling costs the window a few messages per family, not a look through
    // the whole list for every face the system enumerates.
    const int messages = MessagesTo(host->Box->Handle(), [&] { host->Box->Reset(); });
    EXPECT_LE(messages, 8 * items->Count() + 20) << items->Count() << " families";
    for (int i = 0; i < items->Count(); ++i) EXPECT_EQ(ItemBits(items, i) & ~uintptr_t(0x106), 0u);

    host->Box->SetTrueTypeOnly(true);
    ASSERT_GT(items->Count(), 0);
    for (int i = 0; i < items->Count(); ++i) EXPECT_TRUE(ItemBits(items, i) & TRUETYPE_FONTTYPE) << items->Get(i);
}

TEST(FontCombo, FamilyInOtherLetterCaseIsSelected) {
    HostPtr<FontHost> host(new FontHost);
    TFontComboBox* box = host->Box;
    ASSERT_GT(box->Items()->Count(), 1);
    const std::string family = box->Items()->Get(1);
    box->SetFontName(AnsiUpperCase(family) == family ? AnsiLowerCase(family) : AnsiUpperCase(family));
    EXPECT_EQ(box->ItemIndex(), 1);
    EXPECT_EQ(box->GetFontName(), family);
    EXPECT_EQ(host->Changes, 1);
    box->SetFontName(family);  // the same text: nothing happens
    EXPECT_EQ(host->Changes, 1);

    // A name not listed: a list loses its selection; an edit field keeps the text.
    box->SetFontName("No Such Family U15");
    EXPECT_EQ(box->ItemIndex(), -1);
    EXPECT_EQ(box->GetFontName(), "");
    EXPECT_EQ(host->Changes, 2);
    HostPtr<FontHost> editable(new FontHost(ocsDropDown));
    editable->Box->SetFontName("No Such Family U15");
    EXPECT_EQ(editable->Box->GetFontName(), "No Such Family U15");
}

TEST(FontCombo, FontChangeBroadcastRefillsAndKeepsTheSelection) {
    HostPtr<FontHost> host(new FontHost);
    TFontComboBox* box = host->Box;
    ASSERT_GT(box->Items()->Count(), 2);
    const std::string family = box->Items()->Get(2);
    box->SetFontName(family);
    const int changes = host->Changes;
    const int count = box->Items()->Count();
    SendMessageW(box->Handle(), WM_FONTCHANGE, 0, 0);
    EXPECT_EQ(box->Items()->Count(), count);
    EXPECT_EQ(box->GetFontName(), family);
    EXPECT_EQ(host->Changes, changes);
    // The broadcast reaches top-level windows only; the list is made again.
    box->Items()->Add("Zzz Not A Family U15");
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    EXPECT_EQ(box->Items()->IndexOf("Zzz Not A Family U15"), -1);
    EXPECT_EQ(box->Items()->Count(), count);
    EXPECT_EQ(box->GetFontName(), family);
    EXPECT_EQ(host->Changes, changes);
}

TEST(FontCombo, ItemHeightFollowsTheFontAndTheGlyph) {
    HostPtr<FontHost> host(new FontHost);
    TFontComboBox* box = host->Box;
    HWND wnd = box->Handle();
    const int expected = std::max({9, TextHeightOf(box->Font()) + 1, 12 - 1});
    EXPECT_EQ(box->ItemHeight(), expected);
    EXPECT_EQ(SendMessageW(wnd, CB_GETITEMHEIGHT, 0, 0), expected);

    const std::string family = box->Items()->Get(0);
    box->SetFontName(family);
    box->Font()->SetSize(28);
    Application->ProcessMessages();
    const int large = TextHeightOf(box->Font()) + 1;
    EXPECT_GT(large, expected);
    EXPECT_EQ(box->ItemHeight(), large);
    EXPECT_EQ(SendMessageW(box->Handle(), CB_GETITEMHEIGHT, 0, 0), large);
    EXPECT_EQ(box->GetFontName(), family);  // the window made again keeps the selection
}

TEST(FontCombo, ItemsDrawTheirGlyphWithItsTransparentColour) {
    HostPtr<FontHost> host(new FontHost);
    TFontComboBox* box = host->Box;
    int trueType = -1;
    for (int i = 0; i < box->Items()->Count() && trueType < 0; ++i)
        if (ItemBits(box->Items(), i) & TRUETYPE_FONTTYPE) trueType = i;
    ASSERT_GE(trueType, 0);
    owned_ptr<TBitmap> target(new TBitmap);
    target->SetSize(200, 16);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_COMBOBOX;
    dis.itemID = static_cast<UINT>(trueType);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hDC = target->Canvas()->Handle();
    dis.rcItem = RECT{0, 0, 200, 16};
    box->Perform(CN_DRAWITEM, 0, reinterpret_cast<intptr_t>(&dis));
    // The 12-pixel glyph sits at x 2, centred: rows 2 to 13. Its corner is
    // background (teal in the file), its top bar grey.
    const TColor window = ColorToRGB(clWindow);
    EXPECT_EQ(target->Canvas()->Pixels(2, 2), window);
    EXPECT_EQ(target->Canvas()->Pixels(4, 3), clGray);
    EXPECT_EQ(target->Canvas()->Pixels(0, 0), window);
}

// The item's pixels as the box draws them into a 200 x 20 bitmap.
std::vector<TColor> DrawnItem(TFontComboBox* box, int index) {
    owned_ptr<TBitmap> target(new TBitmap);
    target->SetSize(200, 20);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_COMBOBOX;
    dis.itemID = static_cast<UINT>(index);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hDC = target->Canvas()->Handle();
    dis.rcItem = RECT{0, 0, 200, 20};
    box->Perform(CN_DRAWITEM, 0, reinterpret_cast<intptr_t>(&dis));
    std::vector<TColor> pixels;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 200; ++x) pixels.push_back(target->Canvas()->Pixels(x, y));
    return pixels;
}

TEST(FontCombo, UseFontsNeverDrawsASymbolSetInItsOwnFont) {
    HostPtr<FontHost> host(new FontHost);
    TFontComboBox* box = host->Box;
    TStrings* items = box->Items();
    // A family that looks different in its own font.
    int family = -1;
    std::vector<TColor> plain;
    for (int i = 0; i < items->Count() && family < 0; ++i) {
        if (!(ItemBits(items, i) & kFontNotSymbol)) continue;
        box->SetUseFonts(false);
        plain = DrawnItem(box, i);
        box->SetUseFonts(true);
        if (DrawnItem(box, i) != plain) family = i;
    }
    ASSERT_GE(family, 0);
    // The same family marked as a symbol set is drawn in the box's font.
    items->PutObject(family, reinterpret_cast<TObject*>(ItemBits(items, family) & ~uintptr_t(kFontNotSymbol)));
    EXPECT_EQ(DrawnItem(box, family), plain);
}

TEST(ColorCombo, SixteenNamedColours) {
    HostPtr<ColorHost> host(new ColorHost);
    TColorComboBox* box = host->Box;
    const std::vector<std::string> names = {"Black", "Maroon", "Green", "Olive", "Navy",   "Purple",
                                            "Teal",  "Gray",   "Silver", "Red", "Lime",   "Yellow",
                                            "Blue",  "Fuchsia", "Aqua", "White"};
    ASSERT_EQ(box->Items()->Count(), 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(box->Items()->Get(i), names[i]);
    EXPECT_EQ(box->GetColorValue(), clBlack);
    EXPECT_EQ(box->ItemIndex(), 0);

    box->SetColorValue(clTeal);
    EXPECT_EQ(box->ItemIndex(), 6);
    EXPECT_EQ(host->Changes, 1);

    // Own names by position; the value stays.
    TStringList names2;
    names2.Add("");
    names2.Add("");
    names2.Add(Utf8ToAnsi("Зелёный"));
    box->SetColorNames(&names2);
    EXPECT_EQ(box->Items()->Get(2), Utf8ToAnsi("Зелёный"));
    EXPECT_EQ(box->Items()->Get(1), "Maroon");
    EXPECT_EQ(box->GetColorValue(), clTeal);

    box->SetColorValue(0x123456);  // not listed: a list shows nothing
    EXPECT_EQ(box->ItemIndex(), -1);
    EXPECT_EQ(box->GetColorValue(), 0x123456);
}

TEST(ColorCombo, TypedNamesAndNumbers) {
    HostPtr<ColorHost> host(new ColorHost(ocsDropDown));
    TColorComboBox* box = host->Box;
    box->SetColorValue(0x123456);
    EXPECT_EQ(box->Text(), "$00123456");
    struct Case {
        const char* typed;
        TColor value;
    } cases[] = {
        {"navy", clNavy},      {"255", 255},        {"$00FF00", 0x00FF00},
        {"nonsense", 0x00FF00}, {"", 0x00FF00},    {" White ", clWhite},
    };
    for (const auto& c : cases) {
        box->SetItemIndex(-1);
        box->SetText(c.typed);
        EXPECT_EQ(box->GetColorValue(), c.value) << c.typed;
    }
}

}  // namespace
