#include "util/progress.h"

#include <gtest/gtest.h>

#include "framework/comctrls.h"
#include "framework/typinfo.h"

namespace {

class TFancyBar : public TProgressBar {
public:
    using TProgressBar::TProgressBar;
};

// A progress control of its own kind: "Top" and "Bottom" are integers, "Label" is text.
class TGauge : public TControl {
public:
    using TControl::TControl;
    int64_t Top = -1, Bottom = -1, Value = -1;
};

const TClassInfo kGaugeInfo{
    "TGauge",
    nullptr,
    {
        {"Top", tkInteger, nullptr, [](TObject* o, int64_t v) { static_cast<TGauge*>(o)->Top = v; }},
        {"Bottom", tkInt64, nullptr, [](TObject* o, int64_t v) { static_cast<TGauge*>(o)->Bottom = v; }},
        {"Value", tkInteger, nullptr, [](TObject* o, int64_t v) { static_cast<TGauge*>(o)->Value = v; }},
        {"Label", tkString, nullptr, nullptr},
    }};

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterClassInfo(typeid(TGauge), &kGaugeInfo); }
    void TearDown() override {
        // Back to the registry's first entry only.
        UnRegisterProgressControl<TControl>();
        RegisterProgressControl<TProgressBar>("Max", "Min", "Position");
    }
};

TEST_F(ProgressTest, TheFrameworkBarAndItsSubclassesAreSupported) {
    owned_ptr<TFancyBar> bar(new TFancyBar(nullptr));
    ASSERT_TRUE(SupportsProgressControl(bar.get()));
    EXPECT_TRUE(SetProgressMax(bar.get(), 5000));
    EXPECT_TRUE(SetProgressMin(bar.get(), 10));
    EXPECT_TRUE(SetProgressValue(bar.get(), 700));
    EXPECT_EQ(bar->Max(), 5000);
    EXPECT_EQ(bar->Min(), 10);
    EXPECT_EQ(bar->Position(), 700);
    EXPECT_TRUE(SetProgressMax(bar.get(), int64_t{3} << 31));  // a file over 4 GB
    EXPECT_EQ(bar->Max(), 2147483647);
    owned_ptr<TGauge> gauge(new TGauge(nullptr));
    EXPECT_FALSE(SupportsProgressControl(gauge.get()));
    EXPECT_FALSE(SetProgressMax(gauge.get(), 1));
    EXPECT_FALSE(SupportsProgressControl(nullptr));
}

TEST_F(ProgressTest, TheLastRegisteredEntryWinsAndWrongKindsFail) {
    owned_ptr<TGauge> gauge(new TGauge(nullptr));
    RegisterProgressControl<TGauge>("Label", "Bottom", "Value");
    EXPECT_FALSE(SetProgressMax(gauge.get(), 9));  // text
    EXPECT_TRUE(SetProgressMin(gauge.get(), 2));
    RegisterProgressControl<TGauge>("Top", "Bottom", "Missing");
    EXPECT_TRUE(SetProgressMax(gauge.get(), 9));
    EXPECT_FALSE(SetProgressValue(gauge.get(), 3));  // no such property
    EXPECT_EQ(gauge->Top, 9);
    EXPECT_EQ(gauge->Bottom, 2);
    EXPECT_EQ(gauge->Value, -1);
}

TEST_F(ProgressTest, UnregisteringABaseRemovesItsSubclasses) {
    owned_ptr<TFancyBar> fancy(new TFancyBar(nullptr));
    owned_ptr<TGauge> gauge(new TGauge(nullptr));
    RegisterProgressControl<TFancyBar>("Max", "Min", "Position");
    RegisterProgressControl<TGauge>("Top", "Bottom", "Value");
    UnRegisterProgressControl<TProgressBar>();
    EXPECT_FALSE(SupportsProgressControl(fancy.get()));
    EXPECT_TRUE(SupportsProgressControl(gauge.get()));
    UnRegisterProgressControl<TFancyBar>();  // nothing left of it; harmless
    EXPECT_TRUE(SupportsProgressControl(gauge.get()));
}

}  // namespace
