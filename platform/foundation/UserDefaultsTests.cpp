#include "platform/foundation/UserDefaults.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

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

TEST_F(Defaults, removeKeysAndDomains) {
    UserDefaults defaults("com.tallyfox.remove");
    defaults.set("a", 1);
    defaults.set("b", 2);
    defaults.removeObject("a");
    EXPECT_EQ(defaults.object("a"), std::nullopt);
    EXPECT_EQ(defaults.persistentDomain("com.tallyfox.remove")->size(), 1u);
    defaults.removePersistentDomain("com.tallyfox.remove");
    EXPECT_FALSE(fs::exists(preferences() / "com.tallyfox.remove.plist"));
    EXPECT_EQ(defaults.object("b"), std::nullopt);
    defaults.setPersistentDomain({{"c", "three"}}, "com.tallyfox.remove");
    EXPECT_EQ(defaults.string("c"), "three");
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
