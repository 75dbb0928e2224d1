#include "framework/actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/forms.h"

namespace {

class ActionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        action = new TAction(form);
        action->SetCaption("Print");
        action->SetHint("Prints the article");
        action->SetHelpContext(7);
        action->OnExecute = [this](TObject* sender) { log.push_back(sender == action ? "executed" : "?"); };
        control = new TGraphicControl(form);
        control->SetParent(form);
    }
    void TearDown() override { TObject::Free(form); }
    TForm* form = nullptr;
    TAction* action = nullptr;
    TGraphicControl* control = nullptr;
    std::vector<std::string> log;
};

TEST_F(ActionsTest, ALinkedControlFollowsTheActionUntilItGoesItsOwnWay) {
    control->SetAction(action);
    EXPECT_EQ(control->Caption(), "Print");
    EXPECT_EQ(control->Hint, "Prints the article");
    EXPECT_EQ(control->HelpContext, 7);

    action->SetEnabled(false);
    action->SetCaption("Print all");
    EXPECT_FALSE(control->Enabled());
    EXPECT_EQ(control->Caption(), "Print all");

    control->SetCaption("Mine");  // no longer the action's caption
    action->SetCaption("Print again");
    EXPECT_EQ(control->Caption(), "Mine");
    action->SetEnabled(true);
    EXPECT_TRUE(control->Enabled()) << "the other properties still follow";
}

TEST_F(ActionsTest, AClickRunsTheActionUnlessTheControlHasItsOwnHandler) {
    control->SetAction(action);
    control->Click();
    EXPECT_EQ(log, std::vector<std::string>{"executed"});
    control->OnClick = [this](TObject*) { log.push_back("own"); };
    control->Click();
    EXPECT_EQ(log, (std::vector<std::string>{"executed", "own"}));
}

TEST_F(ActionsTest, EitherSideMayGoFirst) {
    control->SetAction(action);
    TObject::Free(action);
    EXPECT_EQ(control->Action(), nullptr);
    control->Click();  // nothing to run, nothing to crash

    auto* second = new TAction(form);
    control->SetAction(second);
    TObject::Free(control);
    second->SetCaption("after the control");  // no link left behind
    EXPECT_EQ(second->Caption(), "after the control");
}

TEST_F(ActionsTest, AnActionTakesOverAControlsState) {
    control->SetCaption("Copy");
    control->Hint = "Copies";
    control->SetEnabled(false);
    control->OnClick = [this](TObject*) { log.push_back("copied"); };
    auto* copy = new TAction(form);
    copy->Assign(control);
    EXPECT_EQ(copy->Caption(), "Copy");
    EXPECT_EQ(copy->Hint(), "Copies");
    EXPECT_FALSE(copy->Enabled());
    EXPECT_TRUE(copy->Execute());
    EXPECT_EQ(log, std::vector<std::string>{"copied"});
}

}  // namespace
