#include "html/style_props.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "html/colors.h"
#include "html/font_desc.h"
#include "html/my_font.h"
#include "html/style_list.h"
#include "html/style_parser.h"

using enum PropIndices;

namespace {

// 96 pixels per inch, three faces, and a cell a fifth taller than the characters.
class FakeFonts final : public TFontServices {
public:
    int PixelsPerInch() const override { return 96; }
    std::string InstalledFace(const std::string& name) const override {
        for (const char* face : {"Arial", "Times New Roman", "Courier New"})
            if (LowerCase(name) == LowerCase(face)) return face;
        return {};
    }
    TFontMetricsInfo Metrics(const std::string&, int height, unsigned, uint8_t charset) const override {
        TFontMetricsInfo m;
        const int h = std::abs(height);
        m.InternalLeading = h / 5;
        m.Height = h + m.InternalLeading;
        m.Descent = m.Height / 5;
        m.MaxCharWidth = h;
        m.Charset = charset == 1 ? 204 : charset;
        return m;
    }
};

// The reader's side of the cascade: the default set at the bottom of the
// stack, each element inheriting from the one below and combined with the sheet.
class StyleFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetFontServices(&fonts);
        styles.Initialize("Arial", "Courier New", 12, clBlack, clBlue, clPurple, clRed, true, 1, 8, 10);
        auto* base = new TProperties;
        base->CopyDefault(*styles.DefaultEntry);
        PropStack.Add(base);
    }
    void TearDown() override {
        PropStack.Clear();
        SetFontServices(nullptr);
    }
    void Sheet(const std::string& css) {
        TStringStyleSource source(css);
        char ch = source.Next();
        DoStyle(styles, ch, source, "");
    }
    TProperties* Push(const std::string& tag, const std::string& cls = "", const std::string& id = "",
                      TProperties* inlineProps = nullptr, const std::string& pseudo = "") {
        auto* props = new TProperties;
        PropStack.Add(props);
        props->Inherit(*PropStack.GetProp(PropStack.Count() - 2));
        props->Combine(&styles, tag, cls, id, pseudo, "", inlineProps);
        return props;
    }
    static double Points(const TProperties* p) { return std::get<double>(p->Value(FontSize)); }

    FakeFonts fonts;
    bool hover = false;
    TStyleList styles{&hover};
};

TEST_F(StyleFixture, CascadeResolvesFontColourAndMargins) {
    Sheet("p { color: red; font-size: 150%; margin-left: 2em }"
          " .x { font-weight: bold; color: #008000 }"
          " p.x { margin-top: 7px }"
          " div p { font-size: 20pt }");
    TProperties inlineStyle;
    ParsePropertyStr("color: blue; margin-right: 3px", inlineStyle);

    Push("body");
    TProperties* p = Push("p", "x", "", &inlineStyle);
    p->Assign(TPropValue(int(clNavy)), Color);  // a tag attribute: the STYLE attribute already set it
    p->Assign(TPropValue(std::string("5px")), PaddingLeft);
    p->Assign(TPropValue(std::string("9px")), MarginTop);  // the sheet set it

    EXPECT_DOUBLE_EQ(Points(p), 18);
    const TResolvedFont& font = p->GetResolvedFont();
    EXPECT_EQ(font.Height, -24);
    EXPECT_EQ(font.Info.Style, htBold);
    EXPECT_EQ(font.Info.FaceName, "Arial");
    EXPECT_EQ(font.Info.TextColor, clBlue);
    EXPECT_EQ(p->EmPixels, 24);
    owned_ptr<TMyFont> platformFont(p->GetFont());
    EXPECT_EQ(platformFont->Height(), -24);
    EXPECT_EQ(platformFont->Style(), TFontStyles(fsBold));
    EXPECT_EQ(platformFont->Name(), "Arial");
    EXPECT_EQ(platformFont->CellHeight, 28);
    EXPECT_EQ(platformFont->Color(), clBlue);

    TVMarginArray v;
    v = p->VMarginArray();
    TMarginArray m;
    int autoCount;
    ConvMargArray(v, 600, 400, p->EmPixels, p->ExPixels, bssNone, autoCount, m);
    EXPECT_EQ(m[MarginTop], 7);
    EXPECT_EQ(m[MarginBottom], 14);  // automatic paragraph space
    EXPECT_EQ(m[PaddingLeft], 5);
    EXPECT_EQ(m[MarginLeft], 48);
    EXPECT_EQ(m[MarginRight], 3);
    EXPECT_EQ(m[Width], AutoValue);
    EXPECT_EQ(autoCount, 1);

    // Inside a div the descendant rule comes after the tag's own.
    PropStack.Delete(PropStack.Count() - 1);
    Push("div");
    TProperties* inDiv = Push("p");
    EXPECT_DOUBLE_EQ(Points(inDiv), 20);
    EXPECT_EQ(std::get<int>(inDiv->Value(Color)), clRed);
}

TEST_F(StyleFixture, DefaultSheetEntries) {
    TProperties* h1 = Push("h1");
    EXPECT_DOUBLE_EQ(Points(h1), 24);
    EXPECT_EQ(h1->GetResolvedFont().Info.Style, htBold);
    PropStack.Delete(PropStack.Count() - 1);

    TProperties* para = Push("p");
    TVMarginArray v;
    v = para->VMarginArray();
    TMarginArray m;
    bool topAuto, bottomAuto;
    ConvVertMargins(v, 600, 16, 8, m, topAuto, bottomAuto);
    EXPECT_TRUE(topAuto && bottomAuto);
    EXPECT_EQ(m[MarginTop], 14);
    PropStack.Delete(PropStack.Count() - 1);

    TProperties* pre = Push("pre");
    EXPECT_DOUBLE_EQ(Points(pre), 10);
    EXPECT_EQ(pre->GetResolvedFont().Info.FaceName, "Courier New");
    TProperties* inPre = Push("p");
    EXPECT_EQ(std::get<int>(inPre->Value(MarginTop)), 0);  // "p 11pre"

    // The base set carries the body margins and the text colour.
    EXPECT_EQ(std::get<int>(PropStack.GetProp(0)->Value(MarginLeft)), 10);
    EXPECT_EQ(std::get<int>(PropStack.GetProp(0)->Value(MarginTop)), 8);
}

TEST_F(StyleFixture, DefaultSheetCopiesAndFormFonts) {
    for (const char* key : {"strong", "th"})
        EXPECT_EQ(PropString(styles.Find(key)->Value(FontWeight)), "bold") << key;
    for (const char* key : {"em", "cite", "var", "address"})
        EXPECT_EQ(PropString(styles.Find(key)->Value(FontStyle)), "italic") << key;
    EXPECT_EQ(PropString(styles.Find("input")->Value(FontFamily)), "Arial Unicode MS, Arial");
    EXPECT_EQ(PropString(styles.Find("textarea")->Value(FontFamily)), "Courier New");
    EXPECT_EQ(std::get<int>(styles.Find("::link")->Value(Color)), clBlue | PalRelative);

    // Code inside the text: 0.833em of 12pt.
    TProperties* code = Push("code");
    EXPECT_NEAR(Points(code), 9.996, 1e-9);
    EXPECT_EQ(code->GetResolvedFont().Info.FaceName, "Courier New");
}

TEST_F(StyleFixture, LinkFontsTakeTheStateColours) {
    Sheet("a:hover { color: #00ff00 }");
    EXPECT_TRUE(hover);
    TProperties* link = Push("a", "", "", nullptr, "link");
    ASSERT_TRUE(link->HasLinkFonts);
    ASSERT_TRUE(link->LinkFonts());
    EXPECT_EQ(link->LinkFonts()->Fonts[LFont].TextColor, clBlue | PalRelative);
    EXPECT_EQ(link->LinkFonts()->Fonts[LFont].Style, htUnderline);
    EXPECT_EQ(link->LinkFonts()->Fonts[VFont].TextColor, clPurple | PalRelative);
    EXPECT_EQ(link->LinkFonts()->Fonts[HLFont].TextColor, 0x00FF00 | PalRelative);
    EXPECT_EQ(PropStack.Count(), 2);  // the scratch sets are gone

    // Updated from a set without link fonts, a link keeps its state colours.
    TProperties plain;
    link->Update(plain, &styles, 1);
    ASSERT_TRUE(link->HasLinkFonts);
    ASSERT_TRUE(link->LinkFonts());
    EXPECT_EQ(link->LinkFonts()->Fonts[HLFont].TextColor, 0x00FF00 | PalRelative);
    EXPECT_EQ(PropStack.Count(), 2);
}

TEST_F(StyleFixture, LinkFontsAreSharedByCopiesUntilOneChangesThem) {
    TProperties* link = Push("a", "", "", nullptr, "link");
    ASSERT_TRUE(link->LinkFonts());
    TProperties copy;
    copy.CopyState(*link);
    EXPECT_EQ(copy.LinkFonts(), link->LinkFonts());
    TProperties* inside = Push("span");

    const uint8_t charset = link->LinkFonts()->Fonts[LFont].Charset;
    ASSERT_NE(charset, 238);
    copy.AssignCharSet(31);  // Central European: every state's font takes charset 238
    ASSERT_TRUE(copy.LinkFonts());
    EXPECT_NE(copy.LinkFonts(), link->LinkFonts());
    for (const ThtFontInfo& font : copy.LinkFonts()->Fonts) EXPECT_EQ(font.Charset, 238);
    for (const ThtFontInfo& font : link->LinkFonts()->Fonts) EXPECT_EQ(font.Charset, charset);
    ASSERT_TRUE(inside->LinkFonts());
    EXPECT_EQ(inside->LinkFonts()->Fonts[HLFont].Charset, charset);

    // The set keeps what it had after the sets sharing it change theirs and go.
    inside->AssignCharSet(31);
    PropStack.Delete(PropStack.Count() - 1);
    for (const ThtFontInfo& font : link->LinkFonts()->Fonts) EXPECT_EQ(font.Charset, charset);
    EXPECT_EQ(link->LinkFonts()->Fonts[VFont].TextColor, clPurple | PalRelative);
}

TEST_F(StyleFixture, RulesAreKeptInKeyOrderTheNewestOfAKeyFirst) {
    // Keys compare without regard to case; a later entry of a key is found
    // first, and a walk meets the keys in order.
    const int before = styles.Count();
    auto* older = new TProperties;
    auto* newer = new TProperties;
    styles.AddObject("Zq", older);
    styles.AddObject("zQ", newer);
    EXPECT_EQ(styles.Find("zq"), newer);
    EXPECT_EQ(styles.Find("ZQ"), newer);
    EXPECT_EQ(styles.Find("zqq"), nullptr);
    std::vector<TProperties*> met;
    styles.VisitFrom("ZQ", [&](const std::string& key, TProperties* rule) {
        if (LowerCase(key) != "zq") return false;
        met.push_back(rule);
        return true;
    });
    EXPECT_EQ(met, (std::vector<TProperties*>{newer, older}));

    // Thousands of distinct descendant rules, read in one sheet: each is kept
    // and found, in order, and the last one written for an element applies.
    // Each costs a few dozen steps, where a sorted array moved 1,500 rules
    // on average.
    std::string sheet;
    for (int i = 0; i < 3000; ++i) sheet += "div.c" + std::to_string(i) + " em { color: #" + std::to_string(100000 + i) + " }\n";
    const uint64_t stepsBefore = styles.InsertSteps();
    Sheet(sheet);
    EXPECT_EQ(styles.Count(), before + 2 + 3000);
    EXPECT_LE(styles.InsertSteps() - stepsBefore, 3000u * 32);
    std::string last;
    int walked = 0;
    styles.VisitFrom("", [&](const std::string& key, TProperties*) {
        EXPECT_LE(LowerCase(last), LowerCase(key));
        last = key;
        ++walked;
        return true;
    });
    EXPECT_EQ(walked, styles.Count());
    Push("div", "c2999");
    TProperties* em = Push("em");
    EXPECT_EQ(std::get<int>(em->Value(Color)) & 0xFFFFFF, 0x992910);  // #102999 as the system keeps it
}

TEST_F(StyleFixture, InheritanceOfSpanAndDiv) {
    TProperties* span = Push("span");
    span->AddPropertyByName("margin-left", "9px");
    span->AddPropertyByName("background-color", "yellow");
    TProperties* child = Push("b");
    EXPECT_EQ(PropString(child->Value(MarginLeft)), "9px");
    EXPECT_EQ(std::get<int>(child->Value(BackgroundColor)), clYellow);
    PropStack.Delete(PropStack.Count() - 1);
    PropStack.Delete(PropStack.Count() - 1);

    TProperties* div = Push("div");
    div->AddPropertyByName("margin-left", "9px");
    div->AddPropertyByName("background-color", "yellow");
    TProperties* divChild = Push("b");
    EXPECT_EQ(std::get<int>(divChild->Value(MarginLeft)), NotSetValue);
    EXPECT_FALSE(IsAssigned(divChild->Value(BackgroundColor)));
}

TEST_F(StyleFixture, AddModifyPropRules) {
    styles.AddModifyProp(":link", "color", "#102030");
    EXPECT_EQ(std::get<int>(styles.Find("::hover")->Value(Color)), 0x302010 | PalRelative);
    EXPECT_EQ(std::get<int>(styles.Find("::visited")->Value(Color)), 0x302010 | PalRelative);

    styles.AddModifyProp("a", "font-weight", "bold");
    EXPECT_EQ(PropString(styles.Find("::link")->Value(FontWeight)), "bold");
    styles.AddModifyProp("A", "font-style", "italic");
    EXPECT_FALSE(IsAssigned(styles.Find("::link")->Value(FontStyle)));

    // A later declaration for the same key overwrites the slot.
    styles.AddModifyProp(".k", "color", "red");
    styles.AddModifyProp(".k", "color", "lime");
    EXPECT_EQ(std::get<int>(styles.Find(".K")->Value(Color)), clLime);
    styles.AddModifyProp(".k", "color", "no-such-colour");
    EXPECT_EQ(std::get<int>(styles.Find(".k")->Value(Color)), clLime);

    // Duplicates: the newest comes first, so the older one is merged last and wins.
    TProperties first, second;
    first.AddPropertyByName("color", "red");
    second.AddPropertyByName("color", "lime");
    styles.AddDuplicate("em", first);
    styles.AddDuplicate("em", second);
    EXPECT_EQ(std::get<int>(Push("em")->Value(Color)), clRed);
    EXPECT_EQ(styles.GetSeqNo(), "10");
    EXPECT_EQ(styles.GetSeqNo(), "11");
}

TEST(StyleProps, LengthConversion) {
    struct Case {
        const char* text;
        bool relative;
        int base;
        int expected;
    } cases[] = {
        {"2em", false, 0, 32},       {"2e1", false, 0, -7},      {"1e30", false, 0, -7},
        {"1in", false, 0, 96},       {"72pt", false, 0, 96},     {"2.54cm", false, 0, 96},
        {"50%", false, 200, 100},    {"3", true, 10, 30},        {"3", false, 10, 3},
        {"127.5px", false, 0, 128},  {"126.5px", false, 0, 126}, {"auto", false, 0, -7},
        {"1ex", false, 0, 8},        {"12furlongs", false, 0, -7},
        {"100000000000000000000000000000000000000px", false, 0, 1000000},
        {"-100000000000000000000000000000000000000px", false, 0, -1000000},
        // Whole pixels, read in place, and what only looks like them.
        {"4px", false, 0, 4},        {"0px", false, 0, 0},       {"0012px", false, 0, 12},
        {"1234567px", false, 0, 1000000},                        {"px", false, 0, -7},
        {"4PX", false, 0, 4},        {" 4px", false, 0, 4},      {"4 px", false, 0, 4},
        {"-4px", false, 0, -4},      {"4pxx", false, 0, -7},     {"1x2px", false, 0, -7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LengthConv(c.text, c.relative, c.base, 16, 8, -7), c.expected) << c.text;
}

TEST(StyleProps, FontSizeConversion) {
    DefPointSize = 12;
    struct Case {
        const char* text;
        double expected;
    } cases[] = {
        {"10pt", 10}, {"1in", 72}, {"16px", 12}, {"2em", 20}, {"50%", 5}, {"larger", 12.5},
        {"x-large", 24}, {"huge", 12}, {"1e30pt", 12}, {"0pt", 1}, {"100000000pt", 1000},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(FontSizeConv(c.text, 10), c.expected) << c.text;
}

TEST(StyleProps, AbsurdSizesStayFinite) {
    PropStack.Clear();
    std::vector<owned_ptr<TProperties>> chain;
    chain.emplace_back(new TProperties);
    chain.back()->AddPropertyByName("font-size", "12pt");
    chain.back()->Combine(nullptr, "div", "", "", "", "", nullptr);
    TProperties doubled;  // style="font-size: 200%" on every element
    doubled.AddPropertyByName("font-size", "200%");
    for (int i = 0; i < 1000; ++i) {
        auto* props = new TProperties;
        props->Inherit(*chain.back());
        props->Combine(nullptr, "div", "", "", "", "", &doubled);
        chain.emplace_back(props);
    }
    const double points = std::get<double>(chain.back()->Value(FontSize));
    EXPECT_DOUBLE_EQ(points, MaxFontPoints);
    EXPECT_EQ(chain.back()->GetResolvedFont().Height, -1333);

    for (const char* width : {"1e30", "1e30px", "1000000000000000000000000000000px"}) {
        TProperties props;
        props.AddPropertyByName("width", width);
        TVMarginArray v;
        v = props.VMarginArray();
        TMarginArray m;
        int autoCount;
        ConvMargArray(v, 500, 500, 16, 8, bssNone, autoCount, m);
        EXPECT_TRUE(m[Width] == AutoValue || m[Width] == 1000000) << width;
        EXPECT_NE(m[Width], NotSetValue);
    }
}

TEST(StyleProps, StoringAndAssigning) {
    TProperties props;
    props.AddPropertyByName("Font-Size", "20pt");
    EXPECT_FALSE(IsAssigned(props.Value(FontSize)));
    props.AddPropertyByName("color", "nonsense");
    EXPECT_EQ(std::get<int>(props.Value(Color)), 0);
    props.AddPropertyByName("background-color", "nonsense");
    EXPECT_EQ(std::get<int>(props.Value(BackgroundColor)), clTransparentColor);
    props.AddPropertyByName("border-left-style", "dashed");
    EXPECT_EQ(props.GetBorderStyle(), bssDashed);
    props.AddPropertyByName("visibility", "hidden");
    EXPECT_EQ(props.GetVisibility(), viHidden);

    props.Assign(TPropValue(std::string("left")), Float);
    props.Assign(TPropValue(std::string("right")), Float);
    AlignmentType align;
    ASSERT_TRUE(props.GetFloat(align));
    EXPECT_EQ(align, ALeft);

    TMarginArray m;
    int autoCount;
    TVMarginArray v;
    props.AddPropertyByName("margin-left", "auto");
    v = props.VMarginArray();
    ConvMargArray(v, 100, 100, 16, 8, bssNone, autoCount, m);
    EXPECT_EQ(m[MarginLeft], AutoValue);
    EXPECT_EQ(m[MarginRight], 0);
    EXPECT_EQ(autoCount, 2);  // the margin and the width
}

// A string slot's text is shared by its copies: each copy keeps it when the
// set it came from is changed or freed, and changing a copy leaves the others.
TEST(StyleProps, CopiedTextSlotsOutliveTheirSource) {
    TVMarginArray boxes;
    {
        auto source = std::make_unique<TProperties>();
        source->AddPropertyByName("width", "50%");
        source->AddPropertyByName("margin-left", "2em");
        boxes = source->VMarginArray();
        TVMarginArray second = boxes;
        second[Width] = "10px";
        source->AddPropertyByName("width", "75%");
        EXPECT_EQ(PropString(source->Value(Width)), "75%");
        EXPECT_EQ(PropString(second[Width]), "10px");
    }
    EXPECT_EQ(PropString(boxes[Width]), "50%");
    EXPECT_EQ(PropString(boxes[MarginLeft]), "2em");

    TPropValue literal = "auto";
    EXPECT_TRUE(IsString(literal));
    TPropValue copy = literal;
    TPropValue moved = std::move(literal);
    EXPECT_EQ(PropString(copy), "auto");
    EXPECT_EQ(PropString(moved), "auto");
    EXPECT_EQ(copy, moved);
    literal = std::string("1px");
    EXPECT_EQ(PropString(literal), "1px");
    EXPECT_EQ(PropString(TPropValue(7)), "");

    TPropText text("thin");
    TPropText taken = std::move(text);
    EXPECT_EQ(text.Str(), "");  // a moved-from text reads as empty and can be assigned again
    text = taken;
    EXPECT_EQ(text.Str(), "thin");
}

TEST_F(StyleFixture, AResolvedFontTakenFromAHintOutlivesBothHintAndSource) {
    Sheet("P { font-family: Times New Roman; font-size: 20pt }");
    TProperties* p = Push("p");
    const std::string face = p->GetResolvedFont().Info.FaceName;
    ASSERT_EQ(face, "Times New Roman");

    // A set in the state the hint names takes its font from there.
    auto hint = std::make_shared<TProperties::TResolvedState>();
    hint->Key = 7;
    AssignResolvedFont(hint->Font, p->GetResolvedFont());
    hint->Font.Info.FaceName = "Hinted";
    hint->EmPixels = 21;
    auto source = std::make_unique<TProperties>();
    source->CopyState(*Push("p"));  // not resolved yet
    source->SetStateKey(7);
    source->SetResolvedHint(hint);
    hint.reset();
    EXPECT_EQ(source->GetResolvedFont().Info.FaceName, "Hinted");
    EXPECT_EQ(source->EmPixels, 21);

    // A copy shares it; a later hint changes nothing resolved; the copy keeps
    // it when the source and the hint are gone.
    TProperties copy;
    copy.CopyState(*source);
    auto other = std::make_shared<TProperties::TResolvedState>();
    other->Key = copy.StateKey();
    other->Font.Info.FaceName = "Other";
    copy.SetResolvedHint(other);
    source.reset();
    other.reset();
    EXPECT_EQ(copy.GetResolvedFont().Info.FaceName, "Hinted");
    EXPECT_EQ(copy.EmPixels, 21);

    // A change resolves the copy's own font again.
    copy.AddPropertyByName("font-size", "10pt");
    EXPECT_EQ(copy.GetResolvedFont().Info.FaceName, face);
    EXPECT_NE(copy.EmPixels, 21);
}

TEST_F(StyleFixture, ARunFontIsMadeOncePerResolvedFontAndAgainAfterAChange) {
    TProperties* p = Push("p");
    const TFontDesc& plain = RunFontOf(p->GetResolvedFont());
    EXPECT_EQ(plain, FontDescOf(p->GetResolvedFont()));
    EXPECT_EQ(&RunFontOf(p->GetResolvedFont()), &plain);  // kept, not made again
    EXPECT_EQ(plain.Weight, 400);

    p->AddPropertyByName("font-weight", "bold");
    const TFontDesc bold = RunFontOf(p->GetResolvedFont());
    EXPECT_EQ(bold.Weight, 700);
    EXPECT_EQ(bold, FontDescOf(p->GetResolvedFont()));

    TProperties copy;
    copy.CopyState(*p);
    EXPECT_EQ(RunFontOf(copy.GetResolvedFont()), bold);
    copy.AddPropertyByName("font-size", "30pt");
    EXPECT_EQ(RunFontOf(copy.GetResolvedFont()), FontDescOf(copy.GetResolvedFont()));
    EXPECT_NE(RunFontOf(copy.GetResolvedFont()).Height, bold.Height);
}

TEST_F(StyleFixture, SelectorsGoWithCopiesAndTheTitleWithChildren) {
    auto* div = new TProperties;
    PropStack.Add(div);
    div->Inherit(*PropStack.GetProp(0));
    div->Combine(&styles, "div", "note", "d1", "", "Tip", nullptr);
    TProperties* span = Push("span");
    EXPECT_EQ(span->Sel().Tag, "span");
    EXPECT_EQ(span->Sel().Class, "");
    EXPECT_EQ(span->Sel().ID, "");
    EXPECT_EQ(span->Sel().Title, "Tip");  // the title is inherited, the rest is the element's own

    // A copy reads the same selectors; changing its own leaves the source's.
    TProperties copy;
    copy.CopyState(*div);
    EXPECT_EQ(&copy.Sel(), &div->Sel());
    copy.EditSel().Tag = "p";
    EXPECT_EQ(copy.Sel().Tag, "p");
    EXPECT_EQ(copy.Sel().Class, "note");
    EXPECT_EQ(div->Sel().Tag, "div");

    // A set combined again from its own selectors keeps them, and a copy
    // keeps what it read after its source is gone.
    div->Combine(&styles, div->Sel().Tag, div->Sel().Class, div->Sel().ID, "hover", "", nullptr);
    EXPECT_EQ(div->Sel().Tag, "div");
    EXPECT_EQ(div->Sel().Class, "note");
    EXPECT_EQ(div->Sel().ID, "d1");
    EXPECT_EQ(div->Sel().Pseudo, "hover");
    EXPECT_EQ(div->Sel().Title, "Tip");
    TProperties second;
    second.CopyState(*div);
    PropStack.Clear();
    EXPECT_EQ(second.Sel().Class, "note");
    EXPECT_EQ(second.Sel().Pseudo, "hover");
    EXPECT_EQ(copy.Sel().ID, "d1");
}

TEST(StyleProps, LocallySharedValuesGoWithTheirLastHolder) {
    struct TCounted {
        explicit TCounted(int* alive) : Alive(alive) { ++*Alive; }
        TCounted(const TCounted& other) : Alive(other.Alive) { ++*Alive; }
        ~TCounted() { --*Alive; }
        int* Alive;
    };
    int alive = 0;
    {
        auto first = TLocalShared<TCounted>::Make(&alive);
        TLocalShared<TCounted> second = first;
        EXPECT_EQ(first.use_count(), 2);
        EXPECT_EQ(&*first, &*second);
        TLocalShared<TCounted> third = std::move(second);
        EXPECT_EQ(second.use_count(), 0);
        EXPECT_EQ(first.use_count(), 2);
        auto copy = TLocalShared<TCounted>::Make(*first);  // a value of its own
        EXPECT_EQ(alive, 2);
        first = copy;
        EXPECT_EQ(third.use_count(), 1);
        first = first;
        EXPECT_EQ(first.use_count(), 2);
        third = TLocalShared<TCounted>();
        EXPECT_EQ(alive, 1);  // the first value went with its last holder
        EXPECT_FALSE(third);
        first.reset();
        EXPECT_FALSE(first);
        EXPECT_EQ(alive, 1);  // the copy's holder still holds it
        EXPECT_TRUE(copy);
    }
    EXPECT_EQ(alive, 0);
}

TEST(StyleProps, CharsetsAndCodePages) {
    FakeFonts fonts;  // reports 204 for the default charset, the others as asked
    SetFontServices(&fonts);
    struct Case {
        uint8_t charset;
        uint8_t fontCharset;
        int codePage;
    } cases[] = {{1, 1, 1251}, {31, 238, 28592}, {161, 161, 1253}, {0, 0, 1252}, {204, 204, 1251}, {99, 99, 1251}};
    for (const Case& c : cases) {
        TProperties props;
        props.AssignCharSet(c.charset);
        EXPECT_EQ(props.FontCharset, c.fontCharset) << int(c.charset);
        EXPECT_EQ(props.FontCodePage, c.codePage) << int(c.charset);
    }
    SetFontServices(nullptr);
}

TEST(StyleProps, StyleAttributeThroughTheAttributeList) {
    TAttributeList list;
    list.Add(new TAttribute(StyleSy, 0, "STYLE", "color: #ff0000; font-weight: bold"));
    TProperties* props = list.GetStyle<TProperties>();
    ASSERT_NE(props, nullptr);
    EXPECT_EQ(std::get<int>(props->Value(Color)), 0x0000FF | PalRelative);
    EXPECT_EQ(PropString(props->Value(FontWeight)), "bold");
}

TEST(StyleProps, CellPaddingInlineMarginsAndUpdate) {
    TProperties props;
    props.AddPropertyByName("padding-top", "5%");
    props.AddPropertyByName("padding-left", "3px");
    props.AddPropertyByName("margin-top", "2em");
    props.AddPropertyByName("width", "50%");
    TVMarginArray v;
    v = props.VMarginArray();
    TMarginArray m;
    ConvMargArrayForCellPadding(v, 16, 8, m);
    EXPECT_EQ(m[PaddingTop], -5);  // a percentage comes out negative
    EXPECT_EQ(m[PaddingLeft], 3);
    EXPECT_EQ(m[PaddingRight], -1);  // not set
    ConvInlineMargArray(v, 200, 100, 16, 8, m);
    EXPECT_EQ(m[MarginTop], 32);
    EXPECT_EQ(m[MarginLeft], NotSetValue);
    EXPECT_EQ(m[Width], 100);
    EXPECT_EQ(m[Height], NotSetValue);

    // Update takes every slot this set did not assign itself.
    TProperties source, target;
    source.AddPropertyByName("color", "red");
    source.AddPropertyByName("font-weight", "bold");
    target.Assign(TPropValue(int(clLime)), Color);
    target.Update(source, nullptr, -1);
    EXPECT_EQ(std::get<int>(target.Value(Color)), clLime);
    EXPECT_EQ(PropString(target.Value(FontWeight)), "bold");
}

TEST(StyleProps, FontNamesAndUrls) {
    FakeFonts fonts;
    SetFontServices(&fonts);
    EXPECT_EQ(ReadFontName("'Fancy Face', serif"), "Times New Roman");
    EXPECT_EQ(ReadFontName(" \"courier new\" , Arial"), "Courier New");
    EXPECT_EQ(ReadFontName("Nothing, Nowhere"), "");
    SetFontServices(nullptr);
    EXPECT_EQ(ReadURL(TPropValue(std::string("url('a b.gif')"))), "a b.gif");
    EXPECT_EQ(ReadURL(TPropValue(7)), "");
    EXPECT_EQ(AlignmentFromString("AbsMiddle"), AMiddle);
}

TEST(StyleProps, BackgroundPosition) {
    struct Case {
        const char* position;
        const char* repeat;
        PositionKind h, v;
        int hAmount;
        bool hTiles, vTiles;
    } cases[] = {
        {"right top", "no-repeat", pRight, pTop, 0, false, false},
        {"top right", "repeat-x", pRight, pTop, 0, true, false},
        {"center", "", pCenter, pCenter, 0, true, true},
        {"left", "repeat-y", pLeft, pCenter, 0, false, true},
        {"25% 10px", "", PPercent, pDim, 25, true, true},
    };
    for (const Case& c : cases) {
        TProperties props;
        props.AddPropertyByName("background-position", c.position);
        if (*c.repeat) props.AddPropertyByName("background-repeat", c.repeat);
        PositionRec pos;
        props.GetBackgroundPos(16, 8, pos);
        EXPECT_EQ(pos[0].Kind, c.h) << c.position;
        EXPECT_EQ(pos[1].Kind, c.v) << c.position;
        EXPECT_EQ(pos[0].Amount, c.hAmount) << c.position;
        EXPECT_EQ(pos[0].Tiles, c.hTiles) << c.position;
        EXPECT_EQ(pos[1].Tiles, c.vTiles) << c.position;
    }
}

}  // namespace
