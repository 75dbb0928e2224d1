#include "widgets/deferred_errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/sysutils.h"
#include "framework/win.h"

namespace {

void Raise(const char* text, const void* source) {
    CallReportingLater([&] { throw Exception(text); }, source);
}

TEST(DeferredErrors, OneReportPerSourceWaitsOrShowsAtATime) {
    const int caption = 0, hook = 0;
    std::vector<std::string> shown;
    Application->OnException = [&](TObject*, const std::exception& e) {
        shown.push_back(e.what());
        // The box's own repaint raises again while it is on the screen.
        if (shown.back() == "caption 1") Raise("caption while shown", &caption);
    };
    Raise("caption 1", &caption);
    Raise("caption 2", &caption);
    Raise("hook 1", &hook);
    Raise("loose 1", nullptr);
    Raise("loose 2", nullptr);
    EXPECT_TRUE(shown.empty()) << "nothing is shown inside the callback";
    Application->ProcessMessages();
    EXPECT_EQ(shown, (std::vector<std::string>{"caption 1", "hook 1", "loose 1", "loose 2"}));

    shown.clear();
    Raise("caption 3", &caption);
    Application->ProcessMessages();
    EXPECT_EQ(shown, std::vector<std::string>{"caption 3"}) << "a shown report frees its source";
    Application->OnException = nullptr;
}

}  // namespace
