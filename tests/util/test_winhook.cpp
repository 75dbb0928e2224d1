#include "util/winhook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "support/test_support.h"

namespace {

constexpr unsigned kProbe = WM_USER + 77;

// A form that records which probe messages reach its own handling.
class TWatchedForm : public TForm {
public:
    explicit TWatchedForm(TComponent* owner) : TForm(owner) {
        BuildForm([&] { SetBounds(20, 20, 200, 120); });
    }
    void WndProc(TMessage& m) override {
        if (m.Msg == kProbe) {
            Log.push_back("form");
            m.Result = 5;
            return;
        }
        if (m.Msg == WM_DESTROY) Log.push_back("form destroy");
        TForm::WndProc(m);
    }
    std::vector<std::string> Log;
};

struct HookedForm {
    HookedForm() : form(new TWatchedForm(Application)) {}
    // The hook writes "<name> before" and "<name> after" for the probe and WM_DESTROY.
    TWindowHook* AddHook(const std::string& name, bool handleBefore = false) {
        auto* hook = new TWindowHook(form.get());
        hook->BeforeMessage = [this, name, handleBefore](TObject*, TMessage& m, bool& handled) {
            if (m.Msg != kProbe && m.Msg != WM_DESTROY) return;
            form->Log.push_back(name + " before");
            handled = handleBefore;
        };
        hook->AfterMessage = [this, name](TObject*, TMessage& m, bool&) {
            if (m.Msg != kProbe && m.Msg != WM_DESTROY) return;
            form->Log.push_back(name + " after " + std::to_string(m.Result));
        };
        hook->SetWinControl(form.get());
        return hook;
    }
    LRESULT Probe() {
        form->Log.clear();
        return SendMessageW(form->Handle(), kProbe, 0, 0);
    }
    owned_ptr<TWatchedForm> form;
};

TEST(WindowHook, LastAttachedHookSeesEachMessageFirst) {
    HookedForm f;
    f.AddHook("first");
    f.AddHook("second");
    EXPECT_EQ(f.Probe(), 5);
    EXPECT_EQ(f.form->Log, (std::vector<std::string>{"second before", "first before", "form", "second after 5",
                                                     "first after 5"}));
    EXPECT_NE(TWindowHook::GetHookHandle(), -1);
}

TEST(WindowHook, HandledStopsTheMessageButNeverWmDestroy) {
    HookedForm f;
    f.AddHook("first");
    f.AddHook("stopper", true);
    EXPECT_EQ(f.Probe(), 0);
    EXPECT_EQ(f.form->Log, (std::vector<std::string>{"stopper before"}));

    f.form->Log.clear();
    f.form->DestroyHandle();
    EXPECT_EQ(f.form->Log,
              (std::vector<std::string>{"stopper before", "form destroy", "stopper after 0", "first after 0"}));
}

TEST(WindowHook, ANewWindowOfTheControlIsHookedAgain) {
    HookedForm f;
    f.AddHook("hook");
    HWND old = f.form->Handle();
    f.form->RecreateWnd();
    f.form->HandleNeeded();
    ASSERT_NE(f.form->Handle(), old);
    Application->ProcessMessages();
    f.Probe();
    EXPECT_EQ(f.form->Log, (std::vector<std::string>{"hook before", "form", "hook after 5"}));
}

TEST(WindowHook, DetachingTheLastHookRestoresTheWindowProcedure) {
    HookedForm f;
    const LONG_PTR original = GetWindowLongPtrW(f.form->Handle(), GWLP_WNDPROC);
    TWindowHook* a = f.AddHook("a");
    TWindowHook* b = f.AddHook("b");
    EXPECT_NE(GetWindowLongPtrW(f.form->Handle(), GWLP_WNDPROC), original);
    a->SetActive(false);
    EXPECT_NE(GetWindowLongPtrW(f.form->Handle(), GWLP_WNDPROC), original);
    f.Probe();
    EXPECT_EQ(f.form->Log, (std::vector<std::string>{"b before", "form", "b after 5"}));
    TObject::Free(b);
    EXPECT_EQ(GetWindowLongPtrW(f.form->Handle(), GWLP_WNDPROC), original);
    f.Probe();
    EXPECT_EQ(f.form->Log, (std::vector<std::string>{"form"}));
    a->SetActive(true);
    f.Probe();
    EXPECT_EQ(f.form->Log, (std::vector<std::string>{"a before", "form", "a after 5"}));
    Application->ProcessMessages();
}

TEST(WindowHook, AnExceptionInAHookIsShownAndTheNextHookStillRuns) {
    HookedForm f;
    f.AddHook("quiet");
    auto* thrower = new TWindowHook(f.form.get());
    thrower->BeforeMessage = [](TObject*, TMessage& m, bool&) {
        if (m.Msg == kProbe) throw Exception("hook failed.");
    };
    thrower->SetWinControl(f.form.get());
    testing_support::ShownMessageBoxes().clear();
    EXPECT_EQ(f.Probe(), 5);
    EXPECT_EQ(f.form->Log, (std::vector<std::string>{"quiet before", "form", "quiet after 5"}));
    ASSERT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(testing_support::ShownMessageBoxes()[0].text, "hook failed.");
    testing_support::ShownMessageBoxes().clear();
}

TEST(WindowHook, FreeingTheWatchedControlLeavesNoDanglingHook) {
    auto* owner = new TComponent(nullptr);
    auto* hook = new TWindowHook(owner);
    {
        HookedForm f;
        hook->SetWinControl(f.form.get());
        f.Probe();
    }
    EXPECT_EQ(hook->WinControl(), nullptr);
    Application->ProcessMessages();
    TObject::Free(owner);
}

}  // namespace
