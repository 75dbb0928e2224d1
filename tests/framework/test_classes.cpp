#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "framework/classes.h"

namespace {

// Records every destruction and every call that reaches a component, and
// whether the component was still whole at that moment.
struct Journal {
    std::vector<std::string> events;
    std::multiset<const void*> destroyed;
    std::set<const void*> live;
};

class TTracked : public TComponent {
public:
    TTracked(TComponent* owner, std::string name, Journal& journal)
        : TComponent(owner), journal_(journal) {
        SetName(name);
        journal_.live.insert(this);
    }
    ~TTracked() override {
        journal_.events.push_back("destroy " + Name());
        journal_.destroyed.insert(this);
        journal_.live.erase(this);
    }
    std::function<void()> onLoaded;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        if (operation == TOperation::opRemove) {
            // The notified component must be whole: this override is the most
            // derived one only while it is.
            EXPECT_TRUE(journal_.live.count(this)) << Name();
            journal_.events.push_back(Name() + " hears " + component->Name() + " go");
        }
        TComponent::Notification(component, operation);
    }
    void Loaded() override {
        EXPECT_TRUE(journal_.live.count(this)) << "Loaded on a freed component";
        EXPECT_FALSE(Loading()) << Name();
        journal_.events.push_back("loaded " + Name());
        if (onLoaded) onLoaded();
    }

private:
    Journal& journal_;
};

TEST(Components, OwnerFreesEveryOwnedComponentExactlyOnceLastCreatedFirst) {
    Journal journal;
    auto* form = new TTracked(nullptr, "form", journal);
    auto* panel = new TTracked(form, "panel", journal);
    new TTracked(panel, "button", journal);
    new TTracked(form, "timer", journal);
    auto* early = new TTracked(form, "early", journal);
    TObject::Free(early);  // freed on its own before the owner goes

    TObject::Free(form);

    EXPECT_EQ(journal.destroyed.size(), 5u);
    for (const void* p : journal.destroyed) EXPECT_EQ(journal.destroyed.count(p), 1u);
    const std::vector<std::string> order = [&] {
        std::vector<std::string> o;
        for (const auto& e : journal.events)
            if (e.rfind("destroy ", 0) == 0) o.push_back(e.substr(8));
        return o;
    }();
    EXPECT_EQ(order, (std::vector<std::string>{"early", "timer", "button", "panel", "form"}));
}

TEST(Components, OwnerHearsOfEachOwnedComponentWhileItIsStillWhole) {
    Journal journal;
    auto* form = new TTracked(nullptr, "form", journal);
    new TTracked(form, "a", journal);
    auto* b = new TTracked(form, "b", journal);
    TObject::Free(b);
    EXPECT_NE(std::find(journal.events.begin(), journal.events.end(), "form hears b go"), journal.events.end());
    EXPECT_EQ(form->ComponentCount(), 1);
    TObject::Free(form);
}

TEST(Components, FreeNotificationReachesTheOtherSideAndIsDroppedWhenItGoesFirst) {
    Journal journal;
    auto* form1 = new TTracked(nullptr, "form1", journal);
    auto* form2 = new TTracked(nullptr, "form2", journal);
    auto* menu = new TTracked(form1, "menu", journal);
    auto* user = new TTracked(form2, "user", journal);
    user->FreeNotification(menu);

    TObject::Free(form1);
    EXPECT_NE(std::find(journal.events.begin(), journal.events.end(), "user hears menu go"), journal.events.end());

    // The other way round: the listener goes first and is never called again.
    auto* menu2 = new TTracked(nullptr, "menu2", journal);
    menu2->FreeNotification(user);
    TObject::Free(form2);
    journal.events.clear();
    TObject::Free(menu2);
    EXPECT_EQ(journal.events, (std::vector<std::string>{"destroy menu2"}));
}

TEST(Components, InsertComponentMovesOwnershipAndFindComponentIgnoresCase) {
    Journal journal;
    auto* a = new TTracked(nullptr, "a", journal);
    auto* b = new TTracked(nullptr, "b", journal);
    auto* child = new TTracked(a, "Child", journal);
    b->InsertComponent(child);
    EXPECT_EQ(a->ComponentCount(), 0);
    EXPECT_EQ(b->FindComponent("CHILD"), child);
    EXPECT_EQ(child->Owner(), b);
    TObject::Free(a);
    EXPECT_EQ(journal.destroyed.count(child), 0u);
    TObject::Free(b);
    EXPECT_EQ(journal.destroyed.count(child), 1u);
}

TEST(Components, LoadedRunsInCreationOrderAfterLoadingEndsAndSurvivesAFreedSibling) {
    Journal journal;
    auto* form = new TTracked(nullptr, "form", journal);
    auto* first = new TTracked(form, "first", journal);
    auto* second = new TTracked(form, "second", journal);
    new TTracked(second, "inner", journal);
    auto* third = new TTracked(form, "third", journal);
    // A handler that frees a later component must not have Loaded reach it.
    first->onLoaded = [third] { TObject::Free(third); };

    form->BeginLoading();
    EXPECT_TRUE(second->Loading());
    form->EndLoading();

    std::vector<std::string> loaded;
    for (const auto& e : journal.events)
        if (e.rfind("loaded ", 0) == 0) loaded.push_back(e.substr(7));
    EXPECT_EQ(loaded, (std::vector<std::string>{"first", "inner", "second", "form"}));
    TObject::Free(form);
}

// Freeing a component sends opRemove to every sibling; one that reacts by
// freeing another sibling changes the list being walked.
class TFreer : public TTracked {
public:
    using TTracked::TTracked;
    TComponent* victim = nullptr;

protected:
    void Notification(TComponent* c, TOperation op) override {
        if (op == TOperation::opRemove && victim && c != victim) FreeAndNil(victim);
        TTracked::Notification(c, op);
    }
};

TEST(Components, NotificationHandlerMayFreeASibling) {
    Journal journal;
    auto* form = new TTracked(nullptr, "form", journal);
    auto* x = new TTracked(form, "x", journal);
    auto* freer = new TFreer(form, "freer", journal);
    freer->victim = new TTracked(form, "victim", journal);
    new TTracked(form, "last", journal);
    TObject::Free(x);
    EXPECT_EQ(freer->victim, nullptr);
    EXPECT_EQ(std::count(journal.events.begin(), journal.events.end(), "last hears x go"), 1);
    EXPECT_EQ(form->ComponentCount(), 2);
    TObject::Free(form);
    EXPECT_TRUE(journal.live.empty());
}

}  // namespace
