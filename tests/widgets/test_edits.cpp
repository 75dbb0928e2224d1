#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/win.h"
#include "timed_steps.h"
#include "widgets/flat_edit.h"
#include "widgets/tool_button.h"
#include "widgets/wide_edit.h"

using namespace widget_tests;

namespace {

COLORREF Sys(int index) {
    return GetSysColor(index);
}

class FlatEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Nothing under the cursor to begin with.
        MoveMouse(900, 900);
        form = new TForm(nullptr);
        form->SetCaption("Edits");
        form->SetBounds(150, 150, 360, 200);
        first = Edit(10, 10);
        second = Edit(10, 40);
        disabled = Edit(10, 70);
        disabled->SetText("disabled");
        disabled->SetEnabled(false);
        wide = new TMyEdit(form);
        wide->SetBounds(10, 100, 300, 50);
        wide->SetParent(form);
        form->Show();
        SetForegroundWindow(form->Handle());
        // No flat edit has the focus to begin with, nothing is under the cursor.
        wide->SetFocus();
        MoveMouse(900, 900);
        Pump(300);
    }
    void TearDown() override { TObject::Free(form); }
    TFlatEdit* Edit(int x, int y) {
        auto* e = new TFlatEdit(form);
        e->SetBounds(x, y, 150, 19);
        e->SetParent(form);
        return e;
    }
    // The frame's corner pixels as WM_PRINT draws them: top-left and bottom-right.
    std::pair<COLORREF, COLORREF> PrintedCorners(TFlatEdit* e) {
        TBitmap bitmap;
        bitmap.SetSize(e->Width(), e->Height());
        HDC dc = bitmap.Canvas()->Handle();
        SendMessageW(e->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT);
        return {GetPixel(dc, 0, 0), GetPixel(dc, e->Width() - 1, e->Height() - 1)};
    }
    std::pair<COLORREF, COLORREF> ScreenCorners(TFlatEdit* e) {
        RECT r;
        GetWindowRect(e->Handle(), &r);
        return {ScreenPixel(r.left, r.top), ScreenPixel(r.right - 1, r.bottom - 1)};
    }
    void Hover(TFlatEdit* e) {
        RECT r;
        GetWindowRect(e->Handle(), &r);
        MoveMouse(r.left + 20, r.top + 8);
        Pump(300);
    }
    TForm* form = nullptr;
    TFlatEdit* first = nullptr;
    TFlatEdit* second = nullptr;
    TFlatEdit* disabled = nullptr;
    TMyEdit* wide = nullptr;
};

TEST_F(FlatEditTest, FrameLooks) {
    const std::pair<COLORREF, COLORREF> flat{Sys(COLOR_BTNFACE), Sys(COLOR_BTNFACE)};
    const std::pair<COLORREF, COLORREF> sunken{Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT)};
    EXPECT_EQ(PrintedCorners(first), flat);
    EXPECT_EQ(ScreenCorners(first), flat);

    first->SetFocus();
    Pump();
    EXPECT_EQ(PrintedCorners(first), sunken);
    EXPECT_EQ(ScreenCorners(first), sunken);

    // Hovering the other edit while a flat edit has the focus keeps it flat.
    Hover(second);
    EXPECT_TRUE(second->MouseInControl());
    EXPECT_EQ(ScreenCorners(second), flat);

    // With the focus elsewhere, hovering sinks it.
    wide->SetFocus();
    Pump();
    Hover(first);
    Hover(second);
    EXPECT_EQ(ScreenCorners(second), sunken);

    // Disabled under the cursor: flat and grey at once.
    second->SetEnabled(false);
    Pump();
    EXPECT_FALSE(second->MouseInControl());
    EXPECT_EQ(second->Color(), clBtnFace);
    EXPECT_EQ(ScreenCorners(second), flat);
    EXPECT_EQ(PrintedCorners(disabled), flat);
}

TEST_F(FlatEditTest, ClientHeightAndRegistration) {
    RECT window;
    GetWindowRect(first->Handle(), &window);
    POINT client{0, 0};
    ClientToScreen(first->Handle(), &client);
    EXPECT_EQ(client.x - window.left, 3);
    EXPECT_EQ(client.y - window.top, 3);

    first->Font()->SetSize(16);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, first->Font()->Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(first->Height(), tm.tmHeight + 6);

    EXPECT_EQ(FlatEditInstanceCount(), 3);
    EXPECT_TRUE(ControlIsFlatControl(first));
    TObject::Free(second);
    TObject::Free(disabled);
    EXPECT_TRUE(ControlIsFlatControl(first));
    EXPECT_EQ(FlatEditInstanceCount(), 1);
}

// --- the wide-character edit

void Char(TMyEdit* e, wchar_t c) {
    SendMessageW(e->Handle(), WM_CHAR, c, 1);
}
void KeyDown(TMyEdit* e, unsigned vk) {
    SendMessageW(e->Handle(), WM_KEYDOWN, vk, 1);
}
void Type(TMyEdit* e, const std::wstring& text) {
    for (wchar_t c : text) Char(e, c);
}

TEST_F(FlatEditTest, WideEditTypingAndDeleting) {
    int changes = 0;
    TObject* sender = reinterpret_cast<TObject*>(1);
    wide->OnChange = [&](TObject* s) {
        ++changes;
        sender = s;
    };
    // Backspace at 0 and Delete at the end change nothing.
    Char(wide, VK_BACK);
    KeyDown(wide, VK_DELETE);
    EXPECT_EQ(wide->WText(), L"");

    const std::wstring russian = Utf8ToWide("Словарь");
    const std::wstring greek = Utf8ToWide("λέξη");
    for (wchar_t c : russian + greek) PostMessageW(wide->Handle(), WM_CHAR, c, 1);
    Pump();
    EXPECT_EQ(wide->WText(), russian + greek);
    EXPECT_EQ(changes, 0);  // typing does not fire it

    // Enter, Tab, Escape and DEL are not text.
    for (wchar_t c : {L'\r', L'\t', L'\x1b', L'\x7f'}) Char(wide, c);
    EXPECT_EQ(wide->WText(), russian + greek);

    KeyDown(wide, VK_LEFT);
    KeyDown(wide, VK_DELETE);
    EXPECT_EQ(wide->WText(), russian + greek.substr(0, 3));
    KeyDown(wide, VK_DELETE);
    EXPECT_EQ(wide->CursorPosition(), static_cast<int>(russian.size() + 3));

    // A surrogate pair is one character.
    wide->WriteWC(L"");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(sender, nullptr);
    Type(wide, L"a\xD835\xDC00");
    EXPECT_EQ(wide->CursorPosition(), 3);
    KeyDown(wide, VK_LEFT);
    EXPECT_EQ(wide->CursorPosition(), 1);
    KeyDown(wide, VK_RIGHT);
    Char(wide, VK_BACK);
    EXPECT_EQ(wide->WText(), L"a");
}

TEST_F(FlatEditTest, WideEditCapacity) {
    wide->WriteWC(std::wstring(300, L'ж'));
    EXPECT_EQ(wide->WText().size(), 258u);
    EXPECT_EQ(wide->CursorPosition(), 258);
    Char(wide, L'x');
    EXPECT_EQ(wide->WText(), std::wstring(258, L'ж'));
    // One unit left: a pair does not fit, and no half of it is kept.
    wide->WriteWC(std::wstring(257, L'ж'));
    Type(wide, L"\xD835\xDC00");
    EXPECT_EQ(wide->WText().size(), 257u);
    // WriteWC never cuts a pair in two.
    wide->WriteWC(std::wstring(257, L'ж') + L"\xD835\xDC00");
    EXPECT_EQ(wide->WText().size(), 257u);
}

TEST_F(FlatEditTest, WideEditMouseAndCaret) {
    wide->WriteWC(L"WiWiWiWi");
    Pump();
    auto caretX = [&](int units) {
        HDC dc = GetDC(wide->Handle());
        HGDIOBJ old = SelectObject(dc, wide->Font()->Handle());
        SIZE size{};
        const std::wstring text = wide->WText();
        GetTextExtentPoint32W(dc, text.c_str(), units, &size);
        SelectObject(dc, old);
        ReleaseDC(wide->Handle(), dc);
        return wide->LeftShift + static_cast<int>(size.cx);
    };
    auto click = [&](int x) {
        SendMessageW(wide->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 10));
        SendMessageW(wide->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, 10));
    };
    click(0);
    EXPECT_EQ(wide->CursorPosition(), 0);
    // Exactly between two positions: the earlier one.
    int between = -1;
    for (int i = 0; i < 7; ++i)
        if ((caretX(i + 1) - caretX(i)) % 2 == 0) {
            between = i;
            break;
        }
    ASSERT_GE(between, 0);
    click((caretX(between) + caretX(between + 1)) / 2);
    EXPECT_EQ(wide->CursorPosition(), between);
    click(caretX(3) + 1);
    EXPECT_EQ(wide->CursorPosition(), 3);
    // The caret is a 40-pixel bar at the cursor.
    EXPECT_TRUE(wide->Focused());
    ASSERT_TRUE(wide->CaretShown());
    EXPECT_EQ(wide->CaretRect().bottom - wide->CaretRect().top, 40);
    EXPECT_EQ(wide->CaretRect().left, caretX(3));
}

TEST_F(FlatEditTest, EditsForTheScreenshot) {
    first->SetText("flat");
    second->SetText("under the mouse: sunken");
    wide->WriteWC(Utf8ToWide("Словарь λέξη"));
    Pump(300);
    // The wide edit keeps the focus (for its caret); the mouse sinks the second.
    wide->SetFocus();
    Hover(second);
    // Wait for the caret to blink on.
    for (int i = 0; i < 20 && !wide->CaretShown(); ++i) Pump(50);
    RECT r;
    GetWindowRect(form->Handle(), &r);
    SaveScreenshot("edits", {r.left, r.top, r.right, r.bottom});
}

}  // namespace
