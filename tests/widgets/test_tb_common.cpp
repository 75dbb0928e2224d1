#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "widgets/tb_common.h"

namespace {

std::vector<std::string> g_calls;

void MouseMoveProc(THookProcCode, HWND, uintptr_t, intptr_t) {
    g_calls.push_back("mouse");
}
HWND g_watched = nullptr;
void DestroyProc(THookProcCode, HWND wnd, uintptr_t, intptr_t) {
    if (wnd == g_watched) g_calls.push_back("destroy");
}
void UnregistersOther(THookProcCode, HWND, uintptr_t, intptr_t) {
    g_calls.push_back("unregister");
    UninstallHookProc(MouseMoveProc);
}

TEST(HookProcRegistry, SameProcedureTwiceKeepsOneEntryAndCountsKinds) {
    InstallHookProc(MouseMoveProc, HookCodes({hpPostMouseMove, hpSendActivateApp}), false);
    InstallHookProc(MouseMoveProc, HookCodes({hpPostMouseMove}), false);
    EXPECT_EQ(HookProcRegistrations(MouseMoveProc), 2);
    EXPECT_EQ(HookKindCount(2), 2);
    EXPECT_EQ(HookKindCount(0), 1);
    EXPECT_TRUE(HookKindInstalled(0));
    EXPECT_TRUE(HookKindInstalled(2));

    UninstallHookProc(MouseMoveProc);
    EXPECT_EQ(HookKindCount(2), 1);
    EXPECT_TRUE(HookKindInstalled(0));  // the first registration still holds it
    UninstallHookProc(MouseMoveProc);
    for (int kind = 0; kind < 3; ++kind) {
        EXPECT_EQ(HookKindCount(kind), 0) << kind;
        EXPECT_FALSE(HookKindInstalled(kind)) << kind;
    }
    EXPECT_EQ(HookProcRegistrations(MouseMoveProc), 0);
}

TEST(HookProcRegistry, OnlyIncrementCountTakesNoHookReferences) {
    InstallHookProc(DestroyProc, HookCodes({hpPreDestroy}), false);
    InstallHookProc(DestroyProc, HookCodes({hpPreDestroy}), true);
    EXPECT_EQ(HookKindCount(1), 1);
    EXPECT_FALSE(HookKindInstalled(0));
    EXPECT_FALSE(HookKindInstalled(2));
    UninstallHookProc(DestroyProc);  // gives back nothing: that one took nothing
    EXPECT_TRUE(HookKindInstalled(1));
    UninstallHookProc(DestroyProc);
    EXPECT_FALSE(HookKindInstalled(1));
    UninstallHookProc(DestroyProc);  // not registered: nothing happens
    EXPECT_EQ(HookKindCount(1), 0);
}

TEST(HookProcRegistry, DestroyingAWindowCallsPreDestroyProcedures) {
    g_calls.clear();
    InstallHookProc(DestroyProc, HookCodes({hpPreDestroy}), false);
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    g_watched = wnd;
    DestroyWindow(wnd);
    UninstallHookProc(DestroyProc);
    EXPECT_EQ(g_calls, std::vector<std::string>{"destroy"});
}

TEST(HookProcRegistry, AProcedureMayUnregisterAnotherDuringAWalk) {
    g_calls.clear();
    InstallHookProc(UnregistersOther, HookCodes({hpPostMouseMove}), false);
    InstallHookProc(MouseMoveProc, HookCodes({hpPostMouseMove}), false);
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    PostMessageW(wnd, WM_MOUSEMOVE, 0, 0);
    MSG msg;
    while (PeekMessageW(&msg, wnd, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    DestroyWindow(wnd);
    UninstallHookProc(UnregistersOther);
    EXPECT_EQ(g_calls, std::vector<std::string>{"unregister"});
    EXPECT_FALSE(HookKindInstalled(2));
    EXPECT_EQ(HookKindCount(2), 0);
}

int CompareInts(void* a, void* b, void* extra) {
    int direction = *static_cast<int*>(extra);
    auto x = reinterpret_cast<intptr_t>(a);
    auto y = reinterpret_cast<intptr_t>(b);
    return direction * (x < y ? -1 : x > y ? 1 : 0);
}

TEST(ListSortEx, SortsWithTheExtraData) {
    struct Case {
        std::vector<intptr_t> input;
        int direction;
        std::vector<intptr_t> expected;
    };
    const Case cases[] = {
        {{}, 1, {}},
        {{7}, 1, {7}},
        {{3, 1, 2}, 1, {1, 2, 3}},
        {{3, 1, 2, 5, 4, 4}, -1, {5, 4, 4, 3, 2, 1}},
    };
    for (const Case& c : cases) {
        std::vector<void*> list;
        for (intptr_t v : c.input) list.push_back(reinterpret_cast<void*>(v));
        int direction = c.direction;
        ListSortEx(list, CompareInts, &direction);
        std::vector<intptr_t> got;
        for (void* p : list) got.push_back(reinterpret_cast<intptr_t>(p));
        EXPECT_EQ(got, c.expected);
    }
}

// Items compare by key only; the partition order shows in how equal keys end up.
TEST(ListSortEx, KeepsThePartitionOrderOfEqualKeys) {
    struct Item {
        int key;
        char name;
    };
    Item items[] = {{1, 'a'}, {0, 'b'}, {1, 'c'}, {0, 'd'}};
    std::vector<void*> list;
    for (Item& item : items) list.push_back(&item);
    ListSortEx(
        list,
        [](void* a, void* b, void*) { return static_cast<Item*>(a)->key - static_cast<Item*>(b)->key; },
        nullptr);
    std::string order;
    for (void* p : list) order += static_cast<Item*>(p)->name;
    EXPECT_EQ(order, "dbac");
}

TEST(SelectNCUpdateRgn, RegionOneLeavesTheClippingAlone) {
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 10, 10, 50, 40, nullptr, nullptr, nullptr, nullptr);
    HDC dc = GetWindowDC(wnd);
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    SelectNCUpdateRgn(wnd, dc, reinterpret_cast<HRGN>(1));
    EXPECT_EQ(GetClipRgn(dc, probe), 0);  // still no clipping region

    HRGN update = CreateRectRgn(10, 10, 30, 20);  // screen coordinates
    SelectNCUpdateRgn(wnd, dc, update);
    ASSERT_EQ(GetClipRgn(dc, probe), 1);
    RECT box;
    GetRgnBox(probe, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 20);
    EXPECT_EQ(box.bottom, 10);
    DeleteObject(update);
    DeleteObject(probe);
    ReleaseDC(wnd, dc);
    DestroyWindow(wnd);
}

class PrintProbe : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<unsigned> seen;
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_PRINT) {
            HandleWMPrint(Handle(), m, nullptr, 0);
            return;
        }
        if (m.Msg == WM_PRINTCLIENT) {
            seen.push_back(m.Msg);
            HandleWMPrintClient(this, m);
            return;
        }
        if (m.Msg == WM_ERASEBKGND && m.WParam) seen.push_back(m.Msg);
        TCustomControl::WndProc(m);
    }

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(ClientRect());
    }
};

TEST(HandleWMPrint, PrintsTheClientOnlyWhenAsked) {
    TForm* form = new TForm(nullptr);
    auto* probe = new PrintProbe(form);
    probe->SetBounds(0, 0, 20, 10);
    probe->SetParent(form);
    form->Show();

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 10);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 20, 10, WHITENESS);

    Application->ProcessMessages();
    probe->seen.clear();
    SendMessageW(probe->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CHILDREN);
    EXPECT_TRUE(probe->seen.empty());
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 255, 255));

    SendMessageW(probe->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(probe->seen, (std::vector<unsigned>{WM_ERASEBKGND, WM_PRINTCLIENT}));
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 0, 0));

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    TObject::Free(form);
}

// A form (or a control on one) that prints itself, its children and its
// owned windows through HandleWMPrint and paints in one colour.
template <class Base>
class Printed : public Base {
public:
    Printed(TComponent* owner, TColor colour) : Base(owner), colour_(colour) {}
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_PRINT) {
            HandleWMPrint(this->Handle(), m, nullptr, 0);
            return;
        }
        if (m.Msg == WM_PRINTCLIENT) {
            HandleWMPrintClient(this, m);
            return;
        }
        Base::WndProc(m);
    }

protected:
    void Paint() override {
        this->Canvas()->Brush()->SetColor(colour_);
        this->Canvas()->FillRect(this->ClientRect());
    }

private:
    TColor colour_;
};

class PrintedBox : public Printed<TCustomControl> {
    using Printed::Printed;
};
class PrintedForm : public Printed<TForm> {
    using Printed::Printed;
};

TEST(HandleWMPrint, ChildrenAndOwnedWindowsArePrintedWhereTheyLie) {
    auto* top = new PrintedForm(nullptr, clWhite);
    top->SetBorderStyle(bsNone);
    top->SetBounds(100, 100, 60, 20);
    auto* red = new PrintedBox(top, clRed);
    red->SetBounds(0, 0, 20, 20);
    red->SetParent(top);
    auto* blue = new PrintedBox(top, clBlue);
    blue->SetBounds(20, 0, 20, 20);
    blue->SetParent(top);
    top->Show();
    auto* owned = new PrintedForm(nullptr, clLime);
    owned->SetBorderStyle(bsNone);
    owned->SetBounds(140, 100, 20, 20);
    SetWindowLongPtrW(owned->Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(top->Handle()));
    owned->Show();
    Application->ProcessMessages();

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 60, 20);
    HGDIOBJ old = SelectObject(dc, bitmap);
    struct Case {
        LPARAM flags;
        COLORREF left, middle, right;
    } cases[] = {
        {PRF_CLIENT, RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)},
        {PRF_CLIENT | PRF_CHILDREN, RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 255, 255)},
        {PRF_CLIENT | PRF_CHILDREN | PRF_OWNED, RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 255, 0)},
    };
    for (const Case& c : cases) {
        PatBlt(dc, 0, 0, 60, 20, BLACKNESS);
        SendMessageW(top->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc), c.flags);
        EXPECT_EQ(GetPixel(dc, 10, 10), c.left) << c.flags;
        EXPECT_EQ(GetPixel(dc, 30, 10), c.middle) << c.flags;
        EXPECT_EQ(GetPixel(dc, 50, 10), c.right) << c.flags;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    TObject::Free(owned);
    TObject::Free(top);
}

TEST(ToolbarStrings, ComeFromTheStringTable) {
    EXPECT_EQ(LoadToolbarString(STB97ToolbarControlNotChildOfToolbar), "Control '%s' is not a child of the toolbar");
    EXPECT_EQ(LoadToolbarString(STB97ToolwinParentNotAllowed),
              "A tool window can only be placed on a TDock or directly on the form");
    EXPECT_EQ(LoadToolbarString(12345), "");
}

}  // namespace
