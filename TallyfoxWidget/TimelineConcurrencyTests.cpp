// Timeline requests from several threads while the app rewrites the snapshot and the language changes.
#include "TallyfoxWidget/TallyfoxTimelineProvider.hpp"

#include "platform/foundation/Bundle.hpp"
#include "platform/foundation/FileSystem.hpp"
#include "platform/foundation/ISO8601.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/foundation/UserDefaults.hpp"
#include "snapshot/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace tallyfox;
using tallyfox::testing::TemporaryHome;

namespace {

// A snapshot whose entries all carry the same marker, so that a torn mixture would show.
std::string version(int marker, const char* language, int entries) {
    std::string json = R"({"schemaVersion":1,"generatedAt":"2026-03-14T09:26:53Z","language":")" +
                       std::string(language) + R"(","state":{"providers":{"_0":[)";
    for (int i = 0; i < entries; ++i)
        json += (i ? "," : "") + std::string(R"({"provider":"codex","selectionID":"v)") + std::to_string(marker) +
                R"(","requestsToday":)" + std::to_string(marker) +
                R"(,"windows":[{"kind":300,"usage":5,"resetsAt":"2026-03-14T10:00:00Z"}]})";
    return json + "]}}}";
}

} // namespace

TEST(TimelineConcurrency, requestsSeeWholeSnapshotsWhileTheFileIsRewritten) {
    platform::foundation::setMainBundleInfo({"com.tallyfox.Tallyfox.TallyfoxWidget", {}, "en", {}});
    TemporaryHome home;
    const auto container = home.container();
    const auto path = container / "widget-snapshot.json";
    const std::vector<std::string> versions{version(1, "de", 40), version(2, "he", 3), version(3, "en", 120)};
    home.writeSnapshot(versions[0]);

    const Date now = *platform::foundation::ISO8601::date("2026-03-14T09:30:00Z");
    const TallyfoxTimelineProvider provider{WidgetSnapshotStore::make(), [now] { return now; }};
    std::atomic<bool> done{false};
    std::atomic<int> whole{0};
    std::atomic<int> empty{0};
    std::atomic<int> faults{0};

    std::thread writer([&] {
        for (int round = 0; round < 300; ++round) {
            const std::string& text = versions[round % versions.size()];
            if (round % 2 == 0) {
                // A whole replacement: write beside, then rename over.
                const auto temporary = container / "widget-snapshot.json.tmp";
                std::ofstream(temporary, std::ios::binary | std::ios::trunc) << text;
                std::filesystem::rename(temporary, path);
            } else {
                // A torn write: truncate in place and write in two halves.
                const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
                if (fd < 0) continue;
                const std::size_t half = text.size() / 2;
                (void)!::write(fd, text.data(), half);
                std::this_thread::yield();
                (void)!::write(fd, text.data() + half, text.size() - half);
                ::close(fd);
            }
        }
        done = true;
    });

    auto request = [&] {
        while (!done) {
            const auto timeline = provider.timeline({}, {});
            if (timeline.entries.empty() || timeline.entries.front().date != now) ++faults;
            const auto& snapshot = timeline.entries.front().snapshot;
            if (!snapshot) {
                ++empty;
                continue;
            }
            // Whole: every entry carries one marker, and the count is that version's.
            const auto providers = snapshot->providers();
            const std::int64_t marker = providers.empty() ? 0 : providers.front().requestsToday.value_or(0);
            const std::size_t expected[] = {0, 40, 3, 120};
            bool consistent = marker >= 1 && marker <= 3 && providers.size() == expected[marker];
            for (const auto& entry : providers) consistent = consistent && entry.requestsToday == marker;
            if (consistent) ++whole; else ++faults;
        }
    };
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) readers.emplace_back(request);
    std::thread queries([&] {
        while (!done) (void)WidgetSourceQuery{}.suggestedEntities();
    });
    // The preferences file is replaced atomically: whenever it exists, it parses.
    const auto preferences = platform::foundation::UserDefaults::fileForDomain(
        platform::foundation::UserDefaults::standard().domainName());
    std::thread preferencesReader([&] {
        while (!done) {
            auto bytes = platform::foundation::readOnce(preferences, 1 << 20);
            if (bytes && !platform::foundation::readPropertyListDictionary(bytes->bytes())) ++faults;
        }
    });
    writer.join();
    for (auto& reader : readers) reader.join();
    queries.join();
    preferencesReader.join();

    EXPECT_EQ(faults, 0);
    EXPECT_TRUE(std::filesystem::exists(preferences));
    EXPECT_GT(whole, 0);
    // The preferences file parses and holds one of the languages written.
    const auto defaults = platform::foundation::UserDefaults::standard();
    const auto stored = platform::foundation::UserDefaults(defaults.domainName()).stringArray("AppleLanguages");
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 1u);
    EXPECT_TRUE(stored->front() == "de" || stored->front() == "he" || stored->front() == "en");
    RecordProperty("whole", whole.load());
    RecordProperty("empty", empty.load());
}
