#include "host/hosting/ConfigurationChoices.hpp"

#include <algorithm>

namespace widgethost {

namespace intents = platform::intents;

std::vector<Choice> makeChoices(const std::vector<intents::EntityDescription>& stored,
                                const std::vector<intents::EntityDescription>& offered) {
    std::vector<Choice> choices;
    const auto listed = [&](const std::string& identifier) {
        return std::any_of(choices.begin(), choices.end(),
                           [&](const Choice& choice) { return choice.identifier == identifier; });
    };
    for (const auto& entity : stored) {
        if (listed(entity.id)) continue;
        const bool available =
            std::any_of(offered.begin(), offered.end(),
                        [&](const intents::EntityDescription& o) { return o.id == entity.id; });
        choices.push_back({entity.id, intents::resolved(entity.display.title), true, available});
    }
    for (const auto& entity : offered)
        if (!listed(entity.id))
            choices.push_back({entity.id, intents::resolved(entity.display.title), false, true});
    return choices;
}

void moveChoice(std::vector<Choice>& choices, std::size_t index, int offset) {
    if (index >= choices.size()) return;
    if (offset < 0 && index == 0) return;
    const std::size_t target = offset < 0 ? index - 1 : index + 1;
    if (target >= choices.size()) return;
    std::swap(choices[index], choices[target]);
}

std::optional<std::vector<std::string>> chosenIdentifiers(const std::vector<Choice>& choices) {
    std::vector<std::string> identifiers;
    for (const auto& choice : choices)
        if (choice.chosen) identifiers.push_back(choice.identifier);
    if (identifiers.empty()) return std::nullopt;
    return identifiers;
}

} // namespace widgethost
