#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/gdi_handles.h"
#include "framework/picture.h"
#include "framework/win.h"

namespace {

TEST(ExtCtrls, PanelChildrenStayInsideBevelsAndBorder) {
    struct Case {
        TPanelBevel outer, inner;
        int bevelWidth, borderWidth, inset;
    };
    const Case cases[] = {
        {bvNone, bvNone, 1, 0, 0},  {bvRaised, bvNone, 1, 0, 1},  {bvRaised, bvLowered, 2, 0, 4},
        {bvNone, bvNone, 1, 5, 5},  {bvLowered, bvRaised, 3, 4, 10},
    };
    auto* form = new TForm(Application);
    form->SetBounds(0, 0, 400, 300);
    form->Show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inset);
        auto* panel = new TPanel(form);
        panel->SetBounds(10, 10, 200, 100);
        panel->SetParent(form);
        auto* child = new TPanel(form);
        child->SetParent(panel);
        child->SetAlign(alClient);
        panel->SetBevelOuter(c.outer);
        panel->SetBevelInner(c.inner);
        panel->SetBevelWidth(c.bevelWidth);
        panel->SetBorderWidth(c.borderWidth);
        EXPECT_EQ(child->BoundsRect(), Rect(c.inset, c.inset, 200 - c.inset, 100 - c.inset));
        TObject::Free(panel);
        TObject::Free(child);
    }
    TObject::Free(form);
}

// A pane above a top-aligned splitter above a client pane.
class TSplitForm : public TForm {
public:
    explicit TSplitForm(TComponent* owner) : TForm(owner) {
        BuildForm([&] {
            SetBounds(0, 0, 300, 400);
            top = new TPanel(this);
            top->SetParent(this);
            top->SetHeight(100);
            top->SetAlign(alTop);
            splitter = new TSplitter(this);
            splitter->SetParent(this);
            splitter->SetHeight(3);
            splitter->SetAlign(alTop);
            rest = new TPanel(this);
            rest->SetParent(this);
            rest->SetAlign(alClient);
        });
    }
    // Presses on the splitter, moves by dy and lets go, through the form's window.
    void Drag(int dy) {
        HWND wnd = Handle();
        int y = splitter->Top() + 1;
        SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, y));
        SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, y + dy / 2));
        SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, y + dy));
        SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(20, y + dy));
    }
    TPanel* top;
    TSplitter* splitter;
    TPanel* rest;
};

TEST(ExtCtrls, SplitterDragResizesTheNeighbourWithinItsLimits) {
    struct Case {
        const char* name;
        TResizeStyle style;
        int dy;
        bool refuseOver120;
        int expected;  // -1: as far as the pane below allows
    };
    const Case cases[] = {
        {"live drag", rsUpdate, 50, false, 150},
        {"drag with a line", rsPattern, 50, false, 150},
        {"not below MinSize", rsUpdate, -95, false, 30},
        {"not past MinSize of the far side", rsLine, 1000, false, -1},
        {"a refused size is not taken", rsUpdate, 50, true, 100},
        {"an accepted size is", rsPattern, 15, true, 115},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* form = new TSplitForm(Application);
        form->Show();
        form->splitter->ResizeStyle = c.style;
        std::vector<int> asked;
        if (c.refuseOver120)
            form->splitter->OnCanResize = [&](TObject*, int& newSize, bool& accept) {
                asked.push_back(newSize);
                accept = newSize <= 120;
            };
        int moved = 0;
        form->splitter->OnMoved = [&](TObject*) { ++moved; };
        EXPECT_EQ(form->splitter->Cursor(), crVSplit);
        form->Drag(c.dy);
        int expected = c.expected >= 0 ? c.expected : form->ClientHeight() - 3 - form->splitter->MinSize;
        EXPECT_EQ(form->top->Height(), expected);
        EXPECT_EQ(form->splitter->Top(), expected);
        EXPECT_EQ(form->rest->Top(), expected + 3);
        // A live drag reports every step, a line drag the end only.
        EXPECT_EQ(moved > 0, expected != 100);
        EXPECT_LE(moved, c.style == rsUpdate ? 2 : 1);
        EXPECT_EQ(asked.empty(), !c.refuseOver120);
        TObject::Free(form);
    }
}

TEST(ExtCtrls, ImageDrawsItsPictureStretchedCentredOrAtTheCorner) {
    owned_ptr<TBitmap> source(new TBitmap);
    source->SetSize(2, 2);
    source->Canvas()->SetPixels(0, 0, clRed);
    source->Canvas()->SetPixels(1, 0, clLime);
    source->Canvas()->SetPixels(0, 1, clBlue);
    source->Canvas()->SetPixels(1, 1, clBlack);

    struct Probe {
        int x, y;
        TColor color;
    };
    struct Case {
        const char* name;
        bool stretch, center;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {"stretched", true, false, {{25, 25, clRed}, {75, 25, clLime}, {25, 75, clBlue}, {75, 75, clBlack}, {99, 99, clBlack}}},
        {"at the corner", false, false, {{0, 0, clRed}, {1, 1, clBlack}, {2, 0, clWhite}, {50, 50, clWhite}}},
        {"centred", false, true, {{49, 49, clRed}, {50, 50, clBlack}, {48, 49, clWhite}, {0, 0, clWhite}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* image = new TImage(nullptr);
        image->SetBounds(0, 0, 100, 100);
        image->Picture()->SetGraphic(source.get());
        image->SetStretch(c.stretch);
        image->SetCenter(c.center);
        owned_ptr<TBitmap> target(new TBitmap);
        target->SetSize(100, 100);
        target->Canvas()->Brush()->SetColor(clWhite);
        target->Canvas()->FillRect(Rect(0, 0, 100, 100));
        image->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(target->Canvas()->Handle()));
        for (const Probe& p : c.probes) EXPECT_EQ(target->Canvas()->Pixels(p.x, p.y), p.color) << p.x << "," << p.y;
        TObject::Free(image);
    }
}

TEST(ExtCtrls, ImageAutoSizeTakesThePicturesSize) {
    owned_ptr<TBitmap> source(new TBitmap);
    source->SetSize(37, 39);
    auto* image = new TImage(nullptr);
    image->SetAutoSize(true);
    image->Picture()->SetGraphic(source.get());
    EXPECT_EQ(image->Width(), 37);
    EXPECT_EQ(image->Height(), 39);
    TObject::Free(image);
}

TSize TextSize(TFont* font, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font->Handle());
    std::wstring wide = AnsiToWide(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return {size.cx, size.cy};
}

// The right edge of the text's ink, drawn unclipped from x = 0 in the font.
int InkRight(TFont* font, const std::string& text) {
    const std::wstring wide = AnsiToWide(text);
    const int width = 1000, height = 60;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font->Handle());
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    TextOutW(dc, 0, 0, wide.c_str(), static_cast<int>(wide.size()));
    GdiFlush();
    int right = 0;
    const auto* pixels = static_cast<const uint32_t*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((pixels[y * width + x] & 0xFFFFFF) != 0xFFFFFF) right = std::max(right, x + 1);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return right;
}

TEST(ExtCtrls, LabelAutoSizeFitsItsCaption) {
    auto* form = new TForm(Application);
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetBounds(100, 10, 10, 10);
    const std::string caption = Utf8ToAnsi("Найденные слова:");
    label->SetCaption(caption);
    TSize size = TextSize(label->Font(), caption);
    EXPECT_EQ(label->Width(), size.cx);
    EXPECT_EQ(label->Height(), size.cy);
    EXPECT_EQ(label->Left(), 100);

    // Wide enough for what is drawn: glyphs may be drawn at advances that run
    // past the measured extent over a long line.
    for (const char* text : {"Введите слово используя символы шаблона (*,?)", "Цвет найденных по поиску слов"}) {
        label->SetCaption(Utf8ToAnsi(text));
        EXPECT_GE(label->Width(), InkRight(label->Font(), Utf8ToAnsi(text))) << text;
        EXPECT_LE(label->Width(), TextSize(label->Font(), Utf8ToAnsi(text)).cx + 8) << text;
    }
    label->SetCaption(caption);

    // Right-justified labels grow to the left.
    label->SetAlignment(taRightJustify);
    int right = label->Left() + label->Width();
    label->SetCaption(caption + caption);
    EXPECT_EQ(label->Left() + label->Width(), right);
    EXPECT_GT(label->Width(), size.cx);

    // A wrapping label keeps within its width and grows down.
    label->SetAlignment(taLeftJustify);
    label->SetWordWrap(true);
    label->SetWidth(size.cx);
    label->SetCaption(caption + " " + caption + " " + caption);
    EXPECT_LE(label->Width(), size.cx);
    EXPECT_GE(label->Height(), 3 * size.cy);

    // An empty caption keeps one line; without AutoSize nothing moves.
    label->SetWordWrap(false);
    label->SetCaption("");
    EXPECT_EQ(label->Height(), size.cy);
    label->SetAutoSize(false);
    TRect bounds = label->BoundsRect();
    label->SetCaption(caption);
    EXPECT_EQ(label->BoundsRect(), bounds);
    TObject::Free(form);
}

TEST(ExtCtrls, LabelAcceleratorFocusesItsControl) {
    auto* form = new TForm(Application);
    form->Show();
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption(Utf8ToAnsi("&Имя"));
    label->SetFocusControl(edit);
    EXPECT_EQ(label->Perform(CM_DIALOGCHAR, Utf8ToWide("к")[0]), 0);
    EXPECT_EQ(label->Perform(CM_DIALOGCHAR, Utf8ToWide("и")[0]), 1);
    EXPECT_EQ(GetFocus(), edit->Handle());
    TObject::Free(edit);
    EXPECT_EQ(label->FocusControl(), nullptr);
    TObject::Free(form);
}

TEST(ExtCtrls, RadioGroupTracksItsCheckedButton) {
    auto* form = new TForm(Application);
    form->SetBounds(0, 0, 400, 300);
    form->Show();
    auto* group = new TRadioGroup(form);
    group->SetParent(form);
    group->Items()->Add(Utf8ToAnsi("Вперед"));
    group->Items()->Add(Utf8ToAnsi("Назад"));
    group->SetItemIndex(0);
    std::vector<int> clicks;
    group->OnClick = [&](TObject*) { clicks.push_back(group->ItemIndex()); };
    EXPECT_EQ(SendMessageW(group->Buttons(0)->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(group->Buttons(1)->Caption(), Utf8ToAnsi("Назад"));

    SendMessageW(group->Buttons(1)->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(group->ItemIndex(), 1);
    EXPECT_FALSE(group->Buttons(0)->Checked());
    group->SetItemIndex(0);
    EXPECT_EQ(clicks, (std::vector<int>{1, 0}));

    group->Items()->Add("3");
    group->Items()->Add("4");
    group->SetColumns(2);
    EXPECT_GT(group->Buttons(2)->Left(), group->Buttons(0)->Left());
    EXPECT_GT(group->Buttons(1)->Top(), group->Buttons(0)->Top());
    EXPECT_EQ(group->Buttons(2)->Top(), group->Buttons(0)->Top());
    EXPECT_TRUE(group->Buttons(0)->Checked());

    group->SetItemIndex(3);
    group->Items()->Delete(3);
    EXPECT_EQ(group->ItemIndex(), -1);
    EXPECT_EQ(group->ControlCount(), 3);
    TObject::Free(form);
}

// A layout may give the index before the items; nothing fires while it is built.
class TDirectionForm : public TForm {
public:
    explicit TDirectionForm(TComponent* owner, int* clicks) : TForm(owner) {
        BuildForm([&] {
            down = new TRadioGroup(this);
            down->SetParent(this);
            down->OnClick = [clicks](TObject*) { ++*clicks; };
            down->SetItemIndex(1);
            down->Items()->SetText(Utf8ToAnsi("Вперед\nНазад"));
        });
    }
    TRadioGroup* down;
};

TEST(ExtCtrls, RadioGroupTakesAnIndexGivenBeforeItsItems) {
    int clicks = 0;
    auto* form = new TDirectionForm(Application, &clicks);
    EXPECT_EQ(form->down->ItemIndex(), 1);
    EXPECT_TRUE(form->down->Buttons(1)->Checked());
    EXPECT_FALSE(form->down->Buttons(0)->Checked());
    EXPECT_EQ(clicks, 0);
    TObject::Free(form);
}

TEST(ExtCtrls, FormOfEveryControlGivesBackItsWindowsAndGdiObjects) {
    const TGuiResource kinds[] = {TGuiResource::Window, TGuiResource::Font, TGuiResource::Pen, TGuiResource::Brush,
                                  TGuiResource::Bitmap};
    std::vector<int> before;
    for (TGuiResource kind : kinds) before.push_back(GuiResourceCount(kind));
    {
        TSplitForm* form = new TSplitForm(Application);
        form->Show();
        auto place = [&](TControl* c) { c->SetParent(form->rest); };
        auto* group = new TRadioGroup(form);
        place(group);
        group->Items()->SetText("a\nb\nc");
        group->SetItemIndex(1);
        auto* box = new TGroupBox(form);
        place(box);
        auto* label = new TLabel(form);
        label->SetParent(box);
        label->SetCaption("label");
        place(new TEdit(form));
        place(new TMemo(form));
        auto* list = new TListBox(form);
        place(list);
        list->SetStyle(lbOwnerDrawFixed);
        list->Items()->SetText("x\ny");
        auto* combo = new TComboBox(form);
        place(combo);
        combo->Items()->SetText("x\ny");
        place(new TCheckBox(form));
        place(new TButton(form));
        place(new TScrollBar(form));
        place(new TBevel(form));
        place(new TImage(form));
        form->Drag(20);
        form->splitter->ResizeStyle = rsUpdate;
        form->Drag(-20);
        for (int i = 0; i < 5; ++i) Application->ProcessMessages();
        form->SetBorderStyle(bsSingle);  // every window made again
        for (int i = 0; i < 5; ++i) Application->ProcessMessages();
        TObject::Free(form);
    }
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(GuiResourceCount(kinds[i]), before[i]) << "kind " << i;
}

}  // namespace
