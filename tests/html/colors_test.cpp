#include "html/colors.h"

#include <gtest/gtest.h>

namespace {

int32_t Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

TEST(Colors, ColorFromString) {
    struct Case {
        const char* text;
        bool needHash;
        bool ok;
        int32_t color;
    } cases[] = {
        {"#F0A", true, true, Rgb(0xFF, 0x00, 0xAA) | PalRelative},
        {"F0A", false, true, Rgb(0xFF, 0x00, 0xAA) | PalRelative},
        {"F0A", true, false, 0},  // even right after the same text without '#' succeeded
        {"rgb(100%, 50%, 0)", true, true, Rgb(255, 128, 0) | PalRelative},
        {"RGB( 300 , -5 ,x )", true, true, Rgb(255, 0, 0) | PalRelative},
        {"rgb 10,20,30", false, false, 0},
        {" Navy ", true, true, Rgb(0, 0, 0x80)},
        {"highlighttext", true, false, 0},
        {"hightlighttext", true, true, SystemColorBase + 14},
        {"AppWorkspace", true, true, SystemColorBase + 12},
        {"transparent", true, true, clTransparentColor},
        {"#12345678", true, true, Rgb(0x34, 0x56, 0x78) | PalRelative},
        {"x#y#00ff00", true, true, Rgb(0, 0xFF, 0) | PalRelative},
        {"#", true, false, 0},
        {"#ggg", true, false, 0},
        {"", false, false, 0},
    };
    for (const Case& c : cases) {
        int32_t color = 0;
        EXPECT_EQ(ColorFromString(c.text, c.needHash, color), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(color, c.color) << c.text;
        }
    }
}

}  // namespace
