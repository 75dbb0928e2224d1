#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/picture.h"
#include "framework/stdctrls.h"
#include "shell/main_form.h"
#include "shell/scheme_file.h"
#include "support/crafted_bmp.h"
#include "support/test_support.h"
#include "viewer/page_viewer.h"
#include "widgets/dock.h"
#include "widgets/menu_bar.h"

namespace {

const std::string& OrangeScheme() {
    static const std::string name = Utf8ToAnsi("schema\\апельсин.sch");
    return name;
}
const std::string& SeaScheme() {
    static const std::string name = Utf8ToAnsi("schema\\море.sch");
    return name;
}

std::string Int32Bytes(int32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) b[static_cast<size_t>(i)] = static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
    return b;
}

// The file with one bitmap record (a view into `bytes`) replaced by `picture`.
std::string WithPicture(const std::string& bytes, std::string_view record, const std::string& picture) {
    const size_t start = static_cast<size_t>(record.data() - bytes.data()) - 4;
    return bytes.substr(0, start) + Int32Bytes(static_cast<int32_t>(picture.size())) + picture +
           bytes.substr(start + 4 + record.size());
}

// The file with its palette (the last item) replaced.
std::string WithPalette(const std::string& bytes, int oldCount, const std::vector<int32_t>& colors, int count) {
    std::string palette = Int32Bytes(count);
    for (int32_t c : colors) palette += Int32Bytes(c);
    return bytes.substr(0, bytes.size() - 4 * static_cast<size_t>(oldCount + 1)) + palette;
}

class SchemeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::CopySampleDictionary()) << "no sample dictionary";
        bytes = testing_support::ReadFileBytes(OrangeScheme());
    }
    testing_support::TempWorkDir dir;
    std::string bytes;
};

TEST_F(SchemeFileTest, ReadsTheGeneratedScheme) {
    TSchemeFile s = ParseSchemeFile(bytes, "x");
    EXPECT_EQ(s.CaptionFont.Name, "Arial");
    EXPECT_EQ(s.CaptionFont.Size, 10);
    EXPECT_TRUE(s.CaptionFont.Bold);
    EXPECT_EQ(s.GradientStartColor, 0x0047B3);
    EXPECT_EQ(s.TextFont.Name, "Times New Roman");
    EXPECT_FALSE(s.TextFont.Bold);
    EXPECT_EQ(s.TextBackColor, 0xF2FBFF);
    EXPECT_EQ(s.ContentsFont.Color, 0x00285A);
    EXPECT_EQ(s.MenuFont.Name, "Tahoma");
    EXPECT_EQ(s.ListSelBackColor, 0x106AD8);
    EXPECT_EQ(s.InactiveCaptionTextColor, 0xF0F0F0);
    EXPECT_EQ(s.SeparatorColor3, static_cast<int32_t>(0x80000004));
    EXPECT_EQ(s.PaletteCount, 16);
    EXPECT_EQ(s.Palette[kSearchHitPaletteEntry], 0x0000D0);
    for (std::string_view part : s.TextFrame) EXPECT_FALSE(part.empty());
}

// Six records on a bar of five buttons: the fifth record is the scratch
// button's, so the fifth button takes the sixth.
TEST_F(SchemeFileTest, FifthButtonRecordGoesToNoButton) {
    TSchemeFile s = ParseSchemeFile(bytes, "x");
    ASSERT_EQ(s.Buttons.size(), 6u);
    const int widths[] = {48, 60, 44, 66, 70};
    for (int button = 0; button < 5; ++button) {
        const TSchemeButtonRecord* record = SchemeButtonRecordFor(s, button);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->Width, widths[button]) << button;
        EXPECT_EQ(record->Glyph.size(), 0u) << button;
    }
    EXPECT_EQ(SchemeButtonRecordFor(s, 5), nullptr);
    EXPECT_EQ(s.Buttons[4].Width, 16);  // the scratch button's, with the only glyph
    EXPECT_FALSE(s.Buttons[4].Glyph.empty());
}

TEST_F(SchemeFileTest, ButtonFieldsAreBounded) {
    TSchemeFile s = ParseSchemeFile(bytes, "x");
    const size_t at = static_cast<size_t>(s.Buttons[0].Glyph.data() - bytes.data()) - 10;
    struct Case {
        uint8_t numGlyphs, displayMode;
        int wantGlyphs, wantMode;
    } cases[] = {{0, 0, 1, 0}, {5, 2, 5, 2}, {6, 3, 5, 0}, {255, 255, 5, 0}};
    for (const Case& c : cases) {
        std::string changed = bytes;
        changed[at] = static_cast<char>(c.numGlyphs);
        changed[at + 3] = static_cast<char>(c.displayMode);
        TSchemeFile t = ParseSchemeFile(changed, "x");
        EXPECT_EQ(t.Buttons[0].NumGlyphs, c.wantGlyphs) << int(c.numGlyphs);
        EXPECT_EQ(t.Buttons[0].DisplayMode, c.wantMode) << int(c.displayMode);
    }
}

TEST_F(SchemeFileTest, PaletteKeepsTwentyColours) {
    std::vector<int32_t> colors(25);
    for (size_t i = 0; i < colors.size(); ++i) colors[i] = static_cast<int32_t>(i + 1);
    TSchemeFile s = ParseSchemeFile(WithPalette(bytes, 16, colors, 25), "x");
    EXPECT_EQ(s.PaletteCount, kSchemePaletteRoom);
    EXPECT_EQ(s.Palette[19], 20);

    s = ParseSchemeFile(WithPalette(bytes, 16, {7, 7, 7}, 3), "x");
    EXPECT_EQ(s.PaletteCount, 3);
    EXPECT_EQ(s.Palette[kSearchHitPaletteEntry], 0);
}

// Every cut of the file, a negative length or count, and a count the file
// cannot hold fail with the read error naming the file.
TEST_F(SchemeFileTest, TruncatedOrCorruptFilesRaiseTheReadError) {
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        try {
            ParseSchemeFile(std::string_view(bytes).substr(0, cut), "a.sch");
            ADD_FAILURE() << "cut at " << cut << " was read";
        } catch (const EReadError& e) {
            if (e.Message != "Stream read error: a.sch") ADD_FAILURE() << e.Message;
        }
    }
    TSchemeFile s = ParseSchemeFile(bytes, "x");
    const size_t dockLength = static_cast<size_t>(s.DockPicture.data() - bytes.data()) - 4;
    const size_t buttonCount = dockLength + 4 + s.DockPicture.size();
    for (auto [at, value] : {std::pair{dockLength, -1}, {dockLength, 0x7FFFFFFF}, {buttonCount, -6},
                             {buttonCount, 1000000}, {bytes.size() - 17 * 4, 17}, {bytes.size() - 17 * 4, -1}}) {
        std::string changed = bytes;
        changed.replace(at, 4, Int32Bytes(value));
        EXPECT_THROW(ParseSchemeFile(changed, "a.sch"), EReadError) << at << " " << value;
    }
}

// A main window over the sample dictionary.
class SchemeLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::CopySampleDictionary()) << "no sample dictionary";
        form = new TForm1(Application);
    }
    void TearDown() override { TObject::Free(form); }

    testing_support::TempWorkDir dir;
    TForm1* form = nullptr;
};

TEST_F(SchemeLoadTest, SchemeDressesEveryTarget) {
    form->LoadColorScheme(SeaScheme());
    const std::string bytes = testing_support::ReadFileBytes(SeaScheme());
    const TSchemeFile s = ParseSchemeFile(bytes, "x");

    auto expectFont = [](const TFont* font, const TSchemeFontRecord& r, const char* what) {
        EXPECT_EQ(font->Name(), r.Name) << what;
        EXPECT_EQ(font->Size(), r.Size) << what;
        EXPECT_EQ(font->Color(), r.Color) << what;
        if (r.Bold) {
            EXPECT_TRUE(font->Style() & fsBold) << what;
        }
    };
    expectFont(form->CaptionFont(), s.CaptionFont, "caption");
    expectFont(form->SchemeFont7.get(), s.UnusedFont7, "font 7");
    expectFont(form->SchemeFont8.get(), s.UnusedFont8, "font 8");
    expectFont(form->SchemeTextFont.get(), s.TextFont, "text");
    expectFont(form->SchemeContentsFont.get(), s.ContentsFont, "contents");
    expectFont(form->MenuFont.get(), s.MenuFont, "menu");
    EXPECT_EQ(form->SchemeContentsFont->Name(), "Verdana");

    const std::pair<TColor, int32_t> colors[] = {
        {form->GradientStartColor(), s.GradientStartColor},
        {form->GradientStopColor(), s.GradientStopColor},
        {form->GradientInactiveStartColor(), s.GradientInactiveStartColor},
        {form->GradientInactiveStopColor(), s.GradientInactiveStopColor},
        {form->CaptionTextColor(), s.CaptionTextColor},
        {form->InactiveCaptionTextColor(), s.InactiveCaptionTextColor},
        {form->SchemeTextBackColor, s.TextBackColor},
        {form->SchemeContentsBackColor, s.ContentsBackColor},
        {form->MenuSelBackColor, s.MenuSelBackColor},
        {form->MenuSelTextColor, s.MenuSelTextColor},
        {form->MenuBackColor, s.MenuBackColor},
        {form->MenuTextColor, s.MenuTextColor},
        {form->ListSelTextColor, s.ListSelTextColor},
        {form->ListSelBackColor, s.ListSelBackColor},
        {form->SeparatorColor1, s.SeparatorColor1},
        {form->SeparatorColor2, s.SeparatorColor2},
        {form->SeparatorColor3, s.SeparatorColor3},
    };
    for (size_t i = 0; i < std::size(colors); ++i) EXPECT_EQ(colors[i].first, colors[i].second) << "colour " << i;
    EXPECT_EQ(form->SchemePaletteCount, 16);
    EXPECT_EQ(form->SchemePalette[kSearchHitPaletteEntry], 0x005AE0);

    // The menu bar takes the bottom-left pixel of the dock's picture (#A9D3F5).
    EXPECT_EQ(form->Dock1->Background()->Height(), 26);
    EXPECT_EQ(form->MenuBar1->Color(), 0xF5D3A9);
    // The menu bar's five buttons take their records through the tool-button setters.
    ASSERT_EQ(form->MenuBar1->ControlCount(), 5);
    int tallest = 0;
    for (int i = 0; i < 5; ++i) {
        auto* button = dynamic_cast<TToolbarButton*>(form->MenuBar1->Controls(i));
        ASSERT_NE(button, nullptr);
        const TSchemeButtonRecord* record = SchemeButtonRecordFor(s, i);
        ASSERT_NE(record, nullptr);
        const TSchemeButtonRecord& r = *record;
        EXPECT_EQ(button->NumGlyphs(), r.NumGlyphs) << i;
        EXPECT_EQ(button->Flat(), r.Flat) << i;
        EXPECT_EQ(button->NoBorder(), r.NoBorder) << i;
        EXPECT_EQ(static_cast<int>(button->DisplayMode()), r.DisplayMode) << i;
        EXPECT_EQ(button->Glyph()->Empty(), r.Glyph.empty()) << i;
        EXPECT_EQ(button->Width(), r.Width) << i;
        tallest = std::max(tallest, r.Height);
    }
    EXPECT_EQ(form->Dock1->Height(), tallest + 4);
    EXPECT_EQ(form->MenuBar1->Width(), form->Dock1->Width());

    // Frames: the article pane's is 10 pixels thick, the term list's 8.
    EXPECT_EQ(form->LText->Width(), 10);
    EXPECT_EQ(form->RText->Width(), 10);
    EXPECT_EQ(form->LTText->Width(), 10);
    EXPECT_EQ(form->Panel10->Height(), 10);
    EXPECT_EQ(form->Panel12->Height(), 10);
    EXPECT_EQ(form->LText1->Width(), 10);
    EXPECT_EQ(form->Panel13->Height(), 10);
    EXPECT_EQ(form->Panel14->Height(), 10);
    EXPECT_TRUE(form->RTText1->Picture()->Bitmap()->Empty());
    EXPECT_TRUE(form->RBText1->Picture()->Bitmap()->Empty());
    EXPECT_EQ(form->LKat->Width(), 8);
    EXPECT_EQ(form->RBKat->Width(), 8);
    EXPECT_EQ(form->Panel9->Height(), 8);
    EXPECT_EQ(form->Panel11->Height(), 8);
    EXPECT_EQ(form->LeftV->Width(), 8);
    EXPECT_EQ(form->RBV->Width(), 8);
    EXPECT_EQ(form->Panel3->Height(), 8);
    EXPECT_EQ(form->Panel4->Height(), 8);
    for (TImage* image : {form->LText, form->TText, form->LTText1, form->LKat, form->RBV})
        EXPECT_TRUE(image->Stretch());

    // The viewers, the splitter and the label.
    for (TPageViewer* viewer : {form->Viewer, form->Vved}) {
        EXPECT_EQ(viewer->DefBackground(), s.TextBackColor);
        EXPECT_EQ(viewer->DefFontColor, s.TextFont.Color);
        EXPECT_EQ(viewer->DefFontSize(), 11);
    }
    EXPECT_EQ(form->Splitter2->Color(), s.TextBackColor);
    EXPECT_EQ(form->F->Color(), s.ContentsBackColor);
    EXPECT_EQ(form->F->Font()->Color(), s.ContentsFont.Color);
    EXPECT_TRUE(form->F->Font()->Style() & fsBold);
}

TEST_F(SchemeLoadTest, EmptyPictureEmptiesItsImage) {
    const std::string bytes = testing_support::ReadFileBytes(OrangeScheme());
    const TSchemeFile s = ParseSchemeFile(bytes, "x");
    std::string changed = WithPicture(bytes, s.TextFrame[sfLeft], "");
    const TSchemeFile t = ParseSchemeFile(changed, "x");
    changed = WithPicture(changed, t.ListFrame[sfLeftTop], "");
    testing_support::WriteFileBytes("empty.sch", changed);

    form->LoadColorScheme("empty.sch");
    EXPECT_TRUE(form->LText->Picture()->Bitmap()->Empty());
    EXPECT_EQ(form->LText->Width(), 0);
    EXPECT_EQ(form->LText1->Width(), 0);
    EXPECT_EQ(form->RText->Width(), 8);
    // A term-list corner without a picture keeps its row's height.
    EXPECT_EQ(form->LTKat->Width(), 0);
    EXPECT_EQ(form->Panel9->Height(), 6);
    EXPECT_EQ(form->LTV->Width(), 0);
    EXPECT_EQ(form->Panel3->Height(), 6);
}

TEST_F(SchemeLoadTest, BoldZeroKeepsABoldFont) {
    form->SchemeTextFont->SetStyle(fsBold | fsItalic);
    form->LoadColorScheme(OrangeScheme());
    EXPECT_EQ(form->SchemeTextFont->Style(), fsBold | fsItalic);
}

TEST_F(SchemeLoadTest, ShortPaletteLeavesNoStaleHitColour) {
    const std::string bytes = testing_support::ReadFileBytes(OrangeScheme());
    testing_support::WriteFileBytes("short.sch", WithPalette(bytes, 16, {1, 2, 3}, 3));
    ASSERT_NE(form->SchemePalette[kSearchHitPaletteEntry], 0);
    form->LoadColorScheme("short.sch");
    EXPECT_EQ(form->SchemePaletteCount, 3);
    EXPECT_EQ(form->SchemePalette[kSearchHitPaletteEntry], 0);
}

// A broken scheme raises its error and leaves the window as it was.
TEST_F(SchemeLoadTest, BrokenSchemeChangesNothing) {
    const std::string bytes = testing_support::ReadFileBytes(SeaScheme());
    const TSchemeFile s = ParseSchemeFile(bytes, "x");
    testing_support::WriteFileBytes("cut.sch", bytes.substr(0, bytes.size() - 10));
    testing_support::WriteFileBytes("badbmp.sch", WithPicture(bytes, s.ListFrame[sfBottom], "BM not a picture"));
    testing_support::WriteFileBytes("rle8.sch",
                                    WithPicture(bytes, s.TextFrame[sfTop], testing_support::OverflowingRle8Bmp()));
    testing_support::WriteFileBytes("rle4.sch", WithPicture(bytes, s.DockPicture, testing_support::OversizedRle4Bmp()));

    const TColor start = form->GradientStartColor();
    const TColor back = form->SchemeTextBackColor;
    const int textFrame = form->Panel10->Height();
    const std::string captionFont = form->CaptionFont()->Name();
    struct Case {
        const char* file;
        bool picture;
    } cases[] = {{"cut.sch", false}, {"badbmp.sch", true}, {"rle8.sch", true}, {"rle4.sch", true}};
    for (const Case& c : cases) {
        try {
            form->LoadColorScheme(c.file);
            ADD_FAILURE() << c.file << " loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(c.picture) << e.Message;
            EXPECT_NE(e.Message.find(c.file), std::string::npos) << e.Message;
        } catch (const EReadError& e) {
            EXPECT_FALSE(c.picture) << e.Message;
            EXPECT_EQ(e.Message, std::string("Stream read error: ") + c.file);
        }
        EXPECT_EQ(form->GradientStartColor(), start) << c.file;
        EXPECT_EQ(form->SchemeTextBackColor, back) << c.file;
        EXPECT_EQ(form->Panel10->Height(), textFrame) << c.file;
        EXPECT_EQ(form->CaptionFont()->Name(), captionFont) << c.file;
    }
    EXPECT_THROW(form->LoadColorScheme("missing.sch"), EFOpenError);
}

}  // namespace
