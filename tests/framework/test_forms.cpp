#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/win.h"

namespace {

// A bare windowed container, enough to test alignment without the real panels.
class TBox : public TCustomControl {
public:
    explicit TBox(TComponent* owner) : TCustomControl(owner) {}
};

class TLayoutForm : public TForm {
public:
    explicit TLayoutForm(TComponent* owner, std::vector<std::string>* log = nullptr) : TForm(owner), log_(log) {
        BuildForm([&] {
            SetBounds(10, 10, 400, 300);
            top = new TBox(this);
            top->SetParent(this);
            top->SetHeight(40);
            top->SetAlign(alTop);
            left = new TBox(this);
            left->SetParent(this);
            left->SetWidth(100);
            left->SetAlign(alLeft);
            client = new TBox(this);
            client->SetParent(this);
            client->SetAlign(alClient);
            client->Constraints.MinHeight = 200;
            inner = new TBox(this);
            inner->SetParent(client);
            inner->SetHeight(30);
            inner->SetAlign(alBottom);
            client->OnResize = [this](TObject*) { Log("client resized, inner at " + std::to_string(inner->Top())); };
            OnCreate = [this](TObject*) { Log("create"); };
            OnDestroy = [this](TObject*) { Log("destroy: " + std::to_string(ComponentCount()) + " components"); };
            SetBounds(10, 10, 420, 310);  // would fire OnResize, were events not held back
            Log("layout built");
        });
    }
    void Log(const std::string& s) {
        if (log_) log_->push_back(s);
    }
    TBox* top = nullptr;
    TBox* left = nullptr;
    TBox* client = nullptr;
    TBox* inner = nullptr;

private:
    std::vector<std::string>* log_;
};

TEST(Forms, AlignsChildrenInCreationOrderAndResizesAfterAligning) {
    std::vector<std::string> log;
    auto* form = new TLayoutForm(Application, &log);
    // Nothing fired while the layout was built; OnCreate came last.
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.front(), "layout built");
    EXPECT_EQ(log.back(), "create");
    form->Show();
    TRect client = form->ClientRect();
    EXPECT_EQ(form->top->BoundsRect(), Rect(0, 0, client.Right, 40));
    EXPECT_EQ(form->left->BoundsRect(), Rect(0, 40, 100, client.Bottom));
    EXPECT_EQ(form->client->BoundsRect(), Rect(100, 40, client.Right, client.Bottom));
    EXPECT_EQ(form->inner->Top(), form->client->Height() - 30);

    log.clear();
    form->SetBounds(10, 10, 500, 400);
    ASSERT_FALSE(log.empty());
    // The container's OnResize sees its children already aligned.
    int innerTop = form->client->Height() - 30;
    EXPECT_EQ(log.back(), "client resized, inner at " + std::to_string(innerTop));

    // The minimum client height of the aligned content becomes the window's minimum.
    EXPECT_EQ(form->MinimumClientSize().cy, 40 + 200);
    MINMAXINFO info{};
    SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    RECT frame{0, 0, 0, 240};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(form->Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(form->Handle(), GWL_EXSTYLE)));
    EXPECT_GE(info.ptMinTrackSize.y, frame.bottom - frame.top);

    log.clear();
    TObject::Free(form);
    // OnDestroy ran first, while every component still existed.
    EXPECT_EQ(log, std::vector<std::string>{"destroy: 4 components"});
}

TEST(Forms, HiddenControlsTakeNoSpace) {
    auto* form = new TLayoutForm(Application);
    form->Show();
    form->top->Hide();
    EXPECT_EQ(form->left->Top(), 0);
    form->top->Show();
    EXPECT_EQ(form->left->Top(), 40);
    TObject::Free(form);
}

TEST(Forms, ExceptionInAHandlerIsShownAndTheProgramGoesOn) {
    auto* form = new TLayoutForm(Application);
    form->Show();
    form->top->OnResize = [](TObject*) { throw Exception("boom"); };
    std::vector<std::string> shown;
    Application->OnException = [&](TObject*, const std::exception& e) { shown.push_back(e.what()); };
    // Resizing through the window procedure: the exception must not cross it.
    SetWindowPos(form->Handle(), nullptr, 0, 0, 450, 350, SWP_NOZORDER | SWP_NOMOVE);
    Application->OnException = nullptr;
    EXPECT_EQ(shown, std::vector<std::string>{"boom"});
    EXPECT_TRUE(IsWindow(form->Handle()));
    TObject::Free(form);
}

TEST(Forms, ModalFormReturnsItsResult) {
    auto* form = new TLayoutForm(Application);
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
    // A posted message sets the result from inside the modal loop.
    form->OnShow = [form](TObject*) {
        PostMessageW(form->Handle(), WM_NULL, 0, 0);
        form->ModalResult = mrOk;
    };
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_FALSE(form->Visible());
    TObject::Free(form);
    KillTimer(nullptr, timer);
}

}  // namespace
