#include "platform/foundation/FileSystem.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform::foundation;
namespace fs = std::filesystem;

namespace {

struct TemporaryDirectory {
    fs::path path;
    TemporaryDirectory() {
        std::string pattern = (fs::temp_directory_path() / "tallyfox-fs-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TemporaryDirectory() { fs::remove_all(path); }
};

struct ScopedHome {
    std::optional<std::string> saved;
    explicit ScopedHome(const char* value) {
        if (const char* old = std::getenv("HOME")) saved = old;
        if (value) setenv("HOME", value, 1); else unsetenv("HOME");
    }
    ~ScopedHome() {
        if (saved) setenv("HOME", saved->c_str(), 1); else unsetenv("HOME");
    }
};

} // namespace

TEST(HomeDirectory, prefersHOMEAndFallsBackToTheAccountRecord) {
    {
        ScopedHome home("/tmp/somebody");
        EXPECT_EQ(homeDirectory(), fs::path("/tmp/somebody"));
        EXPECT_EQ(groupContainerPath("group.com.tallyfox.Tallyfox"),
                  fs::path("/tmp/somebody/Library/Group Containers/group.com.tallyfox.Tallyfox"));
    }
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        ScopedHome home(value);
        const auto fallback = homeDirectory();
        ASSERT_TRUE(fallback.has_value());
        EXPECT_FALSE(fallback->empty());
    }
}

TEST(GroupContainer, refusesIdentifiersThatCouldLeaveGroupContainers) {
    ScopedHome home("/tmp/somebody");
    for (const char* identifier : {"", ".", "..", "a/b", "/", "../x", "group/"})
        EXPECT_FALSE(groupContainerPath(identifier).has_value()) << identifier;
    EXPECT_TRUE(groupContainerPath("...").has_value()) << "three dots is an ordinary name";
}

TEST(ExecutablePath, isTheRunningProgramsFileWithLinksResolved) {
    const auto executable = executablePath();
    ASSERT_TRUE(executable) << executable.error().message();
    EXPECT_TRUE(executable->is_absolute());
    EXPECT_EQ(executable->filename(), "foundation_core_tests");
    EXPECT_FALSE(fs::is_symlink(*executable));
    EXPECT_TRUE(fs::is_regular_file(*executable));
}

TEST(ReadOnce, readsAtMostTheBoundAndTellsFailuresApart) {
    TemporaryDirectory dir;
    const fs::path file = dir.path / "data";
    std::ofstream(file) << "0123456789";

    auto whole = readOnce(file, 100, 64);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->bytes(), "0123456789");
    EXPECT_EQ(whole->capacity(), 164u);

    auto bounded = readOnce(file, 4);
    ASSERT_TRUE(bounded);
    EXPECT_EQ(bounded->bytes(), "0123");

    std::ofstream(dir.path / "empty");
    EXPECT_EQ(readOnce(dir.path / "empty", 10).error().kind, FileReadFailure::Kind::endOfFile);
    EXPECT_EQ(readOnce(dir.path / "missing", 10).error().kind, FileReadFailure::Kind::openFailed);
    EXPECT_EQ(readOnce(dir.path, 10).error().kind, FileReadFailure::Kind::readFailed);
}

TEST(ReadOnce, neitherBlocksOnAFIFONorReadsADevice) {
    TemporaryDirectory dir;
    const fs::path fifo = dir.path / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(readOnce(fifo, 10).error().kind, FileReadFailure::Kind::readFailed);
    EXPECT_EQ(readOnce("/dev/zero", 10).error().kind, FileReadFailure::Kind::readFailed);
}
