#include "platform/foundation/UserDefaults.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace platform::foundation;

namespace {

class Defaults : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tallyfox-defaults-XXXXXX";
        home_ = mkdtemp(pattern);
        setenv("HOME", home_.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(home_); }
    fs::path preferences() const { return home_ / "Library" / "Preferences"; }
    fs::path home_;
};

} // namespace

TEST_F(Defaults, persistEveryKindOfValueAsAPropertyList) {
    PropertyListValue::Dictionary nested{{"count", 3}, {"ratio", 0.25}};
    {
        UserDefaults defaults("com.tallyfox.test");
        defaults.set("AppleLanguages", PropertyListValue::strings({"de", "en"}));
        defaults.set("flag", true);
        defaults.set("negative", -42);
        defaults.set("when", Date{1773652200.5});
        defaults.set("bytes", PropertyListValue::Data{0, 255, 7});
        defaults.set("nested", nested);
    }
    const fs::path file = preferences() / "com.tallyfox.test.plist";
    ASSERT_TRUE(fs::exists(file));
    std::ifstream stream(file);
    const std::string xml{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    EXPECT_NE(xml.find("<key>AppleLanguages</key>"), std::string::npos);

    // Another process reading the file would see the same; drop our copy by reading through the domain API.
    const auto stored = UserDefaults("x").persistentDomain("com.tallyfox.test");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->at("AppleLanguages"), PropertyListValue::strings({"de", "en"}));
    EXPECT_EQ(stored->at("flag"), PropertyListValue(true));
    EXPECT_EQ(stored->at("negative"), PropertyListValue(-42));
    EXPECT_EQ(stored->at("when"), PropertyListValue(Date{1773652200.5}));
    EXPECT_EQ(stored->at("bytes"), PropertyListValue(PropertyListValue::Data{0, 255, 7}));
    EXPECT_EQ(stored->at("nested"), PropertyListValue(nested));
    for (const auto& leftover : fs::directory_iterator(preferences()))
        EXPECT_EQ(leftover.path().extension(), ".plist") << "a temporary file was left behind";
}

TEST_F(Defaults, readFilesWrittenElsewhereAndFallBackToTheGlobalDomain) {
    fs::create_directories(preferences());
    std::ofstream(preferences() / "com.other.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>name</key><string>x</string>"
           "<key>list</key><array><string>a</string><integer>1</integer></array></dict></plist>\n";
    std::ofstream(preferences() / ".GlobalPreferences.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>AppleLanguages</key>"
           "<array><string>fr</string></array></dict></plist>\n";
    std::ofstream(preferences() / "com.broken.plist") << "not a property list";

    const UserDefaults other("com.other");
    EXPECT_EQ(other.string("name"), "x");
    EXPECT_EQ(other.stringArray("list"), std::nullopt); // not all strings
    EXPECT_EQ(other.stringArray("AppleLanguages"), std::vector<std::string>{"fr"}); // from the global domain
    EXPECT_EQ(UserDefaults("x").persistentDomain("com.broken"), std::nullopt);
    EXPECT_EQ(UserDefaults("x").persistentDomain("com.missing"), std::nullopt);
    fs::create_directories(preferences() / "com.folder.plist");
    EXPECT_EQ(UserDefaults("com.folder").string("name"), std::nullopt); // a folder holds no defaults
}

TEST_F(Defaults, removeKeysAndReplaceWholeDomains) {
    UserDefaults defaults("com.tallyfox.remove");
    defaults.set("a", 1);
    defaults.set("b", 2);
    defaults.removeObject("a");
    EXPECT_EQ(defaults.object("a"), std::nullopt);
    EXPECT_EQ(defaults.persistentDomain("com.tallyfox.remove")->size(), 1u);
    ASSERT_TRUE(defaults.writePersistentDomain({{"c", "three"}}, "com.tallyfox.remove").hasValue());
    EXPECT_EQ(defaults.object("b"), std::nullopt);
    EXPECT_EQ(defaults.string("c"), "three");
    EXPECT_EQ(UserDefaults("x").persistentDomain("com.tallyfox.remove"),
              (PropertyListValue::Dictionary{{"c", "three"}}));
}

TEST_F(Defaults, aLongRunningProcessSeesWhatOthersWrite) {
    UserDefaults defaults("com.tallyfox.shared");
    defaults.set("count", 1);
    const fs::path file = preferences() / "com.tallyfox.shared.plist";
    const auto writeElsewhere = [&](const std::string& value) {
        // Another process writes as we do: a new file renamed over the old one.
        const fs::path temporary = preferences() / "elsewhere.tmp";
        std::ofstream(temporary) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                                    "<key>count</key><integer>" + value + "</integer></dict></plist>\n";
        fs::rename(temporary, file);
    };
    writeElsewhere("2");
    EXPECT_EQ(defaults.object("count"), PropertyListValue(2));
    // A change made here starts from the file as it is now, not from the copy read before.
    defaults.set("other", true);
    EXPECT_EQ(UserDefaults("x").persistentDomain("com.tallyfox.shared")->at("count"), PropertyListValue(2));
    writeElsewhere("3");
    EXPECT_EQ(defaults.object("count"), PropertyListValue(3));
    EXPECT_EQ(defaults.object("other"), std::nullopt);
    fs::remove(file);
    EXPECT_EQ(defaults.object("count"), std::nullopt);
}

TEST_F(Defaults, aDomainWithoutANameLivesInMemory) {
    UserDefaults unnamed("");
    unnamed.set("AppleLanguages", PropertyListValue::strings({"he"}));
    EXPECT_EQ(unnamed.stringArray("AppleLanguages"), std::vector<std::string>{"he"});
    EXPECT_TRUE(!fs::exists(preferences()) || fs::is_empty(preferences()));
    EXPECT_EQ(UserDefaults::fileForDomain("../escape"), fs::path());
}

TEST_F(Defaults, manyThreadsWritingLoseNothing) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            UserDefaults defaults("com.tallyfox.threads");
            for (int i = 0; i < 25; ++i) {
                defaults.set("key" + std::to_string(t) + "-" + std::to_string(i), i);
                (void)defaults.object("key0-0");
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(UserDefaults("x").persistentDomain("com.tallyfox.threads")->size(), 100u);
}

namespace {

std::string contents(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> keptBeside(const fs::path& folder, const std::string& domain) {
    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(domain + ".damaged-")) kept.push_back(entry.path());
    std::sort(kept.begin(), kept.end());
    return kept;
}

} // namespace

TEST_F(Defaults, aFileThatCannotBeReadIsSaidWhyAndKeptAsideBeforeAnyWrite) {
    const std::string good = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                             "<key>AppleLanguages</key><array><string>fr</string></array></dict></plist>\n";
    const struct {
        std::string bytes, reason;
    } damages[] = {
        {"garbage", "it is not a property list"},
        {good.substr(0, 70), "its property list is cut short or damaged"},
        {"bplist00\x01\x02", "its binary property list is cut short or damaged"},
        {"<?xml version=\"1.0\"?><plist version=\"1.0\"><string>fr</string></plist>",
         "it holds a string where settings are a dictionary"},
        {"", "it is empty"},
    };
    fs::create_directories(preferences());
    const fs::path file = preferences() / "com.tallyfox.damaged.plist";
    for (const auto& damage : damages) {
        fs::remove_all(preferences());
        fs::create_directories(preferences());
        std::ofstream(file, std::ios::binary) << damage.bytes;
        UserDefaults defaults("com.tallyfox.damaged");
        EXPECT_EQ(defaults.unreadableDomain("com.tallyfox.damaged"), (DefaultsProblem{file, damage.reason}));
        EXPECT_EQ(defaults.object("AppleLanguages"), std::nullopt);
        // Removing a key that cannot be read writes nothing.
        defaults.removeObject("AppleLanguages");
        EXPECT_EQ(contents(file), damage.bytes);

        const auto written = defaults.write("AppleLanguages", PropertyListValue::strings({"de"}));
        ASSERT_TRUE(written.hasValue()) << damage.reason;
        const auto kept = keptBeside(preferences(), "com.tallyfox.damaged");
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_TRUE(std::regex_match(kept[0].filename().string(),
                                     std::regex(R"(com\.tallyfox\.damaged\.damaged-\d{8}T\d{6}Z\.plist)")))
            << kept[0];
        EXPECT_EQ(written->kept, (KeptDamagedFile{file, kept[0], damage.reason}));
        EXPECT_EQ(contents(kept[0]), damage.bytes);
        EXPECT_EQ(defaults.unreadableDomain("com.tallyfox.damaged"), std::nullopt);
        EXPECT_EQ(UserDefaults("x").persistentDomain("com.tallyfox.damaged")->at("AppleLanguages"),
                  PropertyListValue::strings({"de"}));

        // Damaged again in the same second, and the whole domain written anew: the earlier copy
        // stays and the new one is kept beside it, never written over.
        std::ofstream(file, std::ios::binary | std::ios::trunc) << "again";
        ASSERT_TRUE(defaults.writePersistentDomain({}, "com.tallyfox.damaged").hasValue());
        const auto both = keptBeside(preferences(), "com.tallyfox.damaged");
        ASSERT_EQ(both.size(), 2u);
        EXPECT_EQ(contents(kept[0]), damage.bytes);
        EXPECT_EQ(contents(both[0] == kept[0] ? both[1] : both[0]), "again");
    }
}

TEST_F(Defaults, aWriteThatCannotBeDoneSaysWhyAndLeavesWhatIsInTheWay) {
    fs::create_directories(preferences() / "com.tallyfox.folder.plist" / "inside");
    UserDefaults folder("com.tallyfox.folder");
    const fs::path folderFile = preferences() / "com.tallyfox.folder.plist";
    EXPECT_EQ(folder.unreadableDomain("com.tallyfox.folder"),
              (DefaultsProblem{folderFile, "a folder is in its place"}));
    const auto refused = folder.write("a", 1);
    ASSERT_FALSE(refused.hasValue());
    EXPECT_EQ(refused.error(), (DefaultsProblem{folderFile, "a folder is in its place"}));
    EXPECT_TRUE(fs::is_directory(folderFile / "inside"));
    EXPECT_FALSE(folder.writePersistentDomain({}, "com.tallyfox.folder").hasValue());
    EXPECT_TRUE(fs::is_directory(folderFile / "inside"));

    // A file where the Preferences folder belongs.
    fs::remove_all(home_ / "Library");
    std::ofstream(home_ / "Library") << "not a folder";
    const auto blocked = UserDefaults("com.tallyfox.blocked").write("a", 1);
    ASSERT_FALSE(blocked.hasValue());
    EXPECT_EQ(blocked.error().reason, "a file stands where one of its folders belongs");
    EXPECT_EQ(contents(home_ / "Library"), "not a folder");

}

TEST_F(Defaults, permissionsThatRefuseAReadOrAWriteAreSaidInPlainWords) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads and writes past permissions (the host's tests drop them)";
    fs::create_directories(preferences());
    std::ofstream(preferences() / "com.tallyfox.locked.plist") << "<plist><dict/></plist>";
    fs::permissions(preferences() / "com.tallyfox.locked.plist", fs::perms::none);
    EXPECT_EQ(UserDefaults("x").unreadableDomain("com.tallyfox.locked")->reason, "no permission to read it");
    fs::permissions(preferences(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(UserDefaults("com.tallyfox.readonly").write("a", 1).error().reason,
              "no permission to write in its folder");
    fs::permissions(preferences(), fs::perms::owner_all);
}
