#include "cli/Clean.hpp"

#include <gtest/gtest.h>

using tallyfox::cli::clean;

TEST(Clean, removesControlAndFormatCharactersOnly) {
    EXPECT_EQ(clean("Work\nline\r\tend"), "Worklineend");
    EXPECT_EQ(clean("\x1B[31mred\x1B[0m"), "[31mred[0m") << "escape goes, the printable rest stays";
    EXPECT_EQ(clean("soft\u00ADhyphen zero\u200Bwidth"), "softhyphen zerowidth");
    EXPECT_EQ(clean("\u202Eevil\u202C \u2066iso\u2069 \u200Fmark\u200E \uFEFFbom"), "evil iso mark bom");
    EXPECT_EQ(clean(std::string("nul\0byte", 8)), "nulbyte");
    EXPECT_EQ(clean("del\x7F c1\u0085"), "del c1");
    EXPECT_EQ(clean("\n\u200B\x1B"), "") << "a string of nothing but such characters becomes empty";
}

TEST(Clean, keepsEverythingElseInOrder) {
    for (const char* text : {"claudeCode \u00B7 Work", "Caf\u00E9 \u2014 \u65E5\u672C \u05E2\u05D1\u05E8\u05D9\u05EA",
                             "\U0001F98A fox", "a/b \"q\" \\", ""})
        EXPECT_EQ(clean(text), text);
    EXPECT_EQ(clean("bad\xFFutf"), "bad\uFFFDutf");
}
