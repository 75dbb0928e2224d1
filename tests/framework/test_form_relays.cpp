#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/win.h"

namespace {

// Records the framework notifications it hears; answers the dialog keys and
// characters it is told to.
class TListener : public TGraphicControl {
public:
    TListener(TComponent* owner, std::vector<std::string>& log, std::string name)
        : TGraphicControl(owner), log_(log), name_(std::move(name)) {}
    uintptr_t answerKey = 0;
    wchar_t answerChar = 0;
    void WndProc(TMessage& m) override {
        switch (m.Msg) {
        case CM_SYSCOLORCHANGE:
            log_.push_back(name_ + " colours");
            break;
        case CM_DIALOGKEY:
            log_.push_back(name_ + " key " + std::to_string(m.WParam));
            if (m.WParam == answerKey) m.Result = 1;
            return;
        case CM_DIALOGCHAR:
            log_.push_back(name_ + " char");
            if (static_cast<wchar_t>(m.WParam) == answerChar) m.Result = 1;
            return;
        default:
            break;
        }
        TGraphicControl::WndProc(m);
    }

private:
    std::vector<std::string>& log_;
    std::string name_;
};

void Pump() {
    for (int i = 0; i < 3; ++i) {
        Application->ProcessMessages();
        Sleep(10);
    }
}

class FormRelays : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(80, 80, 300, 200);
        panel = new TPanel(form);
        panel->SetParent(form);
        panel->SetBounds(0, 0, 200, 100);
        outer = new TListener(form, log, "outer");
        outer->SetParent(form);
        inner = new TListener(form, log, "inner");
        inner->SetParent(panel);
        form->Show();
        SetForegroundWindow(form->Handle());
        ::SetFocus(form->Handle());
        Pump();
        log.clear();
    }
    void TearDown() override {
        TObject::Free(form);
        Pump();
    }
    // Through the message loop, as a key typed on the keyboard arrives.
    void Type(unsigned msg, WPARAM key, HWND target = nullptr) {
        PostMessageW(target ? target : GetFocus(), msg, key, 1);
        Pump();
    }
    std::vector<std::string> log;
    TForm* form = nullptr;
    TPanel* panel = nullptr;
    TListener* outer = nullptr;
    TListener* inner = nullptr;
};

TEST_F(FormRelays, ASystemColourChangeReachesEveryControlOnTheForm) {
    SendMessageW(form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"inner colours", "outer colours"}));
}

TEST_F(FormRelays, EnterAndEscapeAreOfferedToTheControlsUntilOneAnswers) {
    inner->answerKey = VK_ESCAPE;
    bool cancelled = false;
    auto* cancel = new TButton(form);
    cancel->SetParent(form);
    cancel->SetBounds(210, 10, 60, 24);
    cancel->OnClick = [&](TObject*) { cancelled = true; };
    form->CancelButton = cancel;
    ::SetFocus(form->Handle());

    Type(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(log, (std::vector<std::string>{"inner key 13", "outer key 13"}));
    log.clear();
    Type(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(log, (std::vector<std::string>{"inner key 27"}));
    EXPECT_FALSE(cancelled) << "the control that answered Esc keeps it from the cancel button";
    log.clear();
    Type(WM_KEYDOWN, 'A');
    EXPECT_EQ(log, (std::vector<std::string>{"inner char", "outer char"}))
        << "a letter is no dialog key, its character may be an accelerator";
}

TEST_F(FormRelays, CharactersAreAcceleratorsOnlyWhereTheFocusedControlTakesNone) {
    const wchar_t ka = L'\x043A';  // к
    outer->answerChar = ka;
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(210, 40, 60, 24);
    auto* typing = new TPanel(form);
    typing->SetParent(form);
    typing->SetBounds(210, 70, 60, 24);
    typing->TabStop = true;
    typing->OnKeyPress = [](TObject*, char&) {};
    Pump();

    struct Case {
        const char* what;
        TWinControl* focus;
        unsigned msg;
        bool offered;
    } cases[] = {
        {"plain character, focus on the form", form, WM_CHAR, true},
        {"Alt and a character, focus on the form", form, WM_SYSCHAR, true},
        {"plain character in an edit box", edit, WM_CHAR, false},
        {"Alt and a character in an edit box", edit, WM_SYSCHAR, true},
        {"plain character to a control with its own key handler", typing, WM_CHAR, false},
    };
    for (const Case& c : cases) {
        log.clear();
        ::SetFocus(c.focus->Handle());
        Type(c.msg, ka);
        EXPECT_EQ(!log.empty(), c.offered) << c.what;
    }
    EXPECT_EQ(edit->Text().size(), 1u) << "only the character that was no accelerator is typed";
}

}  // namespace
