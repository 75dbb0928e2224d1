#include <gtest/gtest.h>

#include "util/utilconst.h"

namespace {

// This program links the utility library without its string table (as the
// frame-set host does): the library's messages must not come out empty.
TEST(UtilMessagesWithoutTheirResource, TheLibraryCarriesItsOwnTexts) {
    EXPECT_EQ(UtilMessage(utilconst::SFOpenError, "a.txt"), "Cannot open file a.txt");
    EXPECT_EQ(UtilMessage(utilconst::SFCreateError, "b.txt"), "Cannot create file b.txt");
    EXPECT_EQ(LoadUtilString(utilconst::SReadError), "Stream read error");
    EXPECT_EQ(LoadUtilString(utilconst::SWriteError), "Stream write error");
    EXPECT_EQ(LoadUtilString(utilconst::SHelpButton), "&Help");
    EXPECT_EQ(LoadUtilString(1), "");
}

}  // namespace
