#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/gdi_handles.h"
#include "framework/win.h"

namespace {

std::vector<std::string> gBroken;

// Records the rule's complaints instead of failing, for as long as it lives.
class TRecordRuleBreaks {
public:
    TRecordRuleBreaks() : FPrevious(SetGdiRuleHandler([](const std::string& m) { gBroken.push_back(m); })) {
        gBroken.clear();
    }
    ~TRecordRuleBreaks() { SetGdiRuleHandler(FPrevious); }

private:
    TGdiRuleHandler FPrevious;
};

template <class Holder>
void DeleteWhileSelected(Holder& object, bool deselectFirst) {
    TMemoryDC dc(CreateCompatibleDC(nullptr));
    HGDIOBJ old = SelectObject(dc.get(), object.get());
    if (deselectFirst) SelectObject(dc.get(), old);
    object.reset();
}

}  // namespace

TEST(GdiRule, DeletingAnObjectStillSelectedIntoAMemoryDCIsReportedWithItsKindAndPlace) {
    TRecordRuleBreaks record;
    struct Case {
        const char* kind;
        bool deselectFirst;
        size_t reports;
    };
    for (const Case& c : {Case{"bitmap", false, 1}, Case{"bitmap", true, 0}, Case{"font", false, 1},
                          Case{"font", true, 0}, Case{"pen", false, 1}, Case{"brush", false, 1}}) {
        gBroken.clear();
        const std::string kind = c.kind;
        int line = 0;
        if (kind == "bitmap") {
            line = __LINE__ + 1;
            TBitmapHandle bitmap(CreateBitmap(4, 4, 1, 1, nullptr));
            DeleteWhileSelected(bitmap, c.deselectFirst);
        } else if (kind == "font") {
            line = __LINE__ + 1;
            TFontHandle font(CreateFontW(12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
            DeleteWhileSelected(font, c.deselectFirst);
        } else if (kind == "pen") {
            line = __LINE__ + 1;
            TPenHandle pen(CreatePen(PS_SOLID, 1, 0));
            DeleteWhileSelected(pen, c.deselectFirst);
        } else {
            line = __LINE__ + 1;
            TBrushHandle brush(CreateSolidBrush(0));
            DeleteWhileSelected(brush, c.deselectFirst);
        }
        ASSERT_EQ(gBroken.size(), c.reports) << kind << (c.deselectFirst ? " deselected" : " selected");
        if (c.reports) {
            EXPECT_EQ(gBroken[0].rfind(kind + " deleted while still selected", 0), 0u) << gBroken[0];
            EXPECT_NE(gBroken[0].find("tests/framework/test_gdi_handles.cpp:" + std::to_string(line)),
                      std::string::npos)
                << gBroken[0];
        }
    }
}

TEST(GdiRule, ObjectsOutlivingTheirDCOrCopiedIntoItAreFine) {
    TRecordRuleBreaks record;
    // The DC goes first: it lets go of its bitmap as it is deleted.
    TBitmapHandle bitmap(CreateBitmap(4, 4, 1, 1, nullptr));
    {
        TMemoryDC dc(CreateCompatibleDC(nullptr));
        SelectObject(dc.get(), bitmap.get());
    }
    bitmap.reset();
    // A clipping region is copied into the DC, so it may go at once.
    TMemoryDC dc(CreateCompatibleDC(nullptr));
    TRegionHandle region(CreateRectRgn(0, 0, 2, 2));
    SelectClipRgn(dc.get(), region.get());
    region.reset();
    EXPECT_TRUE(gBroken.empty());
}
