#include "TallyfoxWidget/WidgetSelectionIntent.hpp"

#include "snapshot/TemporaryHome.hpp"

#include <gtest/gtest.h>

using namespace tallyfox;
using tallyfox::testing::TemporaryHome;

namespace {

const std::string threeAccounts =
    R"({"schemaVersion":1,"generatedAt":"2026-03-14T09:26:53Z","state":{"providers":{"_0":[)"
    R"({"provider":"codex","accountName":"a"},{"provider":"codex","accountName":"b","selectionID":"codex-b"},)"
    R"({"provider":"cursor"},{"provider":"cursor"}]}}, "followedSelectionIDs":["cursor"]})";

} // namespace

TEST(WidgetSourceQuery, suggestsEveryEntryOfTheSnapshotInOrder) {
    TemporaryHome home;
    home.writeSnapshot(threeAccounts);
    const auto suggested = WidgetSourceQuery{}.suggestedEntities();
    EXPECT_EQ(suggested, (std::vector<WidgetSourceEntity>{{"codex \xC2\xB7 a", "Codex \xC2\xB7 a"},
                                                          {"codex-b", "Codex \xC2\xB7 b"},
                                                          {"cursor", "Cursor"},
                                                          {"cursor", "Cursor"}}));
    EXPECT_EQ(suggested[1].displayRepresentation().title,
              platform::intents::IntentText("Codex \xC2\xB7 b")); // verbatim
    EXPECT_EQ(WidgetSourceEntity::typeDisplayRepresentation().name.key, "Provider and account");
    EXPECT_EQ(WidgetSelectionIntent::title().key, "Choose providers");
    EXPECT_EQ(WidgetSelectionIntent{}.sources.title.key, "Providers and accounts");
    EXPECT_FALSE(WidgetSelectionIntent{}.sources.value);
}

TEST(WidgetSourceQuery, resolvesIdentifiersOneForOneAndMarksTheVanished) {
    TemporaryHome home;
    home.writeSnapshot(threeAccounts);
    const auto resolved = WidgetSourceQuery{}.entities({"cursor", "gone", "cursor", "codex \xC2\xB7 a"});
    EXPECT_EQ(resolved, (std::vector<WidgetSourceEntity>{{"cursor", "Cursor"},
                                                         {"gone", "Selected account unavailable"},
                                                         {"cursor", "Cursor"},
                                                         {"codex \xC2\xB7 a", "Codex \xC2\xB7 a"}}));
}

TEST(WidgetSourceQuery, offersNothingWithoutProvidersOrContainer) {
    TemporaryHome home;
    EXPECT_TRUE(WidgetSourceQuery{}.suggestedEntities().empty()); // no file
    home.writeSnapshot(
        R"({"schemaVersion":1,"generatedAt":"2026-03-14T09:26:53Z","state":{"noProvidersDetected":{}}})");
    EXPECT_TRUE(WidgetSourceQuery{}.suggestedEntities().empty());

    // Without a container nothing is suggested, and every stored identifier comes back unavailable.
    EXPECT_EQ(resolveSources({}, {"x", "x"}), (std::vector<WidgetSourceEntity>{{"x", "Selected account unavailable"},
                                                                               {"x", "Selected account unavailable"}}));
}
