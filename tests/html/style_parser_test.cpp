#include "html/style_parser.h"

#include <gtest/gtest.h>

#include "html/html_scanner.h"

namespace {

struct RecordingStyles : TStyleRuleSink {
    int seq = 10;
    std::vector<std::string> rules;  // "selector|property|value"
    std::string GetSeqNo() override { return std::to_string(seq++); }
    void AddModifyProp(const std::string& selector, const std::string& property, const std::string& value) override {
        rules.push_back(selector + "|" + property + "|" + value);
    }
};

struct RecordingProps : TPropertySink {
    std::vector<std::string> props;
    void AddPropertyByName(const std::string& property, const std::string& value) override {
        props.push_back(property + "|" + value);
    }
};

std::vector<std::string> Sheet(const std::string& css, const std::string& path = "", char* stop = nullptr) {
    RecordingStyles styles;
    TStringStyleSource source(css);
    char ch = source.Next();
    DoStyle(styles, ch, source, path);
    if (stop) *stop = ch;
    return styles.rules;
}

using Rules = std::vector<std::string>;

TEST(StyleParser, RulesAndShorthands) {
    struct Case {
        const char* css;
        Rules rules;
    } cases[] = {
        {"P { color: red }", {"p|color|red"}},
        {"H1, H2 { margin: 1px 2px }",
         {"h1|margin-top|1px", "h2|margin-top|1px", "h1|margin-right|2px", "h2|margin-right|2px",
          "h1|margin-bottom|1px", "h2|margin-bottom|1px", "h1|margin-left|2px", "h2|margin-left|2px"}},
        {"p{padding:1px 2px 3px}",
         {"p|padding-top|1px", "p|padding-right|2px", "p|padding-bottom|3px", "p|padding-left|2px"}},
        {"td{border: 2px solid rgb(1,2,3)}",
         {"td|border-color|rgb(1,2,3)", "td|border-top-width|2px", "td|border-right-width|2px",
          "td|border-bottom-width|2px", "td|border-left-width|2px", "td|border-style|solid"}},
        {"td{border-left: 0 dotted #abc}",
         {"td|border-left-width|0", "td|border-left-style|dotted", "td|border-left-color|#abc"}},
        {"p{font: bold 12pt/14pt Arial, Helvetica}",
         {"p|font-weight|bold", "p|font-size|12pt", "p|line-height|14pt", "p|font-family|arial,helvetica"}},
        {"p{font: italic x-large 'Times New Roman'}",
         {"p|font-style|italic", "p|font-size|x-large", "p|font-family|'times new roman'"}},
        {"body{background: url(a.gif) #fff no-repeat fixed top left}",
         {"body|background-image|url(a.gif)", "body|background-color|#fff", "body|background-repeat|no-repeat",
          "body|background-attachment|fixed", "body|background-position|top left"}},
        {"ul{list-style: square url(b.gif)}", {"ul|list-style-type|square", "ul|list-style-image|url(b.gif)"}},
        {"a:hover{font-family:\"Arial\"; color = Blue;;; x y: z}",
         {"a:hover|font-family|arial", "a:hover|color|blue", "a:hover|y|z"}},
        {"@media print { p { color: red } } i{color:red}", {"i|color|red"}},
        {"@import url(x.css); b{color:red}", {"b|color|red"}},
        {"<!-- p { color: blue } -->", {"p|color|blue"}},
        {"/* c */ p /* d */ { color /**/ : red }", {"p|color|red"}},
        {"div p{color:red}", {"p 110div |color|red"}},
        {"table td.x b{color:red}", {"b 210td.x table |color|red"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Sheet(c.css), c.rules) << c.css;
}

TEST(StyleParser, UrlsOfLinkedSheetsBecomeAbsolute) {
    EXPECT_EQ(Sheet("p{background: url(img/a.gif)}", "c:\\site\\"),
              Rules{"p|background-image|url(c:\\site\\img\\a.gif)"});
    EXPECT_EQ(Sheet("p{background-image: url('../b.gif')}", "http://host/css/"),
              Rules{"p|background-image|url(http://host/b.gif)"});
    EXPECT_EQ(Sheet("p{list-style: url(http://x/y.gif)}", "http://host/css/"),
              Rules{"p|list-style-image|url(http://x/y.gif)"});
}

TEST(StyleParser, StopsAtTheEndTagAndLeavesIt) {
    char stop = 0;
    EXPECT_EQ(Sheet("p{color:red} /* open comment</style>", "", &stop), Rules{"p|color|red"});
    EXPECT_EQ(stop, '<');
    EXPECT_EQ(Sheet("", "", &stop), Rules{});
    EXPECT_EQ(stop, 26);
}

TEST(StyleParser, EmptyStyleElementKeepsItsEndTagAndTheTextAfterIt) {
    THtmlScanner scanner;
    scanner.Start("<style></style>after");
    scanner.NextToken();
    ASSERT_EQ(scanner.Sy, StyleSy);
    RecordingStyles styles;
    TScannerStyleSource source(scanner);
    char ch = scanner.LCh;
    DoStyle(styles, ch, source, "");
    EXPECT_EQ(ch, '<');
    scanner.NextToken();
    EXPECT_EQ(scanner.Sy, StyleEndSy);
    scanner.NextToken();
    EXPECT_EQ(scanner.Sy, TextSy);
    EXPECT_TRUE(styles.rules.empty());
}

TEST(StyleParser, StyleElementCommentedRules) {
    THtmlScanner scanner;
    scanner.Start("<style><!-- p { color: blue } --></style>");
    scanner.NextToken();
    RecordingStyles styles;
    TScannerStyleSource source(scanner);
    char ch = scanner.LCh;
    DoStyle(styles, ch, source, "");
    EXPECT_EQ(styles.rules, Rules{"p|color|blue"});
    scanner.NextToken();
    EXPECT_EQ(scanner.Sy, StyleEndSy);
}

TEST(StyleParser, ParsePropertyStr) {
    RecordingProps props;
    ParsePropertyStr("COLOR: Red; margin:1px ;; font-family = 'Arial' ; bogus ; border-top: thin solid", props);
    EXPECT_EQ(props.props, (std::vector<std::string>{"color|red", "margin-top|1px", "margin-right|1px",
                                                     "margin-bottom|1px", "margin-left|1px", "font-family|arial",
                                                     "border-top-width|thin", "border-top-style|solid"}));
}

TEST(StyleParser, TruncatedAndRandomSheetsEndQuietly) {
    const std::string css = "@media x{a{b:c}} p.x, #y:hover{font:bold 1px/2px 'a b';border:1px solid red}"
                            "/* c */ div p{background:url(x) rgb(1,2,3)} <!-- q{x=y} -->";
    for (size_t cut = 0; cut <= css.size(); ++cut) Sheet(css.substr(0, cut));
    unsigned seed = 7;
    const char alphabet[] = "{}@;:,/*<!->'\"() abp1#.";
    for (int round = 0; round < 300; ++round) {
        std::string junk;
        for (int i = 0; i < 150; ++i) {
            seed = seed * 1103515245 + 12345;
            junk += alphabet[(seed >> 16) % (sizeof(alphabet) - 1)];
        }
        Sheet(junk);
        RecordingProps props;
        ParsePropertyStr(junk, props);
    }
}

}  // namespace
