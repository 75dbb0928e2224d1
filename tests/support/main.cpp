#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/gdi_handles.h"
#include "support/test_support.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Every test program has the application object and the screen, and no
    // message box ever waits for a click: what would be shown is recorded.
    InitializeForms();
    testing_support::RecordMessageBoxes();
    // Windows' rule on deleting selected objects holds in every test, so a
    // fault that Wine forgives fails the test that made it.
    SetGdiRuleHandler([](const std::string& message) { ADD_FAILURE() << message; });
    return RUN_ALL_TESTS();
}
