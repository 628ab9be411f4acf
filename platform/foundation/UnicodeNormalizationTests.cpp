#include "platform/foundation/UnicodeNormalization.hpp"

#include <gtest/gtest.h>

using namespace platform::foundation;

TEST(UnicodeNormalization, canonicallyEquivalentTextIsEqualButCaseStillCounts) {
    const std::string composed = "Caf\xC3\xA9";     // é as one code point
    const std::string decomposed = "Cafe\xCC\x81";  // e and a combining acute accent
    EXPECT_EQ(precomposedStringWithCanonicalMapping(decomposed), composed);
    EXPECT_TRUE(canonicallyEqual(composed, decomposed));
    EXPECT_FALSE(canonicallyEqual("caf\xC3\xA9", decomposed));
    EXPECT_FALSE(canonicallyEqual("codex", "Codex"));
    EXPECT_EQ(precomposedStringWithCanonicalMapping("codex \xC2\xB7 work"), "codex \xC2\xB7 work");
    EXPECT_EQ(precomposedStringWithCanonicalMapping(""), "");
}
