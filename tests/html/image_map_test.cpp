#include "html/image_map.h"

#include <gtest/gtest.h>

#include "html/html_types.h"

namespace {

void AddArea(TMapItem& map, std::initializer_list<std::pair<Symb, const char*>> attributes) {
    TAttributeList list;
    for (const auto& [sym, text] : attributes) list.Add(new TAttribute(sym, 0, "", text));
    map.AddArea(list);
}

std::string Hit(const TMapItem& map, int x, int y) {
    owned_ptr<TUrlTarget> target;
    std::string title;
    if (!map.GetURL(x, y, target, title)) return "-";
    return target->Url + "|" + target->Target + "|" + title;
}

TEST(ImageMap, Shapes) {
    TMapItem map;
    AddArea(map, {{ShapeSy, "CIRCLE"}, {CoordsSy, "10,10,5"}, {HrefSy, "c.htm"}, {TitleSy, "C"}});
    AddArea(map, {{ShapeSy, "rect"}, {CoordsSy, "100 ,  100,110 110"}, {HrefSy, "r.htm"}, {TargetSy, "main"}});
    AddArea(map, {{ShapeSy, "poly"}, {CoordsSy, "200,200,220,200,200,220,999"}, {HrefSy, "p.htm"}});
    AddArea(map, {{CoordsSy, "0,0,1"}, {HrefSy, "too-few.htm"}});
    EXPECT_EQ(map.AreaCount(), 3);
    EXPECT_EQ(Hit(map, 14, 10), "c.htm||C");
    EXPECT_EQ(Hit(map, 16, 10), "-");
    EXPECT_EQ(Hit(map, 110, 110), "r.htm|main|");
    EXPECT_EQ(Hit(map, 111, 110), "-");
    EXPECT_EQ(Hit(map, 201, 201), "p.htm||");
    EXPECT_EQ(Hit(map, 219, 219), "-");
}

TEST(ImageMap, NoHrefAreaAddedFirstHidesTheLinkBelow) {
    TMapItem map;
    AddArea(map, {{CoordsSy, "0,0,10,10"}, {HrefSy, "x.htm"}, {NoHrefSy, ""}});
    AddArea(map, {{CoordsSy, "0,0,100,100"}, {HrefSy, "big.htm"}});
    EXPECT_EQ(Hit(map, 5, 5), "-");
    EXPECT_EQ(Hit(map, 50, 50), "big.htm||");
}

TEST(ImageMap, CoordsAreReadAndClamped) {
    EXPECT_EQ(ReadCoords(" 1 , 2,3  4 "), (std::vector<int64_t>{1, 2, 3, 4}));
    EXPECT_EQ(ReadCoords("1,x,99999999999,-4"), (std::vector<int64_t>{1, 0, 0, -4}));
    std::string many;
    for (int i = 0; i < 500; ++i) many += "1,";
    EXPECT_EQ(ReadCoords(many).size(), 301u);
    // A long attribute costs its first 301 pieces, however the pieces are
    // separated and whatever follows them.
    for (const char* piece : {"1,", "1 ", "12 ,\t", "x"}) {
        std::string coords;
        while (coords.size() < 1000000) coords += piece;
        const int64_t before = CoordCharsLooked;
        const size_t count = ReadCoords(coords).size();
        EXPECT_EQ(count, piece[0] == 'x' ? 1u : 301u) << piece;
        EXPECT_LE(CoordCharsLooked - before, piece[0] == 'x' ? 1000000 : 301 * 5) << piece;
    }
    EXPECT_EQ(ReadCoords(",5,\v6"), (std::vector<int64_t>{0, 5, 6}));
    TMapItem map;
    AddArea(map, {{ShapeSy, "circle"}, {CoordsSy, "2147483647,2147483647,2147483647"}, {HrefSy, "huge"}});
    AddArea(map, {{ShapeSy, "poly"}, {CoordsSy, "-2147483647,0,2147483647,0,0,2147483647"}, {HrefSy, "tri"}});
    AddArea(map, {{ShapeSy, "circle"}, {CoordsSy, "-2147483647,-2147483647,5"}, {HrefSy, "corner"}});
    EXPECT_EQ(Hit(map, 0, 10), "tri||");
    EXPECT_EQ(Hit(map, 2147483647, -2147483647 - 1), "-");
}

}  // namespace
