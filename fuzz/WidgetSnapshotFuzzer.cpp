// Feeds arbitrary bytes to the widget's snapshot decoder, then walks whatever it accepted the way the
// timeline and the layouts do: identities, selection, clearing, the most-used entries.
#include "snapshot/WidgetSnapshot.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto decoded = tallyfox::WidgetSnapshot::decode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!decoded) {
        (void)decoded.error().description();
        return 0;
    }
    const tallyfox::WidgetSnapshot& snapshot = decoded.value();
    std::vector<std::size_t> reversed;
    std::size_t position = snapshot.providerCount();
    snapshot.forEachProvider([&](const tallyfox::WidgetProviderSnapshot& entry) {
        (void)entry.id();
        reversed.push_back(--position);
    });
    for (const auto& entry : snapshot.selectingPositions(reversed).clearingUsage(snapshot.generatedAt()).providers())
        for (const auto& window : entry.windows)
            if (window.usage && !(window.usage->value >= 0 && window.usage->value <= 100)) __builtin_trap();
    (void)tallyfox::topProviders(snapshot, 3);
    return 0;
}
