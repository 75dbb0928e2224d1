// The reader's IMG and PANEL tags: objects in the text with their attributes
// and style.
#include <gtest/gtest.h>

#include "html/block.h"
#include "html/image_obj.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/text_section.h"

namespace {

struct Parsed {
    explicit Parsed(const std::string& html) {
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 0, 0);
        EXPECT_TRUE(ParseHTMLString(html, &doc, {}));
    }
    ~Parsed() { doc.Clear(); }
    static void Collect(const TCellBasic& cell, std::vector<TSection*>& out) {
        for (int i = 0; i < cell.Count(); ++i) {
            if (auto* s = dynamic_cast<TSection*>(cell.Section(i))) out.push_back(s);
            if (auto* b = dynamic_cast<TBlock*>(cell.Section(i))) Collect(*b->ChildCell, out);
        }
    }
    std::vector<TSection*> Sections() const {
        std::vector<TSection*> out;
        Collect(doc, out);
        return out;
    }
    TSectionList doc{nullptr};
};

TEST(ParserImage, ImagesStandAsCharacter4WithTheirAttributes) {
    Parsed p("<P>one <IMG SRC=\"a.gif\" ALT=\"Alt\" TITLE=\"Tip\" ALIGN=middle WIDTH=20 HEIGHT=0 VSPACE=50 "
             "USEMAP=\"#Map\" ISMAP NAME=pic> two <IMG SRC=b.png ALIGN=right> three");
    std::vector<TSection*> sections = p.Sections();
    ASSERT_EQ(sections.size(), 1u);
    TSection* s = sections[0];
    ASSERT_EQ(s->Images.Count(), 2);
    // The space after the right-floating image goes.
    EXPECT_EQ(s->SectionText, std::wstring(L"one \x4 two \x4three"));
    auto* first = dynamic_cast<TImageObj*>(s->Images.Obj(0));
    auto* second = dynamic_cast<TImageObj*>(s->Images.Obj(1));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->Pos, 4);
    EXPECT_EQ(second->Pos, 10);
    EXPECT_EQ(first->SrcName, "a.gif");
    EXPECT_EQ(first->AltText, "Alt");
    EXPECT_EQ(first->HintText, "Tip");
    EXPECT_EQ(first->Placement, AMiddle);
    EXPECT_EQ(first->GivenWidth, 20);
    EXPECT_EQ(first->GivenHeight, 1);  // a pixel HEIGHT is at least 1
    EXPECT_EQ(first->SpaceTop, 40);
    EXPECT_EQ(first->SpaceBottom, 40);
    EXPECT_TRUE(first->ClientMap);
    EXPECT_EQ(first->ClientMapName, "MAP");
    EXPECT_TRUE(first->ServerSideMap);
    EXPECT_EQ(second->Placement, ARight);
    EXPECT_EQ(second->SpaceLeft, 3);
    ASSERT_NE(p.doc.IDObjects, nullptr);
    bool named = false;
    for (int i = 0; i < p.doc.IDObjects->Count(); ++i) named |= p.doc.IDObjects->Objects(i) == first;
    EXPECT_TRUE(named);
}

TEST(ParserImage, StyleAndAttributeEdgeCases) {
    struct Case {
        const char* html;
        AlignmentType placement;
        int givenWidth;
        bool widthPercent;
        bool borderOff;
    } cases[] = {
        {"<IMG SRC=x WIDTH=\"50%\">", ABottom, 50, true, false},
        {"<IMG SRC=x WIDTH=\"150%\">", ABottom, 0, false, false},
        {"<IMG SRC=x WIDTH=99999999>", ABottom, 32767, false, false},
        {"<IMG SRC=x BORDER=0 ALIGN=bogus>", ABottom, 0, false, true},
        {"<IMG SRC=x STYLE=\"float: left; width: 30px\">", ALeft, 30, false, false},
        {"<IMG SRC=x STYLE=\"border: solid 1px red\">", ABottom, 0, false, true},
        {"<IMG SRC=x STYLE=\"vertical-align: top\">", ATop, 0, false, false},
    };
    for (const Case& c : cases) {
        Parsed p(c.html);
        std::vector<TSection*> sections = p.Sections();
        ASSERT_FALSE(sections.empty()) << c.html;
        ASSERT_EQ(sections[0]->Images.Count(), 1) << c.html;
        auto* image = dynamic_cast<TImageObj*>(sections[0]->Images.Obj(0));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Placement, c.placement) << c.html;
        EXPECT_EQ(image->GivenWidth, c.givenWidth) << c.html;
        EXPECT_EQ(image->WidthInPercent, c.widthPercent) << c.html;
        EXPECT_EQ(image->BorderOff, c.borderOff) << c.html;
    }
}

TEST(ParserImage, PanelsWithoutAWindowStillTakeTheirPlace) {
    Parsed p("a<PANEL NAME=p1 TYPE=t SRC=s WIDTH=50 HEIGHT=40 ALIGN=left>b");
    std::vector<TSection*> sections = p.Sections();
    ASSERT_EQ(sections.size(), 1u);
    ASSERT_EQ(sections[0]->Images.Count(), 1);
    auto* panel = dynamic_cast<TPanelObj*>(sections[0]->Images.Obj(0));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->PanelWindow, nullptr);  // the document has no host window
    EXPECT_EQ(panel->Placement, ALeft);
    ASSERT_EQ(p.doc.PanelItems.size(), 1u);
    int scrollWidth = 0, pos = 0;
    p.doc.DoLogic(nullptr, 0, 400, 400, 0, scrollWidth, pos);
    EXPECT_EQ(panel->BoxWidth, 50);
    EXPECT_EQ(panel->BoxHeight, 40);
    p.doc.Clear();
    EXPECT_TRUE(p.doc.PanelItems.empty());
}

}  // namespace
