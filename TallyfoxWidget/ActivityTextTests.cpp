#include "TallyfoxWidget/ActivityText.hpp"

#include <gtest/gtest.h>

using namespace tallyfox;
using platform::foundation::Decimal;

TEST(ActivityText, tokensComeFirstThenCreditsThenTheFirstTotal) {
    WidgetProviderSnapshot entry{ProviderID::claudeCode};
    EXPECT_EQ(activityText(entry, false), std::nullopt);
    entry.totals = std::vector<UsageTotal>{};
    entry.requestsToday = 214; // never shown
    EXPECT_EQ(activityText(entry, false), std::nullopt);

    entry.totals = std::vector<UsageTotal>{{UsageTotal::Kind::charactersRemaining, Decimal::fromInteger(88000)},
                                           {UsageTotal::Kind::charactersUsed, Decimal::fromInteger(12000)}};
    EXPECT_EQ(activityText(entry, false), "Characters remaining: 88,000");
    EXPECT_EQ(activityText(entry, true), "Characters remaining: 88,000");

    entry.creditsToday = Decimal::fromJSONNumber("2.23").value();
    EXPECT_EQ(activityText(entry, false), "2.23 credits today");
    EXPECT_EQ(activityText(entry, true), "2.23 credits");

    entry.tokensToday = 12800000;
    EXPECT_EQ(activityText(entry, false), "12.8M tokens today");
    EXPECT_EQ(activityText(entry, true), "12.8M tokens");
}
