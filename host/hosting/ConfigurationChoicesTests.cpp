// The configuration editor's checklist: what it lists, how lines move, what Save stores.
#include "host/hosting/ConfigurationChoices.hpp"

#include <gtest/gtest.h>

namespace widgethost {
namespace {

using platform::intents::EntityDescription;

EntityDescription entity(std::string id, std::string title) {
    return {std::move(id), {std::move(title), {}, {}}};
}

TEST(ConfigurationChoices, storedChoicesComeFirstInTheirOrderThenWhatTheQueryOffers) {
    const std::vector<EntityDescription> offered{entity("codex · a", "Codex · a"),
                                                 entity("codex-b", "Codex · b"), entity("cursor", "Cursor")};
    // Stored: Cursor, one the snapshot no longer lists, Cursor again.
    const std::vector<EntityDescription> stored{entity("cursor", "Cursor"),
                                                entity("gone", "Selected account unavailable"),
                                                entity("cursor", "Cursor")};
    const auto choices = makeChoices(stored, offered);
    EXPECT_EQ(choices, (std::vector<Choice>{{"cursor", "Cursor", true, true},
                                            {"gone", "Selected account unavailable", true, false},
                                            {"codex · a", "Codex · a", false, true},
                                            {"codex-b", "Codex · b", false, true}}));
    EXPECT_EQ(makeChoices({}, {}), std::vector<Choice>{});
    EXPECT_EQ(makeChoices({}, offered).size(), 3u);
}

TEST(ConfigurationChoices, movingAndChoosingDecideWhatIsStoredAndInWhichOrder) {
    auto choices =
        makeChoices({entity("cursor", "Cursor")}, {entity("codex", "Codex"), entity("cursor", "Cursor")});
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(chosenIdentifiers(choices), std::vector<std::string>{"cursor"});
    choices[1].chosen = true; // Codex
    moveChoice(choices, 1, -1);
    EXPECT_EQ(chosenIdentifiers(choices), (std::vector<std::string>{"codex", "cursor"}));
    moveChoice(choices, 0, -1); // past the top: nothing happens
    moveChoice(choices, 1, +1); // past the bottom
    moveChoice(choices, 7, -1); // no such line
    EXPECT_EQ(chosenIdentifiers(choices), (std::vector<std::string>{"codex", "cursor"}));
    moveChoice(choices, 0, +1);
    EXPECT_EQ(chosenIdentifiers(choices), (std::vector<std::string>{"cursor", "codex"}));
    // Nothing chosen stores nothing: the widget follows the application again.
    for (auto& choice : choices)
        choice.chosen = false;
    EXPECT_EQ(chosenIdentifiers(choices), std::nullopt);
}

} // namespace
} // namespace widgethost
