#include "html/section_base.h"

#include <gtest/gtest.h>

#include "html/indent_manager.h"

namespace {

// A document whose positions are the source positions halved.
class FakeDocument : public TSectionDocument {
public:
    void AddSectionToPositionList(TSectionBase* section) override { Positions.push_back(section); }
    int FindDocPos(int sourcePos, bool) override {
        ++Lookups;
        return sourcePos / 2;
    }
    std::vector<TSectionBase*> Positions;
    int Lookups = 0;
};

TEST(SectionBase, FixedHeightLayoutAndDefaults) {
    FakeDocument doc;
    TSectionBase s(&doc);
    EXPECT_EQ(s.GetYPosition(), NotPlacedY);

    IndentManager m;
    m.CellWidth = 450;
    s.FullHeight = 30;
    int maxWidth = 0, pos = 17;
    EXPECT_EQ(s.DrawLogic(nullptr, 5, 100, 0, 0, 600, 800, 800, &m, maxWidth, pos), 30);
    EXPECT_EQ(pos, 17);
    EXPECT_EQ(s.FirstDocPos, 17);
    EXPECT_EQ(maxWidth, 450);
    EXPECT_EQ(s.GetYPosition(), 100);
    EXPECT_EQ(s.PaintTop, 100);
    EXPECT_EQ(s.InnerBottom, 130);
    EXPECT_EQ(s.PaintBottom, 130);
    EXPECT_EQ(s.PaintHeight, 30);
    EXPECT_EQ(s.Draw1(nullptr, TRect{0, 0, 600, 800}, &m, 0, 0, 0), 130);

    s.DrawLogic(nullptr, 0, MaxLayoutY - 1, 0, 0, 600, 800, 800, &m, maxWidth, pos);
    EXPECT_EQ(s.InnerBottom, MaxLayoutY);

    TUrlTarget* target = nullptr;
    TImageFormControlObj* control = nullptr;
    std::string title;
    TObject* obj = nullptr;
    int a = 0, b = 0, h = 0, mn = 9, mx = 9;
    bool inText = true;
    wchar_t ch = 0;
    EXPECT_EQ(s.GetURL(nullptr, 1, 1, target, control, title), 0u);
    EXPECT_FALSE(s.PtInObject(1, 1, obj, a, b));
    EXPECT_EQ(s.FindCursor(nullptr, 1, 1, a, b, h, inText), -1);
    EXPECT_EQ(s.FindString(0, L"x", false), -1);
    EXPECT_EQ(s.FindStringR(0, L"x", true), -1);
    EXPECT_EQ(s.FindSourcePos(3), -1);
    EXPECT_EQ(s.FindDocPos(3, false), -1);
    EXPECT_FALSE(s.CursorToXY(nullptr, 0, a, b));
    EXPECT_FALSE(s.GetChAtPos(0, ch, obj));
    s.MinMaxWidth(nullptr, mn, mx);
    EXPECT_EQ(mn, 0);
    EXPECT_EQ(mx, 0);
    s.AddSectionsToList();
    EXPECT_EQ(doc.Positions, (std::vector<TSectionBase*>{&s}));
}

TEST(SectionBase, CloneTakesHeightAndOrderIntoTheNewDocument) {
    FakeDocument doc, print;
    TSectionBase s(&doc);
    s.FullHeight = 40;
    s.ZIndex = 10;
    s.FirstDocPos = 99;
    s.Len = 5;
    std::unique_ptr<TSectionBase> copy(s.CreateClone(&print));
    EXPECT_EQ(copy->OwnerDocument, &print);
    EXPECT_EQ(copy->FullHeight, 40);
    EXPECT_EQ(copy->ZIndex, 10);
    EXPECT_EQ(copy->FirstDocPos, 0);
    EXPECT_EQ(copy->Len, 0);
    copy->SetParent(&doc);
    EXPECT_EQ(copy->OwnerDocument, &doc);
}

TEST(SectionBase, LayoutArithmeticSaturates) {
    struct Case {
        int a, b, c, expected;
    } cases[] = {
        {600, 50, 100, 300},
        {2000000000, 3, 2, MaxLayoutY},
        {-2000000000, 3, 2, -MaxLayoutY},
        {100000, 100000, 1000, 10000000},  // the product alone passes 32 bits
        {5, 7, 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(MulDivY(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(InlineList, PositionsMapToTheDocumentOnceAfterParsing) {
    FakeDocument doc;
    TInlineList list(&doc);
    const TMarginArray box{};
    list.StartElement(20, 1, box);
    list.StartElement(40, 2, box);
    list.EndElement(50, 2);
    list.StartElement(60, 3, box);  // never ends
    list.StartElement(80, 4, box);
    list.EndElement(81, 4);          // covers no document position
    list.EndElement(90, 77);         // an end without its start
    list.EndElement(100, 1);
    EXPECT_EQ(doc.Lookups, 0);
    struct Expect {
        int index, first, end;
    } expected[] = {{0, 10, 50}, {1, 20, 25}, {2, 30, NoPosition}, {3, 39, 40}, {-1, NoPosition, NoPosition},
                    {4, NoPosition, NoPosition}};
    for (const Expect& e : expected) {
        EXPECT_EQ(list.FirstPosOf(e.index), e.first) << e.index;
        EXPECT_EQ(list.EndPosOf(e.index), e.end) << e.index;
    }
    EXPECT_EQ(doc.Lookups, 7);  // once per position, the open end not looked up
    // Late additions do not convert the earlier records again.
    list.EndElement(70, 3);
    list.StartElement(120, 5, box);
    EXPECT_EQ(list.FirstPosOf(0), 10);
    EXPECT_EQ(list.EndPosOf(2), 35);
    EXPECT_EQ(list.FirstPosOf(4), 60);
    EXPECT_EQ(doc.Lookups, 9);
    list.Clear();
    EXPECT_TRUE(list.NeedsUpdate);
    EXPECT_EQ(list.Count(), 0);
}

TEST(InlineList, LinesGetTheBordersOfTheElementsTheyTouch) {
    FakeDocument doc;
    TInlineList list(&doc);
    TMarginArray box{};
    box[PropIndices::BorderLeftWidth] = 2;
    // Document positions after mapping: [10, 50), [20, 25), [30, open).
    list.StartElement(20, 1, box);
    list.StartElement(40, 2, box);
    list.EndElement(50, 2);
    list.EndElement(100, 1);
    list.StartElement(60, 3, box);
    // A section starting at document position 5; lines by (first index, count).
    struct Line {
        int start, count;
        std::vector<std::tuple<int, int, bool, bool>> borders;  // first, end, open at start, at end
    } lines[] = {
        {0, 5, {}},                                       // positions 5..9
        {0, 6, {{5, 6, false, true}}},                    // touches the first element's start
        {5, 10, {{5, 15, false, true}}},                  // the second starts just past it
        {10, 20, {{10, 30, true, true}, {15, 20, false, false}, {25, 30, false, true}}},
        {45, 10, {{45, 55, true, true}}},                 // only the open element reaches here
        {1000, 3, {{1000, 1003, true, true}}},
    };
    for (const Line& line : lines) {
        TFreeList* borders = nullptr;
        const bool any = list.BordersForLine(5, line.start, line.count, borders);
        EXPECT_EQ(any, !line.borders.empty()) << line.start;
        EXPECT_EQ(borders != nullptr, any) << line.start;
        if (!borders) continue;
        ASSERT_EQ(borders->Count(), static_cast<int>(line.borders.size())) << line.start;
        for (int i = 0; i < borders->Count(); ++i) {
            auto* b = static_cast<BorderRec*>(borders->Items(i));
            EXPECT_EQ(std::make_tuple(b->BorderFirstPos, b->BorderEndPos, b->OpenAtStart, b->OpenAtEnd),
                      line.borders[static_cast<size_t>(i)])
                << "line " << line.start << " border " << i;
            EXPECT_EQ(b->BoxValues[PropIndices::BorderLeftWidth], 2);
        }
        delete borders;
    }
}

}  // namespace
