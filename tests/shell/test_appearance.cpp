#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/graphics.h"
#include "framework/grids.h"
#include "framework/picture.h"
#include "framework/registry.h"
#include "framework/stdctrls.h"
#include "framework/win.h"
#include "shell/font_dlg.h"
#include "shell/fparam.h"
#include "shell/main_form.h"
#include "shell/settings.h"
#include "shell_environment.h"
#include "support/test_support.h"
#include "util/font_combo.h"
#include "viewer/page_viewer.h"
#include "widgets/option_box.h"
#include "widgets/tool_button.h"

namespace {

const char kRegKey[] = "netvoc";
const char kIniScheme[] = "море.sch";
const char kOtherScheme[] = "апельсин";

class AppearanceTest : public ::testing::Test {
protected:
    void SetUp() override { shell_testing::DeleteSettings(kRegKey); }
    void TearDown() override {
        TFParam::RunFontDialog = nullptr;
        FreeDialog();
        TObject::Free(form);
        shell_testing::DeleteSettings(kRegKey);
    }
    void Open(const std::function<void()>& prepare = {}) {
        ASSERT_TRUE(testing_support::CopySampleDictionary()) << "no sample dictionary";
        if (prepare) prepare();
        form = new TForm1(Application);
        form->Show();
        testing_support::ShownMessageBoxes().clear();
    }
    void Restart() {
        FreeDialog();
        TObject::Free(form);
        form = new TForm1(Application);
    }
    TFParam* Dialog() {
        if (!dialog) dialog = new TFParam(form);
        return dialog;
    }
    void FreeDialog() {
        TObject::Free(dialog);
        dialog = nullptr;
    }
    int SchemeIndex(const char* utf8) {
        return Dialog()->Schema->Items()->IndexOf(Utf8ToAnsi(utf8));
    }

    testing_support::TempWorkDir dir;
    TForm1* form = nullptr;
    TFParam* dialog = nullptr;
};

TEST_F(AppearanceTest, TheDialogShowsTheCurrentSettings) {
    Open();
    TFParam* d = Dialog();
    EXPECT_EQ(AnsiToUtf8(d->Caption()), "Оформление");
    EXPECT_EQ(d->HelpContext, 320);
    ASSERT_EQ(d->Schema->Items()->Count(), 2);
    EXPECT_EQ(AnsiToUtf8(d->Schema->Items()->Get(d->Schema->ItemIndex())), "море");
    EXPECT_EQ(d->selCol->Color(), form->SelectColor);
    EXPECT_EQ(d->FName1->Color(), form->Background1Color);
    EXPECT_EQ(d->FName1->Font()->Name(), "Arial");
    EXPECT_EQ(d->FName2->Color(), form->Background2Color);
    EXPECT_FALSE(d->Hand->Checked());

    // With Hand unchecked every control under the two group boxes is disabled.
    std::vector<TControl*> under = {d->GroupBox2, d->FName2, d->Button1, d->GroupBox3,
                                    d->FName1,   d->Button2, d->selCol,  d->Label1};
    for (TControl* c : under) EXPECT_FALSE(c->Enabled()) << c->ClassName();
    d->Hand->SetChecked(true);
    for (TControl* c : under) EXPECT_TRUE(c->Enabled()) << c->ClassName();
    EXPECT_TRUE(d->Schema->Enabled());
}

TEST_F(AppearanceTest, AnotherSchemeRepaintsAtOnceAndApplyThenCancelRestores) {
    Open();
    const TColor caption = form->GradientStartColor();
    const int frame = form->LText->Picture()->Width();
    const TColor list = form->SchemeContentsBackColor;
    const TColor back1 = form->Background1Color;

    TFParam* d = Dialog();
    d->Schema->SetItemIndex(SchemeIndex(kOtherScheme));
    d->Hand->SetChecked(true);
    d->FName1->SetColor(0x00FFFF);
    d->Button3Click(d->Button3);
    EXPECT_EQ(AnsiToUtf8(form->SchemeFileName), "апельсин.sch");
    EXPECT_NE(form->GradientStartColor(), caption);
    EXPECT_NE(form->LText->Picture()->Width(), frame);
    EXPECT_TRUE(form->HandColor);
    EXPECT_EQ(form->Background1Color, 0x00FFFF);
    EXPECT_EQ(form->Viewer->DefBackground(), 0x00FFFF);
    EXPECT_EQ(form->ShownOffset, -1);  // the article reloads with the new look

    d->Button6Click(d->Button6);
    EXPECT_EQ(AnsiToUtf8(form->SchemeFileName), kIniScheme);
    EXPECT_EQ(form->GradientStartColor(), caption);
    EXPECT_EQ(form->LText->Picture()->Width(), frame);
    EXPECT_FALSE(form->HandColor);
    EXPECT_EQ(form->Background1Color, back1);
    EXPECT_EQ(form->List->Color(), list);
    FreeDialog();

    // OK with the other scheme: caption, frames and list colours change together.
    Dialog()->Schema->SetItemIndex(SchemeIndex(kOtherScheme));
    dialog->Button5Click(dialog->Button5);
    EXPECT_NE(form->GradientStartColor(), caption);
    EXPECT_NE(form->List->Color(), list);
    EXPECT_EQ(form->List->Color(), form->SchemeContentsBackColor);
}

TEST_F(AppearanceTest, ACorruptSchemeKeepsTheOldOneOnScreenAndAtExit) {
    Open([] { testing_support::WriteFileBytes(Utf8ToAnsi("schema\\битая.sch"), std::string(40, '\x7F')); });
    const TColor caption = form->GradientStartColor();
    TFParam* d = Dialog();
    const int current = d->Schema->ItemIndex();
    d->Schema->SetItemIndex(SchemeIndex("битая"));
    d->Button5Click(d->Button5);
    auto& shown = testing_support::ShownMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(AnsiToUtf8(shown[0].text).find("битая.sch"), std::string::npos);
    shown.clear();
    EXPECT_EQ(AnsiToUtf8(form->SchemeFileName), kIniScheme);
    EXPECT_EQ(form->GradientStartColor(), caption);
    EXPECT_EQ(d->Schema->ItemIndex(), current);

    Restart();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\" + shell_settings::ReadKey(kRegKey)));
    EXPECT_EQ(AnsiToUtf8(reg.ReadString("Schema")), kIniScheme);
}

TEST_F(AppearanceTest, TheCurrentSchemeIsNotReloadedNorAGoneOne) {
    Open();
    // The scheme on screen, broken on disk afterwards: choosing it again reads nothing.
    testing_support::WriteFileBytes(Utf8ToAnsi("schema\\море.sch"), "broken");
    Dialog()->Button5Click(dialog->Button5);
    EXPECT_TRUE(testing_support::ShownMessageBoxes().empty());
    FreeDialog();

    // Gone from the folder: no item is selected, and OK and Cancel load nothing.
    DeleteFileW(Utf8ToWide("schema\\море.sch").c_str());
    EXPECT_EQ(Dialog()->Schema->ItemIndex(), -1);
    dialog->Button5Click(dialog->Button5);
    dialog->Button6Click(dialog->Button6);
    EXPECT_TRUE(testing_support::ShownMessageBoxes().empty());
    EXPECT_EQ(AnsiToUtf8(form->SchemeFileName), kIniScheme);
}

TEST_F(AppearanceTest, OKOrCancelWithoutAChangeChangesNothing) {
    Open();
    form->Timer1Timer(form);  // the first article is on screen
    int loads = 0;
    form->Viewer->OnParseBegin = [&](TObject*, std::string&) { ++loads; };
    const std::string font = form->Viewer->DefFontName;
    const int size = form->Viewer->DefFontSize();
    const TColor background = form->Viewer->DefBackground();
    const TColor list = form->List->Color();
    const std::string listFont = form->List->Font()->Name();
    for (bool ok : {true, false}) {
        if (ok)
            Dialog()->Button5Click(dialog->Button5);
        else
            Dialog()->Button6Click(dialog->Button6);
        form->Timer1Timer(form);
        EXPECT_EQ(loads, 0) << "no reload: the article keeps its scroll and selection";
        EXPECT_EQ(form->Viewer->DefFontName, font) << ok;
        EXPECT_EQ(form->Viewer->DefFontSize(), size) << ok;
        EXPECT_EQ(form->Viewer->DefBackground(), background) << ok;
        EXPECT_EQ(form->List->Color(), list) << ok;
        EXPECT_EQ(form->List->Font()->Name(), listFont) << ok;
        FreeDialog();
    }
    // The check sees a reload: applying with custom colours on gives one.
    Dialog()->Hand->SetChecked(true);
    dialog->Button5Click(dialog->Button5);
    form->Timer1Timer(form);
    EXPECT_GT(loads, 0);
}

// What the article and the term list look like, the selected row included.
struct TLook {
    std::string face;
    int size;
    TColor text, background, list, selectedBack, selectedText;
    bool operator==(const TLook&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TLook& l) {
    return out << l.face << " " << l.size << " " << std::hex << l.text << " " << l.background << " " << l.list << " "
               << l.selectedBack << " " << l.selectedText;
}

TLook LookOf(TForm1* form) {
    form->ListDrawCell(form->List, 0, 0, form->List->CellRect(0, 0), gdSelected | gdFocused);
    TCanvas* canvas = form->List->Canvas();
    return {form->Viewer->DefFontName, form->Viewer->DefFontSize(), form->Viewer->DefFontColor,
            form->Viewer->DefBackground(), form->List->Color(), canvas->Brush()->Color(), canvas->Font()->Color()};
}

// The same settings give the same look at once and after a restart: the
// scheme's with custom colours off, as at a first start; with them on, the
// face the dialog's sample shows and the chosen scheme's selection colours.
TEST_F(AppearanceTest, OKGivesWhatTheNextStartGives) {
    Open();
    const TLook firstStart = LookOf(form);
    EXPECT_EQ(firstStart.face, "Times New Roman");
    struct Case {
        const char* step;
        bool hand;
        const char* scheme;
    } cases[] = {
        {"only the hit colour", false, "море"},
        {"custom colours and another scheme", true, kOtherScheme},
        {"back to the scheme's colours", false, "море"},
    };
    for (const Case& c : cases) {
        TFParam* d = Dialog();
        d->Hand->SetChecked(c.hand);
        d->Schema->SetItemIndex(SchemeIndex(c.scheme));
        d->selCol->SetColor(d->selCol->Color() ^ 0x0000FF);
        const std::string sampleFace = d->FName1->Font()->Name();
        d->Button5Click(d->Button5);
        const TLook applied = LookOf(form);
        EXPECT_EQ(applied.face, c.hand ? sampleFace : "Times New Roman") << c.step;
        EXPECT_EQ(applied.selectedBack, form->ListSelBackColor) << c.step;
        if (!c.hand) EXPECT_EQ(applied, firstStart) << c.step;
        Restart();
        form->Show();
        EXPECT_EQ(LookOf(form), applied) << c.step;
    }
}

TEST_F(AppearanceTest, OnlyFilesNamedDotSchAreListed) {
    Open([] {
        testing_support::WriteFileBytes("schema\\notes.schx", "x");
        testing_support::WriteFileBytes("schema\\plain.txt", "x");
    });
    EXPECT_EQ(Dialog()->Schema->Items()->Count(), 2);
}

TEST_F(AppearanceTest, ATriedColourStaysAfterCancelWhileTheFontReverts) {
    Open();
    TFParam* d = Dialog();
    const int size = d->FName1->Font()->Size();
    TFParam::RunFontDialog = [](TFontDlg* f) {
        f->Example->SetColor(0x00FF00);
        f->Size->SetText("20");
        f->SizeExit(f->Size);
        f->Button1Click(f->Button1);
        f->ModalResult = mrCancel;
        f->CloseQuery();
        return mrCancel;
    };
    d->Button2Click(d->Button2);
    EXPECT_EQ(d->FName1->Color(), 0x00FF00);
    EXPECT_EQ(d->FName1->Font()->Size(), size);

    // OK keeps both.
    TFParam::RunFontDialog = [](TFontDlg* f) {
        f->Size->SetText("20");
        f->SizeExit(f->Size);
        f->Bold->SetChecked(true);
        f->BitBtn1->Click();
        f->CloseQuery();
        return mrOk;
    };
    d->Button1Click(d->Button1);
    EXPECT_EQ(d->FName2->Font()->Size(), 20);
    EXPECT_TRUE(d->FName2->Font()->Style() & fsBold);

    // A changed hit colour survives a cancel.
    d->selCol->SetColor(0x123456);
    d->Button6Click(d->Button6);
    EXPECT_EQ(form->SelectColor, 0x123456);
}

TEST_F(AppearanceTest, TheArticleFontComesBackRegular) {
    Open();
    TFParam* d = Dialog();
    d->FName1->Font()->SetStyle(fsBold);
    bool boldUsable = true;
    TFParam::RunFontDialog = [&](TFontDlg* f) {
        boldUsable = f->Bold->Enabled();
        f->BitBtn1->Click();
        f->CloseQuery();
        return mrOk;
    };
    d->Button2Click(d->Button2);
    EXPECT_FALSE(boldUsable);
    EXPECT_FALSE(d->FName1->Font()->Style() & fsBold);
}

TEST_F(AppearanceTest, TheFontDialogKeepsANameItDoesNotList) {
    Open();
    TFont font;
    font.SetName("Arial");
    font.SetSize(11);
    TColor color = 0xABCDEF;
    owned_ptr<TFontDlg> f(new TFontDlg(form, color, &font));
    EXPECT_EQ(AnsiToUtf8(f->Caption()), "Выбор шрифта");
    EXPECT_EQ(f->Size->Text(), "11");
    EXPECT_EQ(f->Example->Color(), 0xABCDEF);
    f->Size->SetText("14");
    f->SizeExit(f->Size);
    f->BitBtn1->Click();
    f->CloseQuery();
    EXPECT_EQ(font.Name(), "Arial");
    EXPECT_EQ(font.Size(), 14);

    // A family the list holds, given in other letter case, is taken.
    f->FontComboBox1->HandleNeeded();  // the families are listed into the window
    ASSERT_GT(f->FontComboBox1->Items()->Count(), 0);
    const std::string listed = f->FontComboBox1->Items()->Get(0);
    f->FontComboBox1->SetFontName(AnsiLowerCase(listed));
    EXPECT_EQ(f->Example->Font()->Name(), listed);
}

double Luminance(TColor color) {
    const auto rgb = static_cast<uint32_t>(ColorToRGB(color));
    double l = 0;
    const double weights[] = {0.2126, 0.7152, 0.0722};
    for (int i = 0; i < 3; ++i) {
        const double c = (rgb >> (8 * i) & 0xFF) / 255.0;
        l += weights[i] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return l;
}

double Contrast(TColor a, TColor b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// "Цвет:" and "Цвет фона:" are written on the colours they stand for.
TEST_F(AppearanceTest, TheColourBoxesCaptionsStandOutFromTheirColours) {
    Open();
    for (TColor color : {TColor{0x331F0A}, clBlack, clWhite, TColor{0x0000FF}, TColor{0x808080}, clBtnFace}) {
        TFont font;
        font.SetColor(color);
        TColor background = color;
        owned_ptr<TFontDlg> f(new TFontDlg(form, background, &font));
        for (TOptionBox* box : {f->But, f->ButFon}) {
            EXPECT_EQ(box->Color(), color);
            EXPECT_GE(Contrast(box->Font()->Color(), box->Color()), 4.5) << std::hex << color;
        }
    }
}

TEST_F(AppearanceTest, SizesTypedIntoTheSizeBox) {
    struct Case {
        const char* text;
        int size;
    } cases[] = {{"12", 12}, {" 14 ", 14}, {"abc", 0}, {"", 0}, {"12pt", 0}, {"-5", 0},
                 {"400", 400}, {"10000", 400}, {"99999999999999", 400}};
    for (const Case& c : cases) EXPECT_EQ(ParseFontSize(c.text), c.size) << c.text;
}

TEST_F(AppearanceTest, TheCloseBoxCancelsAndValuesReadBackAtTheNextStart) {
    Open();
    TFParam* d = Dialog();
    d->Hand->SetChecked(true);
    d->Button3Click(d->Button3);
    ASSERT_TRUE(form->HandColor);
    d->HandleNeeded();
    PostMessageW(d->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(d->ShowModal(), mrCancel);
    EXPECT_FALSE(form->HandColor);
    FreeDialog();

    d = Dialog();
    d->Hand->SetChecked(true);
    d->FName2->SetColor(0x204060);
    d->FName2->Font()->SetSize(13);
    d->selCol->SetColor(0x0000C0);
    d->Schema->SetItemIndex(SchemeIndex(kOtherScheme));
    d->Button5Click(d->Button5);
    Restart();
    EXPECT_TRUE(form->HandColor);
    EXPECT_EQ(form->Background2Color, 0x204060);
    EXPECT_EQ(form->Font2->Size(), 13);
    EXPECT_EQ(form->SelectColor, 0x0000C0);
    EXPECT_EQ(AnsiToUtf8(form->SchemeFileName), "апельсин.sch");
    EXPECT_EQ(form->List->Color(), 0x204060);
}

}  // namespace
