#include "platform/intents/AppIntents.hpp"

#include <utility>

namespace platform::intents {

LocalizedStringResource localizedResource(std::string key, std::string comment) {
    std::string defaultValue = key;
    return {std::move(key), std::move(defaultValue), std::move(comment), {}};
}

std::string resolved(const IntentText& text) {
    if (const auto* verbatim = std::get_if<std::string>(&text)) return *verbatim;
    return std::get<LocalizedStringResource>(text).resolved();
}

} // namespace platform::intents
