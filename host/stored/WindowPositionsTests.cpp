#include "host/stored/WindowPositions.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace widgethost {
namespace {

namespace fs = std::filesystem;

TEST(WindowPositions, keepEachWidgetsScreenPlaceAndItsPlacePerOutputAndForgetWidgetsNoLongerPlaced) {
    const fs::path home = fs::temp_directory_path() / ("window-positions-" + std::to_string(::getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    const char* before = std::getenv("HOME");
    const std::string saved = before ? before : "";
    ::setenv("HOME", home.c_str(), 1);

    KeptPlace first;
    first.screen = WindowPosition{10, -20};
    first.outputs = {{"DP-1", {100, 200}}, {"HEADLESS-1", {5, 6}}};
    first.output = "DP-1";
    storeWindowPosition(1, first);
    KeptPlace second;
    second.outputs = {{"eDP-1", {0, 0}}};
    second.output = "eDP-1";
    storeWindowPosition(2, second);
    auto kept = storedWindowPositions();
    EXPECT_EQ(kept.at(1), first);
    EXPECT_EQ(kept.at(2), second);

    keepWindowPositionsOf({2});
    kept = storedWindowPositions();
    EXPECT_FALSE(kept.contains(1));
    EXPECT_EQ(kept.at(2), second);

    if (before)
        ::setenv("HOME", saved.c_str(), 1);
    else
        ::unsetenv("HOME");
    fs::remove_all(home);
}

TEST(WindowPositions, placesThatCannotBeReadAreSaidAndKeptAsideBeforeTheFirstPlaceIsStored) {
    const fs::path home = fs::temp_directory_path() / ("window-damage-" + std::to_string(::getpid()));
    fs::remove_all(home);
    const fs::path preferences = home / "Library" / "Preferences";
    fs::create_directories(preferences);
    const char* before = std::getenv("HOME");
    const std::string saved = before ? before : "";
    ::setenv("HOME", home.c_str(), 1);
    const fs::path file = preferences / "com.tallyfox.widgethost.windows.plist";
    const auto keptCopies = [&] {
        std::vector<fs::path> kept;
        for (const auto& entry : fs::directory_iterator(preferences))
            if (entry.path().filename().string().starts_with("com.tallyfox.widgethost.windows.damaged-"))
                kept.push_back(entry.path());
        return kept;
    };
    const std::string wrongShape = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Positions</key>"
                                   "<string>left</string></dict></plist>";
    for (const auto& [bytes, reason] : std::vector<std::pair<std::string, std::string>>{
             {"garbage", "it is not a property list"}, {wrongShape, "its places are not a dictionary"}}) {
        for (const auto& old : keptCopies())
            fs::remove(old);
        std::ofstream(file, std::ios::trunc) << bytes;
        EXPECT_EQ(unreadableWindowPositions(), (platform::foundation::DefaultsProblem{file, reason}));
        EXPECT_TRUE(storedWindowPositions().empty());
        // Forgetting nothing writes nothing.
        EXPECT_EQ(keepWindowPositionsOf({1}), std::nullopt);
        EXPECT_TRUE(keptCopies().empty());

        const auto kept = storeWindowPosition(1, KeptPlace{WindowPosition{3, 4}, {}, ""});
        ASSERT_TRUE(kept.has_value()) << reason;
        EXPECT_EQ(kept->reason, reason);
        ASSERT_EQ(keptCopies(), std::vector<fs::path>{kept->keptAs});
        std::ifstream stream(kept->keptAs);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(stream), {}), bytes);
        EXPECT_EQ(unreadableWindowPositions(), std::nullopt);
        EXPECT_EQ(storedWindowPositions().at(1).screen, (WindowPosition{3, 4}));
    }

    if (before)
        ::setenv("HOME", saved.c_str(), 1);
    else
        ::unsetenv("HOME");
    fs::remove_all(home);
}

} // namespace
} // namespace widgethost
