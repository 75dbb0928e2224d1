#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/sysutils.h"
#include "widgets/option_box.h"

namespace {

class OptionBox : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        box = new TOptionBox(form);
        box->SetParent(form);
        // The menu loop never runs in these tests.
        box->OnDropdown = [this](TObject*, bool& showMenu, bool&) {
            ++dropdowns;
            showMenu = false;
        };
    }
    void TearDown() override { TObject::Free(form); }
    TPopupMenu* UserMenu(const std::vector<std::string>& captions) {
        auto* menu = new TPopupMenu(form);
        for (const std::string& caption : captions) {
            auto* item = new TMenuItem(menu);
            item->SetCaption(caption);
            item->OnClick = [this](TObject* sender) { log.push_back("user " + static_cast<TMenuItem*>(sender)->Caption()); };
            menu->Items()->Add(item);
        }
        return menu;
    }

    TForm* form = nullptr;
    TOptionBox* box = nullptr;
    int dropdowns = 0;
    std::vector<std::string> log;
};

TEST_F(OptionBox, WithoutItemsItIsAPlainButton) {
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    box->Initialize();
    EXPECT_EQ(box->DropdownMenu(), nullptr);
    EXPECT_FALSE(box->DropdownArrow());
    box->Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(dropdowns, 0);

    box->Items()->SetCommaText("Red,Green");  // items that come after loading
    ASSERT_EQ(box->DropdownMenu(), box->OwnMenu());
    EXPECT_TRUE(box->DropdownArrow());
    EXPECT_EQ(box->DropdownMenu()->Items()->Count(), 2);
    box->DropdownMenu()->Items()->Items(1)->Click();
    EXPECT_EQ(box->Caption(), "Green");
    EXPECT_EQ(box->ItemIndex(), 1);
}

TEST_F(OptionBox, ItemIndexStaysWithinTheItems) {
    box->Items()->SetCommaText("Red,Green,Blue");
    box->Initialize();
    ASSERT_NE(box->DropdownMenu(), nullptr);
    EXPECT_EQ(box->DropdownMenu()->Items()->Count(), 3);
    box->SetItemIndex(1);
    EXPECT_EQ(box->Caption(), "Green");
    EXPECT_THROW(box->SetItemIndex(3), Exception);
    EXPECT_EQ(box->ItemIndex(), 1);
    box->SetItemIndex(-1);
    EXPECT_EQ(box->Caption(), "");

    box->SetChangeCaptionOnSelect(false);
    box->SetCaption("Colour");
    box->DropdownMenu()->Items()->Items(2)->Click();
    EXPECT_EQ(box->ItemIndex(), 2);
    EXPECT_EQ(box->Caption(), "Colour");

    box->Items()->Add("Black");  // the own menu follows the items
    EXPECT_EQ(box->DropdownMenu()->Items()->Count(), 4);
}

TEST_F(OptionBox, ATakenOverMenuKeepsItsHandlersAndItsItems) {
    TPopupMenu* menu = UserMenu({"One", "Two"});
    box->OnItemSelected = [&](TObject*) { log.push_back("selected"); };
    box->SetDropdownMenu(menu);
    box->Initialize();
    EXPECT_EQ(box->OwnMenu(), nullptr);
    EXPECT_EQ(box->Items()->CommaText(), "One,Two");

    menu->Items()->Items(1)->Click();
    EXPECT_EQ(log, (std::vector<std::string>{"user Two", "selected"}));
    EXPECT_EQ(box->ItemIndex(), 1);
    EXPECT_EQ(box->Caption(), "Two");

    box->Items()->Add("Three");  // never touches the user's menu
    EXPECT_EQ(menu->Items()->Count(), 2);
    EXPECT_EQ(menu->Items()->Items(0)->Caption(), "One");

    box->Initialize();  // a second run saves no handler of its own
    log.clear();
    menu->Items()->Items(0)->Click();
    EXPECT_EQ(log, (std::vector<std::string>{"user One", "selected"}));
}

TEST_F(OptionBox, InitializeTwiceKeepsTheOwnMenuAndTheClickHandler) {
    box->Items()->SetCommaText("A,B");
    int userClicks = 0;
    box->OnClick = [&](TObject*) { ++userClicks; };
    box->DropDownOnClick = true;
    box->Initialize();
    box->Initialize();
    ASSERT_NE(box->DropdownMenu(), nullptr);
    EXPECT_EQ(box->DropdownMenu(), box->OwnMenu());
    EXPECT_EQ(box->Items()->CommaText(), "A,B");
    EXPECT_EQ(box->DropdownMenu()->Items()->Count(), 2);
    box->DropdownMenu()->Items()->Items(1)->Click();
    EXPECT_EQ(box->ItemIndex(), 1);
    // The click handler saved once: the user's, not the box's own.
    box->OnDropdown = [](TObject*, bool& showMenu, bool&) { showMenu = false; };
    box->DropdownMenu()->Items()->Clear();  // no popup loop from ButtonClick either
    box->Click();
    // Once from the box's own click, once from the drop-down's click through
    // ButtonClick; a handler saved twice would call itself without end.
    EXPECT_EQ(userClicks, 2);
}

TEST_F(OptionBox, WithAMenuOnClickFiresTwice) {
    box->Items()->SetCommaText("A,B");
    box->Initialize();
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    box->Click();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(dropdowns, 1);
}

}  // namespace
