#include "platform/intents/AppIntents.hpp"

#include <utility>

namespace platform::intents {

LocalizedStringResource LocalizedStringResource::localized(std::string key, std::string defaultValue,
                                                           std::string comment) {
    if (defaultValue.empty()) defaultValue = key;
    return {std::move(key), std::move(defaultValue), std::move(comment), false};
}

LocalizedStringResource LocalizedStringResource::verbatimText(std::string text) {
    return {text, text, {}, true};
}

} // namespace platform::intents
