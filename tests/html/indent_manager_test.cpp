#include "html/indent_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {

class Owner : public TObject {};

// The box fields of a floating image or panel.
struct FloatBox {
    AlignmentType Placement;
    int BoxWidth, BoxHeight;
    int SpaceLeft = 0, SpaceRight = 0, SpaceTop = 0, SpaceBottom = 0;
    int FloatX = -1;
};

// A cell of width 600 during layout, with its own edge records.
struct Cell {
    IndentManager m;
    Owner cell;
    Cell() {
        m.Clear();
        m.Reset(0, 600);
        m.CellWidth = 600;
        m.CurrentOwner = &cell;
    }
};

TEST(IndentManager, EmptyManagerGivesTheEdges) {
    IndentManager m;
    for (auto [lf, rt] : {std::pair{0, 600}, std::pair{100, 700}, std::pair{-20, 30}}) {
        m.Reset(lf, rt);
        for (int y : {-5, 0, 49, 100000, MaxLayoutY}) {
            EXPECT_EQ(m.LeftIndent(y), lf);
            EXPECT_EQ(m.RightSide(y), rt);
            EXPECT_EQ(m.GetNextWiderY(y), y);
        }
    }
    int cl = -1, cr = -1;
    m.GetClearY(cl, cr);
    EXPECT_EQ(cl, 0);
    EXPECT_EQ(cr, 0);
    EXPECT_EQ(m.ImageBottom(), 0);
}

TEST(IndentManager, FloatsNarrowTheSpaceOverTheirHeight) {
    Cell c;
    // A left float 100 wide (plus 5 space each side) on rows 10..49, a second
    // one beside it at 30, a right float 50 wide on rows 20..79.
    FloatBox a{ALeft, 100, 30, 5, 5, 5, 5};
    FloatBox b{ALeft, 40, 10, 0, 0, 0, 0};
    FloatBox r{ARight, 50, 60, 0, 0, 0, 0};
    c.m.Update(10, &a);
    c.m.Update(30, &b);
    c.m.Update(20, &r);
    EXPECT_EQ(a.FloatX, 5);
    EXPECT_EQ(b.FloatX, 110);
    EXPECT_EQ(r.FloatX, 550);
    struct Row {
        int y, left, right;
    } rows[] = {
        {9, 0, 600}, {10, 110, 600}, {20, 110, 550}, {29, 110, 550}, {30, 150, 550},
        {39, 150, 550}, {40, 110, 550}, {49, 110, 550}, {50, 0, 550}, {79, 0, 550}, {80, 0, 600},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(c.m.LeftIndent(row.y), row.left) << "Y " << row.y;
        EXPECT_EQ(c.m.RightSide(row.y), row.right) << "Y " << row.y;
    }
    EXPECT_EQ(c.m.ImageBottom(), 80);
    int cl, cr;
    c.m.GetClearY(cl, cr);
    EXPECT_EQ(cl, 51);
    EXPECT_EQ(cr, 81);

    // Painting moves the same records to the cell's place on the canvas.
    c.m.Reset(1000, 1600);
    EXPECT_EQ(c.m.LeftIndent(35), 1150);
    EXPECT_EQ(c.m.RightSide(35), 1550);
    EXPECT_EQ(c.m.RightSide(85), 1600);
}

TEST(IndentManager, NextWiderYIsWhereTheNearestFloatEnds) {
    Cell c;
    c.m.UpdateBlock(0, 100, 80, ALeft);
    c.m.UpdateBlock(0, 100, 60, ARight);
    for (auto [y, expected] : {std::pair{20, 60}, std::pair{70, 80}, std::pair{90, 90}, std::pair{59, 60}})
        EXPECT_EQ(c.m.GetNextWiderY(y), expected) << "Y " << y;
    EXPECT_EQ(c.m.LeftIndent(10), 100);
    EXPECT_EQ(c.m.RightSide(10), 500);
    EXPECT_TRUE(c.m.LeftRec(0)->IsFloat);

    // A float placed above an earlier one (a nested layout going back up).
    Cell d;
    d.m.UpdateBlock(100, 70, 10, ALeft);
    d.m.UpdateBlock(0, 50, 200, ALeft);
    d.m.UpdateBlock(40, 60, 5, ALeft);
    for (auto [y, expected] : {std::pair{0, 50}, std::pair{42, 60}, std::pair{50, 50}, std::pair{105, 70},
                               std::pair{150, 50}, std::pair{200, 0}})
        EXPECT_EQ(d.m.LeftIndent(y), expected) << "Y " << y;
}

TEST(IndentManager, OnlyLeftAndRightAlignmentsFloat) {
    Cell c;
    for (AlignmentType align : {ANone, ATop, AMiddle, ABaseline, ABottom, AJustify, ASub, ASuper}) {
        FloatBox box{align, 100, 100};
        c.m.Update(0, &box);
        c.m.UpdateBlock(0, 100, 100, align);
        EXPECT_EQ(box.FloatX, -1);
    }
    c.m.Update<FloatBox>(0, nullptr);
    c.m.UpdateTable(0, 100, 100, Centered);
    c.m.UpdateTable(0, 100, 100, NoJustify);
    EXPECT_EQ(c.m.LeftCount() + c.m.RightCount(), 0);
    c.m.UpdateTable(0, 120, 100, Left);
    c.m.UpdateTable(0, 130, 100, Right);
    EXPECT_EQ(c.m.LeftIndent(50), 120);
    EXPECT_EQ(c.m.RightSide(50), 470);
}

TEST(IndentManager, OwnedRecordsApplyOnlyWhileTheirOwnerIsCurrent) {
    Cell c;
    Owner block;
    TIndentScope cellScope(c.m, &c.cell);
    cellScope.SetLeft(0, 0);
    cellScope.SetRight(600, 0);
    {
        TIndentScope blockScope(c.m, &block);
        blockScope.SetLeft(40, 10);
        blockScope.SetRight(560, 10);
        EXPECT_EQ(c.m.LeftIndent(5), 0);  // the cell's records are not the block's
        EXPECT_EQ(c.m.LeftIndent(10), 40);
        EXPECT_EQ(c.m.RightSide(10), 560);
        c.m.CurrentOwner = &c.cell;
        EXPECT_EQ(c.m.LeftIndent(10), 0);
        EXPECT_EQ(c.m.RightSide(10), 600);
        c.m.CurrentOwner = &block;
        // A float placed inside the block stays after the block's layout.
        FloatBox img{ALeft, 50, 20};
        c.m.Update(15, &img);
        EXPECT_EQ(img.FloatX, 40);
        EXPECT_EQ(c.m.LeftIndent(20), 90);
    }
    EXPECT_EQ(c.m.CurrentOwner, &c.cell);
    ASSERT_EQ(c.m.LeftCount(), 2);  // the cell's record and the float
    EXPECT_EQ(c.m.LeftRec(0)->Owner, &c.cell);
    EXPECT_EQ(c.m.LeftRec(1)->Owner, nullptr);
    EXPECT_EQ(c.m.LeftIndent(20), 90);
    EXPECT_EQ(c.m.LeftIndent(40), 0);
    EXPECT_EQ(c.m.RightSide(40), 600);
}

TEST(IndentManager, RecordsAndOwnerComeBackWhenALayoutFails) {
    Cell c;
    Owner block;
    try {
        TIndentScope scope(c.m, &block);
        scope.SetLeft(40, 0);
        scope.SetRight(500, 0);
        throw std::runtime_error("layout failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(c.m.CurrentOwner, &c.cell);
    EXPECT_EQ(c.m.LeftCount(), 0);
    EXPECT_EQ(c.m.RightCount(), 0);
}

TEST(IndentManager, AStaleRecordIsNeverFreedTwice) {
    Cell c;
    const IndentRef old = c.m.SetLeftIndent(40, 0);
    c.m.Clear();  // a nested layout that clears the shared manager
    c.m.CurrentOwner = &c.cell;
    const IndentRef fresh = c.m.SetLeftIndent(70, 0);
    c.m.FreeLeftIndentRec(old);  // may name the same address as the fresh record
    ASSERT_EQ(c.m.LeftCount(), 1);
    EXPECT_EQ(c.m.LeftIndent(0), 70);
    c.m.FreeLeftIndentRec(fresh);
    c.m.FreeLeftIndentRec(fresh);
    c.m.FreeRightIndentRec(IndentRef{});
    EXPECT_EQ(c.m.LeftCount(), 0);
}

TEST(IndentManager, FarDownYSaturatesAndOpenRecordsStillApply) {
    Cell c;
    const int y = MaxLayoutY - 10;
    c.m.SetLeftIndent(30, 0);
    c.m.SetRightIndent(570, 0);
    EXPECT_EQ(c.m.LeftIndent(MaxLayoutY), 30);
    EXPECT_EQ(c.m.RightSide(MaxLayoutY), 570);
    FloatBox big{ALeft, 100, 2000000000, 0, 0, 2000000000, 2000000000};
    c.m.Update(y, &big);
    EXPECT_EQ(c.m.ImageBottom(), MaxLayoutY);
    int cl, cr;
    c.m.GetClearY(cl, cr);
    EXPECT_EQ(cl, MaxLayoutY + 1);
    FloatBox wide{ARight, 2000000000, 10, 2000000000, 2000000000};
    c.m.Update(0, &wide);
    EXPECT_EQ(c.m.RightSide(5), -MaxLayoutY);
    c.m.Reset(2000000000, 2000000000);
    EXPECT_EQ(c.m.LeftIndent(MaxLayoutY - 5), MaxLayoutY);
}

// However the floats lie (overlapping, out of order, empty, many over one
// Y, so that the queries go from the walk to the tree), the edges and the
// next wider Y are those the float records give one by one.
TEST(IndentManager, ManyFloatsAnswerAsTheirRecordsDo) {
    Cell c;
    uint32_t seed = 42;
    auto next = [&seed](int below) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<uint32_t>(below));
    };
    for (int i = 0; i < 400; ++i) {
        const int y = next(300), height = next(120) - 10;
        c.m.UpdateBlock(y, 10 + next(200), height, next(2) ? ALeft : ARight);
        for (int k = 0; k < 8; ++k) {
            const int at = next(440) - 20;
            bool left = false, right = false;
            int x0 = 0, x1 = 600, wider = at;
            auto look = [&](IndentRec* r, bool isLeft) {
                if (r->TopY > at || at >= r->BottomY) return;
                if (isLeft) x0 = left ? std::max(x0, r->X) : r->X;
                else x1 = right ? std::min(x1, r->X) : r->X;
                (isLeft ? left : right) = true;
                if (wider == at || r->BottomY < wider) wider = r->BottomY;
            };
            for (int j = 0; j < c.m.LeftCount(); ++j) look(c.m.LeftRec(j), true);
            for (int j = 0; j < c.m.RightCount(); ++j) look(c.m.RightRec(j), false);
            ASSERT_EQ(c.m.LeftIndent(at), x0) << i << " Y " << at;
            ASSERT_EQ(c.m.RightSide(at), x1) << i << " Y " << at;
            ASSERT_EQ(c.m.GetNextWiderY(at), wider) << i << " Y " << at;
        }
    }
}

// Laying a page out line by line must cost in proportion to the page, not to
// the page times its floats: floats stacked down a long page, floats side by
// side over one band (past the cell's width, as narrow floated blocks go),
// and floats from one top with growing heights, all over the lines queried.
TEST(IndentManager, QueriesOverManyFloatsGrowLinearly) {
    enum Kind { Stacked, SideBySide, GrowingDown };
    auto layOut = [](Kind kind, int floats) {
        Cell c;
        TIndentScope scope(c.m, &c.cell);
        scope.SetLeft(0, 0);
        scope.SetRight(600, 0);
        for (int i = 0; i < floats; ++i) {
            if (kind == Stacked) {
                const int y = i * 40;
                FloatBox box{i % 2 ? ARight : ALeft, 100, 30};
                c.m.Update(y, &box);
                for (int line = y; line < y + 40; line += 10) {
                    EXPECT_EQ(c.m.LeftIndent(line), i % 2 == 0 && line < y + 30 ? 100 : 0);
                    EXPECT_EQ(c.m.RightSide(line), i % 2 == 1 && line < y + 30 ? 500 : 600);
                    EXPECT_EQ(c.m.GetNextWiderY(line), line < y + 30 ? y + 30 : line);
                }
            } else {
                FloatBox box{ALeft, 1, kind == SideBySide ? 16 : i + 1};
                c.m.Update(0, &box);
                EXPECT_EQ(box.FloatX, i);
                for (int line : {0, i / 2, i}) {
                    const bool beside = kind == SideBySide ? line < 16 : line <= i;
                    EXPECT_EQ(c.m.LeftIndent(line), beside ? i + 1 : 0);
                    EXPECT_EQ(c.m.GetNextWiderY(line), !beside ? line : kind == SideBySide ? 16 : line + 1);
                }
            }
        }
        EXPECT_EQ(c.m.ImageBottom(), kind == Stacked ? (floats - 1) * 40 + 30 : kind == SideBySide ? 16 : floats);
        return c.m.RecordsVisited;
    };
    for (Kind kind : {Stacked, SideBySide, GrowingDown}) {
        const int64_t one = layOut(kind, 500), four = layOut(kind, 2000);
        // Four times the floats, four times the cost and a little more for a
        // deeper tree (a walk over the floats beside a line makes it 16).
        EXPECT_LE(four, one * 5) << kind;
        EXPECT_LE(one, 500 * 13 * 4) << kind;  // a few records per query
    }
}

}  // namespace
