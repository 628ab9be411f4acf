#include "bench/WidgetSnapshotSamples.hpp"

#include "platform/foundation/ISO8601.hpp"

#include <array>

namespace tallyfox::bench {
namespace {

using platform::foundation::Date;
using platform::foundation::ISO8601::string;

constexpr std::string_view head = R"({"schemaVersion":1,"generatedAt":")";
constexpr std::array<const char*, 6> providers{"codex", "claudeCode", "gemini", "cursor", "elevenlabs", "kiro"};

std::string opening(double now) {
    return std::string(head) + string(Date{now - 30}) + R"(","state":{"providers":{"_0":[)";
}

std::string closing() {
    return R"(]}},"usageAmountStyle":"remaining","language":"de"})";
}

std::string typicalEntry(std::size_t index, double now) {
    const std::string n = std::to_string(index);
    std::string entry = R"({"provider":")" + std::string(providers[index % providers.size()]) +
                        R"(","selectionID":"entry-)" + n + R"(","accountName":"Account )" + n +
                        R"(","planName":"Pro","windows":[)";
    entry += R"({"kind":300,"usage":42.5,"resetsAt":")" + string(Date{now + 3600 + double(index)}) + R"("},)";
    entry += R"({"kind":10080,"usage":18,"resetsAt":")" + string(Date{now + 4 * 86400.0}) + R"("},)";
    entry += R"({"kind":10080,"scope":"Opus","usage":64,"resetsAt":")" + string(Date{now + 4 * 86400.0}) + R"("}],)";
    entry += R"("tokensToday":12800000,"requestsToday":214,"creditsToday":2.23,)";
    entry += R"("recentDays":[1.5,0,3.25,8,2,0,4,5.5,6,0,1,2,7,3],)";
    entry += R"("updatedAt":")" + string(Date{now - 60}) + R"(",)";
    entry += R"("totals":[{"kind":"charactersUsed","value":12000},{"kind":"charactersRemaining","value":88000}]})";
    return entry;
}

} // namespace

std::string typicalSnapshot(std::size_t targetBytes, double now) {
    std::string document = opening(now);
    const std::string end = closing();
    for (std::size_t index = 0;; ++index) {
        const std::string entry = (index ? "," : "") + typicalEntry(index, now);
        if (document.size() + entry.size() + end.size() > targetBytes) break;
        document += entry;
    }
    return document + end;
}

std::string worstCaseTimelineSnapshot(std::size_t targetBytes, double now) {
    std::string document = opening(now);
    const std::string end = closing();
    // Resets one second apart starting a second from now: each is a distinct entry date, either the
    // reset itself (within a day) or its under-a-day companion (within two days).
    std::size_t reset = 1;
    for (std::size_t index = 0;; ++index) {
        std::string entry = (index ? R"(,{"provider":")" : R"({"provider":")") +
                            std::string(providers[index % providers.size()]) + R"(","updatedAt":")" +
                            string(Date{now - 599 + double(index % 599)}) + R"(","windows":[)";
        for (int w = 0; w < 64; ++w, ++reset) {
            if (w) entry += ",";
            entry += R"({"kind":300,"usage":)" + std::to_string(reset % 100) + R"(,"resetsAt":")" +
                     string(Date{now + double(reset % (2 * 86400))}) + R"("})";
        }
        entry += "]}";
        if (document.size() + entry.size() + end.size() > targetBytes) break;
        document += entry;
    }
    return document + end;
}

} // namespace tallyfox::bench
