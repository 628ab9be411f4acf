#include "platform/foundation/Bundle.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <plist/plist.h>
#include <unistd.h>

using namespace platform::foundation;
namespace fs = std::filesystem;

namespace {

struct TemporaryBundle {
    fs::path root;
    TemporaryBundle() {
        std::string pattern = (fs::temp_directory_path() / "tallyfox-bundle-XXXXXX").string();
        root = fs::path(mkdtemp(pattern.data())) / "Some.app";
        fs::create_directories(root / "Contents");
    }
    ~TemporaryBundle() { fs::remove_all(root.parent_path()); }
    void write(const std::string& bytes) const {
        std::ofstream(root / "Contents" / "Info.plist", std::ios::binary) << bytes;
    }
};

const char* xmlInfo = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>CFBundleIdentifier</key><string>com.tallyfox.Tallyfox</string>
  <key>Number</key><integer>7</integer>
  <key>Flag</key><true/>
  <key>Languages</key><array><string>en</string><string>de</string></array>
</dict></plist>)";

} // namespace

TEST(Bundle, readsStringsAndOnlyStringsFromAnXMLInfoPlist) {
    TemporaryBundle bundle;
    bundle.write(xmlInfo);
    const auto opened = Bundle::open(bundle.root);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->resourcesPath(), bundle.root / "Contents" / "Resources");
    EXPECT_EQ(opened->infoString("CFBundleIdentifier"), "com.tallyfox.Tallyfox");
    EXPECT_EQ(opened->infoString("Number"), std::nullopt) << "an integer is not a string";
    EXPECT_EQ(opened->infoString("Flag"), std::nullopt);
    EXPECT_EQ(opened->infoString("Languages"), std::nullopt);
    EXPECT_EQ(opened->infoString("Missing"), std::nullopt);
}

TEST(Bundle, readsABinaryInfoPlist) {
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "TallyfoxAppGroupIdentifier", plist_new_string("group.example"));
    char* binary = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &binary, &length);
    plist_free(dict);
    TemporaryBundle bundle;
    bundle.write(std::string(binary, length));
    free(binary);
    EXPECT_EQ(Bundle::open(bundle.root)->infoString("TallyfoxAppGroupIdentifier"), "group.example");
}

TEST(Bundle, opensOnlyDirectoriesAndToleratesABrokenInfoPlist) {
    TemporaryBundle bundle;
    EXPECT_FALSE(Bundle::open(bundle.root / "Missing.app"));
    EXPECT_FALSE(Bundle::open(bundle.root / "Contents" / "Info.plist"));
    const auto withoutInfo = Bundle::open(bundle.root);
    ASSERT_TRUE(withoutInfo);
    EXPECT_EQ(withoutInfo->infoString("CFBundleIdentifier"), std::nullopt);
    for (const char* broken : {"not a plist", "<plist><array/></plist>"}) {
        bundle.write(broken);
        ASSERT_TRUE(Bundle::open(bundle.root));
        EXPECT_EQ(Bundle::open(bundle.root)->infoString("CFBundleIdentifier"), std::nullopt);
    }
}
