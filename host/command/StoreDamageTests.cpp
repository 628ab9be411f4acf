// widgethost with a damaged store, as a user meets it: the real binary in a temporary HOME whose
// placed widgets were written by the host itself and then damaged.
#include "host/command/HostProcessTesting.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using widgethost::testing::Outcome;
using widgethost::testing::slurp;

void spill(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Runs as root cannot be refused a read by permissions; without the capabilities that override
// them, they can.
bool rootIgnoresPermissions() {
    return ::geteuid() == 0;
}

// A HOME with the host's preferences in it.
class Home {
public:
    widgethost::testing::HostProcess process{"widgethost-damage"};
    const fs::path& root = process.root;
    const fs::path& home = process.home;

    fs::path preferences() const { return home / "Library" / "Preferences"; }
    fs::path store() const { return preferences() / "com.tallyfox.widgethost.plist"; }

    // `asUser`: without the capabilities that let root read and write past permissions.
    Outcome run(std::vector<std::string> arguments, bool asUser = false) const {
        if (!asUser || !rootIgnoresPermissions()) return process.run(std::move(arguments));
        return process.run(std::move(arguments),
                           {"/usr/bin/setpriv", "--bounding-set=-dac_override,-dac_read_search", "--"});
    }

    // Files beside the store kept because they could not be read, by name.
    std::vector<fs::path> kept(const std::string& domain = "com.tallyfox.widgethost") const {
        const std::regex name(domain + R"(\.damaged-\d{8}T\d{6}Z(-\d+)?\.plist)");
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(preferences()))
            if (std::regex_match(entry.path().filename().string(), name)) found.push_back(entry.path());
        std::sort(found.begin(), found.end());
        return found;
    }
};

// Four widgets placed by the host itself: numbers 1 to 4 placed, 5 given and removed, so the next
// is 6. Widget 2 has the source "s2".
const std::string& placedStore() {
    static const std::string bytes = [] {
        const Home home;
        for (int i = 1; i <= 5; ++i) {
            const Outcome added = home.run({"add", "--family", "small", "--source", "s" + std::to_string(i)});
            EXPECT_EQ(added.out, std::to_string(i) + "\n") << added.err;
        }
        EXPECT_EQ(home.run({"remove", "5"}).exitCode, 0);
        return slurp(home.store());
    }();
    return bytes;
}

// A home holding `bytes` as its store, and the lock file the host that wrote them left.
void placeStore(const Home& home, const std::string& bytes) {
    fs::create_directories(home.preferences());
    spill(home.store(), bytes);
    spill(home.preferences() / "com.tallyfox.widgethost.plist.lock", "6\n");
}

std::string listed(const std::vector<int>& numbers) {
    std::string lines;
    for (const int n : numbers)
        lines += std::to_string(n) + "  TallyfoxWidget  systemSmall  sources: s" + std::to_string(n) + "\n";
    return lines;
}

struct Damage {
    std::string name;
    std::string bytes;
    std::string reason;
    std::vector<int> readable;
};

std::vector<Damage> damages() {
    const std::string& good = placedStore();
    std::string badEntry = good;
    badEntry.replace(badEntry.find("<string>s2</string>"), 19, "<integer>2</integer>");
    return {
        {"garbage", "garbage\n", "it is not a property list", {}},
        {"cut at 200 bytes", good.substr(0, 200), "its property list is cut short or damaged", {}},
        {"an array",
         R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><array/></plist>)",
         "it holds an array where settings are a dictionary",
         {}},
        {"widgets that are not a list",
         R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>PlacedWidgets</key>)"
         R"(<string>1 2 3 4</string></dict></plist>)",
         "its list of placed widgets is not a list",
         {}},
        {"an entry that is not a widget", badEntry, "entry 2 of its list is not a placed widget", {1, 3, 4}},
    };
}

} // namespace

TEST(StoreDamage, readingCommandsSayTheStoreCannotBeReadAndLeaveItAsItIs) {
    for (const auto& damage : damages()) {
        const Home home;
        placeStore(home, damage.bytes);
        const std::string line = "widgethost: the placed widgets at " + home.store().string() +
                                 " cannot be read (" + damage.reason + ")\n";
        const Outcome list = home.run({"list"});
        EXPECT_EQ(list.exitCode, 1) << damage.name;
        EXPECT_EQ(list.out, listed(damage.readable)) << damage.name;
        EXPECT_EQ(list.err, line) << damage.name;
        const Outcome json = home.run({"list", "--json"});
        EXPECT_EQ(json.exitCode, 1) << damage.name;
        EXPECT_EQ(json.out.front(), '[') << damage.name;
        EXPECT_EQ(json.err, line) << damage.name;
        // A widget that may be in the part that cannot be read: the store is the answer, and
        // nothing is written.
        for (const auto& command : std::vector<std::vector<std::string>>{
                 {"remove", "2"}, {"edit", "2", "--clear"}, {"accessibility", "--widget", "2"}}) {
            const Outcome refused = home.run(command);
            EXPECT_EQ(refused.exitCode, 1) << damage.name << " " << command[0];
            EXPECT_EQ(refused.err, line) << damage.name << " " << command[0];
        }
        EXPECT_EQ(slurp(home.store()), damage.bytes) << damage.name;
        EXPECT_TRUE(home.kept().empty()) << damage.name;
    }
}

TEST(StoreDamage, theFirstWriteKeepsTheDamagedStoreAndNumbersAreNeverGivenTwice) {
    for (const auto& damage : damages()) {
        const Home home;
        placeStore(home, damage.bytes);
        const Outcome added = home.run({"add", "--family", "small"});
        EXPECT_EQ(added.exitCode, 0) << damage.name;
        EXPECT_EQ(added.out, "6\n") << damage.name;
        const auto kept = home.kept();
        ASSERT_EQ(kept.size(), 1u) << damage.name;
        EXPECT_EQ(added.err, "widgethost: the placed widgets at " + home.store().string() +
                                 " could not be read (" + damage.reason + "); that file is kept as " +
                                 kept[0].string() + "\n")
            << damage.name;
        EXPECT_EQ(slurp(kept[0]), damage.bytes) << damage.name;
        // What could be read is all there, and the store reads whole again.
        std::string expected =
            listed(damage.readable) + "6  TallyfoxWidget  systemSmall  no sources chosen\n";
        const Outcome list = home.run({"list"});
        EXPECT_EQ(list.out, expected) << damage.name;
        EXPECT_EQ(list.err, "") << damage.name;

        // Damaged again within the same second: a second kept copy, the first untouched.
        spill(home.store(), "garbage again");
        EXPECT_EQ(home.run({"add", "--family", "small"}).out, "7\n") << damage.name;
        ASSERT_EQ(home.kept().size(), 2u) << damage.name;
        EXPECT_EQ(slurp(kept[0]), damage.bytes) << damage.name;
    }
}

TEST(StoreDamage, editAndRemoveOfAReadableWidgetAreFirstWritesToo) {
    const auto damage = damages().back();
    for (const auto& command :
         std::vector<std::vector<std::string>>{{"edit", "3", "--clear"}, {"remove", "3"}}) {
        const Home home;
        placeStore(home, damage.bytes);
        const Outcome changed = home.run(command);
        EXPECT_EQ(changed.exitCode, 0) << command[0] << changed.err;
        ASSERT_EQ(home.kept().size(), 1u) << command[0];
        EXPECT_NE(changed.err.find("could not be read (" + damage.reason + "); that file is kept as"),
                  std::string::npos)
            << changed.err;
        EXPECT_EQ(home.run({"list"}).out,
                  command[0] == "edit"
                      ? listed({1}) + "3  TallyfoxWidget  systemSmall  no sources chosen\n" + listed({4})
                      : listed({1, 4}));
        EXPECT_EQ(home.run({"add", "--family", "small"}).out, "6\n");
    }
}

TEST(StoreDamage, numbersGoOnAboveThoseStillLegibleWhenTheLockFileIsGoneToo) {
    const Home home;
    placeStore(home, placedStore().substr(0, placedStore().size() / 2));
    fs::remove(home.preferences() / "com.tallyfox.widgethost.plist.lock");
    EXPECT_EQ(home.run({"add", "--family", "small"}).out, "6\n");
}

TEST(StoreDamage, aFolderInThePlaceOfTheStoreIsLeftAloneAndSaid) {
    const Home home;
    fs::create_directories(home.store() / "inside");
    const std::string path = home.store().string();
    const Outcome list = home.run({"list"});
    EXPECT_EQ(list.exitCode, 1);
    EXPECT_EQ(list.err,
              "widgethost: the placed widgets at " + path + " cannot be read (a folder is in its place)\n");
    for (const auto& command :
         std::vector<std::vector<std::string>>{{"add", "--family", "small"}, {"remove", "1"}}) {
        const Outcome refused = home.run(command);
        EXPECT_EQ(refused.exitCode, 1) << command[0];
        EXPECT_EQ(refused.out, "") << command[0];
    }
    EXPECT_EQ(home.run({"add", "--family", "small"}).err,
              "widgethost: cannot save the placed widgets in " + path + " (a folder is in its place)\n");
    EXPECT_TRUE(fs::is_directory(home.store() / "inside"));
    EXPECT_TRUE(home.kept().empty());
}

TEST(StoreDamage, permissionsThatRefuseAReadOrAWriteAreSaid) {
    if (rootIgnoresPermissions() && !fs::exists("/usr/bin/setpriv"))
        GTEST_SKIP() << "running as root without setpriv, permissions do not refuse anything";
    {
        const Home home;
        placeStore(home, placedStore());
        fs::permissions(home.store(), fs::perms::none);
        const Outcome list = home.run({"list"}, true);
        EXPECT_EQ(list.exitCode, 1);
        EXPECT_EQ(list.err, "widgethost: the placed widgets at " + home.store().string() +
                                " cannot be read (no permission to read it)\n");
        // Kept aside unread: the folder lets it be renamed.
        const Outcome added = home.run({"add", "--family", "small"}, true);
        EXPECT_EQ(added.out, "6\n");
        ASSERT_EQ(home.kept().size(), 1u);
        fs::permissions(home.kept()[0], fs::perms::owner_read);
        EXPECT_EQ(slurp(home.kept()[0]), placedStore());
    }
    {
        const Home home;
        placeStore(home, placedStore());
        fs::permissions(home.preferences(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(home.run({"add", "--family", "small"}, true).err,
                  "widgethost: cannot save the placed widgets in " + home.store().string() +
                      " (no permission to write in its folder)\n");
        fs::permissions(home.preferences(), fs::perms::owner_all);
        EXPECT_EQ(slurp(home.store()), placedStore());
    }
}

TEST(StoreDamage, theWidgetsOwnDefaultsAreKeptAsideBeforeItWritesItsLanguage) {
    const Home home;
    const fs::path container = home.home / "Library" / "Group Containers" / "group.com.tallyfox.Tallyfox";
    fs::create_directories(container);
    spill(container / "widget-snapshot.json",
          R"({"schemaVersion":1,"generatedAt":"2027-01-15T07:59:30Z","language":"de",)"
          R"("state":{"providers":{"_0":[{"provider":"cursor","windows":[]}]}}})");
    fs::create_directories(home.preferences());
    const fs::path defaults = home.preferences() / "com.tallyfox.Tallyfox.TallyfoxWidget.plist";
    spill(defaults, "garbage");
    const Outcome timeline = home.run({"timeline", "--now", "2027-01-15T08:00:00Z"});
    EXPECT_EQ(timeline.exitCode, 0) << timeline.err;
    const auto kept = home.kept("com.tallyfox.Tallyfox.TallyfoxWidget");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(slurp(kept[0]), "garbage");
    EXPECT_NE(slurp(defaults).find("<string>de</string>"), std::string::npos);
}
