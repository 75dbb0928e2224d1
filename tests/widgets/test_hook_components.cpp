#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "support/test_support.h"
#include "widgets/hook_components.h"

namespace {

// Reaches the shared dispatch of one hook call directly.
class ProbeKeyboardHook : public TKeyboardHook {
public:
    using TKeyboardHook::TKeyboardHook;
    static intptr_t Call(int nCode, uintptr_t wParam, intptr_t lParam) {
        return HookProc(const_cast<THookClassState&>(ClassState()), nCode, wParam, lParam);
    }
};

TEST(HookComponents, InstancesShareOneSystemHook) {
    TKeyboardHook* a = new TKeyboardHook(nullptr);
    TKeyboardHook* b = new TKeyboardHook(nullptr);
    EXPECT_EQ(TKeyboardHook::ClassState().instances.size(), 2u);
    EXPECT_EQ(TKeyboardHook::ClassState().handle, nullptr);

    a->SetHooked(true);
    void* hook = TKeyboardHook::ClassState().handle;
    ASSERT_NE(hook, nullptr);
    b->SetHooked(true);
    EXPECT_EQ(TKeyboardHook::ClassState().handle, hook);
    EXPECT_EQ(TKeyboardHook::ClassState().count, 2);
    EXPECT_EQ(TMouseHook::ClassState().count, 0);

    a->SetHooked(false);
    EXPECT_EQ(TKeyboardHook::ClassState().handle, hook);
    EXPECT_EQ(TKeyboardHook::ClassState().count, 1);
    TObject::Free(b);  // destroying a switched-on instance gives its reference back
    EXPECT_EQ(TKeyboardHook::ClassState().handle, nullptr);
    EXPECT_EQ(TKeyboardHook::ClassState().count, 0);
    TObject::Free(a);
    EXPECT_TRUE(TKeyboardHook::ClassState().instances.empty());
}

TEST(HookComponents, DispatchOffersTheCallToSwitchedOnInstancesInOrder) {
    std::vector<std::string> calls;
    ProbeKeyboardHook* off = new ProbeKeyboardHook(nullptr);
    ProbeKeyboardHook* first = new ProbeKeyboardHook(nullptr);
    ProbeKeyboardHook* second = new ProbeKeyboardHook(nullptr);
    uintptr_t seenWParam = 0;
    intptr_t seenLParam = 0;
    intptr_t firstResult = 0;
    off->OnHookProc = [&](TObject*, int, uintptr_t, intptr_t) -> intptr_t {
        calls.push_back("off");
        return 0;
    };
    first->OnHookProc = [&](TObject*, int, uintptr_t w, intptr_t l) -> intptr_t {
        calls.push_back("first");
        seenWParam = w;
        seenLParam = l;
        return firstResult;
    };
    second->OnHookProc = [&](TObject*, int, uintptr_t, intptr_t) -> intptr_t {
        calls.push_back("second");
        return 0;
    };
    first->SetHooked(true);
    second->SetHooked(true);

    const uintptr_t wide = 0x123456789ABCull;
    EXPECT_EQ(ProbeKeyboardHook::Call(0, wide, -5), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(seenWParam, wide);  // not cut to 16 bits
    EXPECT_EQ(seenLParam, -5);

    calls.clear();
    firstResult = 7;  // swallows the event: the walk stops
    EXPECT_EQ(ProbeKeyboardHook::Call(0, 1, 0), 7);
    EXPECT_EQ(calls, std::vector<std::string>{"first"});

    calls.clear();
    ProbeKeyboardHook::Call(-1, 1, 0);
    EXPECT_TRUE(calls.empty());

    TObject::Free(off);
    TObject::Free(first);
    TObject::Free(second);
    EXPECT_EQ(TKeyboardHook::ClassState().count, 0);
}

TEST(HookComponents, AnInstanceMayFreeItselfInItsHandler) {
    ProbeKeyboardHook* self = new ProbeKeyboardHook(nullptr);
    ProbeKeyboardHook* after = new ProbeKeyboardHook(nullptr);
    int afterCalls = 0;
    self->OnHookProc = [&](TObject*, int, uintptr_t, intptr_t) -> intptr_t {
        TObject::Free(self);
        self = nullptr;
        return 0;
    };
    after->OnHookProc = [&](TObject*, int, uintptr_t, intptr_t) -> intptr_t {
        ++afterCalls;
        return 0;
    };
    self->SetHooked(true);
    after->SetHooked(true);
    ProbeKeyboardHook::Call(0, 0, 0);
    EXPECT_EQ(self, nullptr);
    EXPECT_EQ(afterCalls, 1);
    EXPECT_EQ(TKeyboardHook::ClassState().count, 1);
    TObject::Free(after);
    EXPECT_EQ(TKeyboardHook::ClassState().count, 0);
    EXPECT_EQ(TKeyboardHook::ClassState().handle, nullptr);
}

TEST(HookComponents, AnErrorInAHandlerIsShownAfterTheHookReturns) {
    testing_support::ShownMessageBoxes().clear();
    ProbeKeyboardHook* hook = new ProbeKeyboardHook(nullptr);
    hook->OnHookProc = [](TObject*, int, uintptr_t, intptr_t) -> intptr_t { throw Exception("hook failed"); };
    hook->SetHooked(true);
    EXPECT_EQ(ProbeKeyboardHook::Call(0, 0, 0), 0);
    EXPECT_TRUE(testing_support::ShownMessageBoxes().empty());
    Application->ProcessMessages();
    ASSERT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(testing_support::ShownMessageBoxes()[0].text, "hook failed.");
    testing_support::ShownMessageBoxes().clear();
    TObject::Free(hook);
}

TEST(HookComponents, RemovingTheLastReferenceWithoutAHookRaisesOnlyFromTheSetter) {
    TMouseHook* hook = new TMouseHook(nullptr);
    hook->SetHooked(true);
    ASSERT_TRUE(hook->Hooked());
    // Someone else removed the system hook behind the component's back.
    auto& state = const_cast<THookClassState&>(TMouseHook::ClassState());
    UnhookWindowsHookEx(static_cast<HHOOK>(state.handle));
    state.handle = nullptr;
    EXPECT_THROW(hook->SetHooked(false), Exception);
    TObject::Free(hook);  // does not raise
    EXPECT_EQ(TMouseHook::ClassState().count, 1);
    state.count = 0;
}

TEST(HookComponents, TheMouseHookSeesRealMouseInput) {
    TForm* form = new TForm(nullptr);
    form->SetBounds(100, 100, 200, 150);
    form->Show();
    SetForegroundWindow(form->Handle());
    Application->ProcessMessages();

    TMouseHook* hook = new TMouseHook(nullptr);
    int calls = 0;
    hook->OnHookProc = [&](TObject*, int, uintptr_t, intptr_t) -> intptr_t {
        ++calls;
        return 0;
    };
    hook->SetHooked(true);
    RECT r;
    GetWindowRect(form->Handle(), &r);
    SetCursorPos(r.left + 100, r.top + 80);
    SetCursorPos(r.left + 110, r.top + 90);
    for (int i = 0; i < 5; ++i) {
        Application->ProcessMessages();
        Sleep(20);
    }
    EXPECT_GT(calls, 0);
    EXPECT_EQ(hook->MouseHookStruct().hwnd, form->Handle());
    TObject::Free(hook);
    TObject::Free(form);
}

}  // namespace
