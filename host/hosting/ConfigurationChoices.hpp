#pragma once
// What the configuration editor lists and stores: the entities of the widget's query as a checklist in
// the user's order. Plain values, so the editor's rules are tested without a window.

#include "platform/intents/AppIntents.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace widgethost {

/// One line of the editor.
struct Choice {
    std::string identifier;
    std::string title;
    bool chosen = false;
    bool available = true; ///< false for a chosen entity the query no longer offers

    bool operator==(const Choice&) const = default;
};

/// The editor's lines: the stored choices first, in their order and each once (an entity the query no
/// longer offers keeps its place and the title the query gives it), then every other entity the query
/// offers, not chosen, in the query's order.
std::vector<Choice> makeChoices(const std::vector<platform::intents::EntityDescription>& stored,
                                const std::vector<platform::intents::EntityDescription>& offered);

/// Moves the line at `index` one place up (`offset` −1) or down (+1); a move past either end does nothing.
void moveChoice(std::vector<Choice>& choices, std::size_t index, int offset);

/// What Save stores: the chosen identifiers in the lines' order, or nothing when none is chosen (the
/// widget then follows the application's own choice, as one never configured does).
std::optional<std::vector<std::string>> chosenIdentifiers(const std::vector<Choice>& choices);

} // namespace widgethost
