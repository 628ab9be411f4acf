#include "snapshot/WidgetSnapshotStore.hpp"

#include "snapshot/TemporaryHome.hpp"

#include <gtest/gtest.h>

using namespace tallyfox;
using platform::foundation::LogCapture;
using tallyfox::testing::TemporaryHome;

namespace {

const std::string disabled =
    R"({"schemaVersion":1,"generatedAt":"2026-03-14T09:26:53Z","state":{"noProvidersEnabled":{}}})";

std::string withVersion(int version, const std::string& state = R"({"noProvidersEnabled":{}})") {
    return R"({"schemaVersion":)" + std::to_string(version) + R"(,"generatedAt":"2026-03-14T09:26:53Z","state":)" +
           state + "}";
}

} // namespace

TEST(WidgetSnapshotStore, missingUnreadableAndOversizedFilesGiveNothingSilently) {
    TemporaryHome home;
    const auto store = WidgetSnapshotStore::make();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->directory, home.container());

    LogCapture log;
    EXPECT_EQ(store->load(), std::nullopt); // no file yet

    std::filesystem::create_directory(home.container() / "widget-snapshot.json"); // not a file
    EXPECT_EQ(store->load(), std::nullopt);
    std::filesystem::remove(home.container() / "widget-snapshot.json");

    // One byte over the bound: not read, like an unreadable file, even though it is valid JSON.
    std::string oversized = disabled;
    oversized.resize(WidgetSnapshotStore::maximumFileSize + 1, ' ');
    home.writeSnapshot(oversized);
    EXPECT_EQ(store->load(), std::nullopt);
    EXPECT_TRUE(log.messages().empty());

    // Exactly at the bound: read.
    oversized.pop_back();
    home.writeSnapshot(oversized);
    ASSERT_TRUE(store->load());
    EXPECT_EQ(store->load()->stateKind(), WidgetSnapshot::State::Kind::noProvidersEnabled);
    EXPECT_TRUE(log.messages().empty());
}

TEST(WidgetSnapshotStore, decodingComesBeforeTheSchemaCheckAndEachFailureLogsOnce) {
    TemporaryHome home;
    const auto store = WidgetSnapshotStore::make();
    ASSERT_TRUE(store);
    LogCapture log;

    home.writeSnapshot(withVersion(0));
    EXPECT_TRUE(store->load());
    home.writeSnapshot(withVersion(-3));
    EXPECT_TRUE(store->load());
    EXPECT_TRUE(log.records().empty());

    home.writeSnapshot(withVersion(2));
    EXPECT_EQ(store->load(), std::nullopt);
    home.writeSnapshot(withVersion(2, R"({"paused":{}})"));
    EXPECT_EQ(store->load(), std::nullopt);
    home.writeSnapshot(disabled.substr(0, disabled.size() / 2)); // caught mid-write
    EXPECT_EQ(store->load(), std::nullopt);
    home.writeSnapshot("");
    EXPECT_EQ(store->load(), std::nullopt);

    EXPECT_EQ(log.messages(), (std::vector<std::string>{"Widget snapshot uses a newer schema",
                                                        "Widget snapshot couldn't be decoded",
                                                        "Widget snapshot couldn't be decoded",
                                                        "Widget snapshot couldn't be decoded"}));
    for (const auto& record : log.records()) {
        EXPECT_EQ(record.subsystem, "com.tallyfox.Tallyfox");
        EXPECT_EQ(record.category, "app");
        EXPECT_EQ(record.level, platform::foundation::LogLevel::debug);
    }
}

TEST(WidgetSnapshotStore, refusesContainersThatCannotBeFound) {
    TemporaryHome home;
    LogCapture log;
    for (const char* group : {"", "/", ".", "..", "group/../../etc"})
        EXPECT_EQ(WidgetSnapshotStore::make(group), std::nullopt) << group;
    EXPECT_EQ(log.messages(), std::vector<std::string>(5, "App Group container unavailable; widget snapshot disabled"));
    EXPECT_TRUE(WidgetSnapshotStore::make("group.example"));
}

TEST(WidgetSnapshotStore, groupIdentifierComesFromTheBundleOrTheDefault) {
    TemporaryHome home;
    auto bundleWith = [&](const std::string& entry) {
        const auto root = home.path() / ("Bundle" + std::to_string(std::hash<std::string>{}(entry)) + ".appex");
        std::filesystem::create_directories(root / "Contents");
        std::ofstream(root / "Contents" / "Info.plist")
            << R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" << entry << "</dict></plist>";
        return platform::foundation::Bundle::open(root);
    };
    EXPECT_EQ(appGroupIdentifier(std::nullopt), "group.com.tallyfox.Tallyfox");
    EXPECT_EQ(appGroupIdentifier(bundleWith("")), "group.com.tallyfox.Tallyfox");
    EXPECT_EQ(appGroupIdentifier(bundleWith("<key>TallyfoxAppGroupIdentifier</key><integer>4</integer>")),
              "group.com.tallyfox.Tallyfox");
    EXPECT_EQ(appGroupIdentifier(bundleWith("<key>TallyfoxAppGroupIdentifier</key><string></string>")), "");
    EXPECT_EQ(appGroupIdentifier(bundleWith("<key>TallyfoxAppGroupIdentifier</key><string>group.x</string>")),
              "group.x");
}
