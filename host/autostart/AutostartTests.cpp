#include "host/autostart/Autostart.hpp"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tallyfox::host {
namespace {

namespace fs = std::filesystem;

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "autostart-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, ignored);
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string contents(const fs::path& file) {
    std::ifstream stream(file);
    std::stringstream text;
    text << stream.rdbuf();
    return text.str();
}

std::string execLine(const std::string& entry) {
    const auto start = entry.find("\nExec=");
    return entry.substr(start + 1, entry.find('\n', start + 1) - start - 1);
}

struct CommandResult {
    int code;
    std::string out;
    std::string err;
};

CommandResult run(std::vector<std::string> arguments, const fs::path& file, const fs::path& program) {
    std::ostringstream out, err;
    const int code = runAutostartCommand(arguments, file, program, out, err);
    return {code, out.str(), err.str()};
}

TEST(Autostart, theEntryLivesInTheConfigFolderTheEnvironmentNames) {
    const std::string name = "com.tallyfox.Tallyfox.Widgets.desktop";
    EXPECT_EQ(*autostartFile("/x/config", fs::path("/home/u")), fs::path("/x/config/autostart/" + name));
    // Unset, empty and relative values are ignored.
    EXPECT_EQ(*autostartFile(std::nullopt, fs::path("/home/u")),
              fs::path("/home/u/.config/autostart/" + name));
    EXPECT_EQ(*autostartFile("", fs::path("/home/u")), fs::path("/home/u/.config/autostart/" + name));
    EXPECT_EQ(*autostartFile("config", fs::path("/home/u")), fs::path("/home/u/.config/autostart/" + name));
    EXPECT_EQ(autostartFile(std::nullopt, std::nullopt).error().message,
              "no home directory to keep the autostart entry in");
    EXPECT_EQ(*autostartFile("/x/config", std::nullopt), fs::path("/x/config/autostart/" + name));
}

TEST(Autostart, theEntryStartsTheProgramsLiveWidgets) {
    EXPECT_EQ(*autostartEntry("/usr/lib/tallyfox/bin/widgethost"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Tallyfox Widgets\n"
              "Comment=How much is left of your AI coding tools' usage limits\n"
              "Icon=com.tallyfox.Tallyfox.Widgets\n"
              "TryExec=/usr/lib/tallyfox/bin/widgethost\n"
              "Exec=/usr/lib/tallyfox/bin/widgethost show\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
}

TEST(Autostart, pathsWithReservedCharactersAreQuotedAndEscapedTwice) {
    EXPECT_EQ(execLine(*autostartEntry("/opt/My Apps/widgethost")), R"(Exec="/opt/My Apps/widgethost" show)");
    // Inside quotes `$`, `"` and a backslash get a backslash; then every backslash of the value is doubled.
    EXPECT_EQ(execLine(*autostartEntry(R"(/a $b/"c"\d)")), R"(Exec="/a \\$b/\\"c\\"\\\\d" show)");
    // A percent sign would start a field code.
    EXPECT_EQ(execLine(*autostartEntry("/opt/100%/widgethost")), "Exec=/opt/100%%/widgethost show");
    EXPECT_NE(autostartEntry(R"(/a\b)")->find("TryExec=/a\\\\b\n"), std::string::npos);

    EXPECT_EQ(autostartEntry("bin/widgethost").error().message,
              "cannot start bin/widgethost with the session: the path is relative");
    EXPECT_EQ(autostartEntry("/a\nb").error().message,
              "cannot start /a\nb with the session: a desktop entry cannot hold a control character");
    EXPECT_EQ(autostartEntry("/a\xC3(").error().message,
              "cannot start /a\xC3( with the session: a desktop entry cannot hold a path that is not UTF-8");
    EXPECT_TRUE(autostartEntry("/opt/Überwachung/视图/widgethost"));
}

TEST(Autostart, onWritesTheEntryOffRemovesItAndStatusTellsWhich) {
    TemporaryFolder folder;
    const fs::path file = folder.path() / "config/autostart/com.tallyfox.Tallyfox.Widgets.desktop";
    const fs::path program = "/usr/lib/tallyfox/bin/widgethost";

    auto result = run({"status"}, file, program);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "off\n");

    result = run({"on"}, file, program);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "on: " + file.string() + "\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(contents(file), *autostartEntry(program));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
    // The folders it had to create are the user's own.
    ASSERT_EQ(::stat(file.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    ASSERT_EQ(::stat(file.parent_path().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);

    // Again, for another copy of the program: replaced, and no temporary file left behind.
    EXPECT_EQ(run({"on"}, file, "/opt/widgethost").code, 0);
    EXPECT_EQ(contents(file), *autostartEntry("/opt/widgethost"));
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
    EXPECT_EQ(run({"status"}, file, program).out, "on: " + file.string() + "\n");

    result = run({"off"}, file, program);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "off\n");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(run({"off"}, file, program).code, 0);
}

TEST(Autostart, anEntryTheDesktopSwitchedOffIsOffUntilTurnedOnAgain) {
    TemporaryFolder folder;
    const fs::path file = folder.path() / "x.desktop";
    for (const std::string line :
         {"Hidden=true", "X-GNOME-Autostart-enabled=false", "X-GNOME-Autostart-enabled = false"}) {
        std::ofstream(file) << "[Desktop Entry]\nType=Application\nExec=/bin/true\n" << line << "\n";
        EXPECT_EQ(*autostartState(file), AutostartState::off) << line;
    }
    // The same keys in another group do not count.
    std::ofstream(file) << "[Desktop Entry]\nExec=/bin/true\n[Desktop Action x]\nHidden=true\n";
    EXPECT_EQ(*autostartState(file), AutostartState::on);

    std::ofstream(file) << "[Desktop Entry]\nHidden=true\n";
    EXPECT_EQ(run({"on"}, file, "/opt/widgethost").out, "on: " + file.string() + "\n");
    EXPECT_EQ(*autostartState(file), AutostartState::on);
}

TEST(Autostart, usageErrorsAndFailuresAreOneLineWithTheirCode) {
    TemporaryFolder folder;
    const fs::path file = folder.path() / "autostart/x.desktop";
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{}, {"enable"}, {"on", "off"}, {"ON"}}) {
        const auto result = run(arguments, file, "/opt/widgethost");
        EXPECT_EQ(result.code, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "widgethost: autostart takes one of on, off or status.\n");
    }
    EXPECT_EQ(run({"--help"}, file, "/opt/widgethost").out, "Usage: widgethost autostart on|off|status\n");

    auto result = run({"on"}, file, "widgethost");
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "widgethost: cannot start widgethost with the session: the path is relative\n");
    EXPECT_FALSE(fs::exists(file));

    // The config folder is a file: nothing can be created below it.
    std::ofstream(folder.path() / "autostart") << "";
    result = run({"on"}, file, "/opt/widgethost");
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "widgethost: cannot create " + file.parent_path().string() + ": Not a directory\n");
    EXPECT_EQ(run({"status"}, file, "/opt/widgethost").out, "off\n");

    // The entry's place is a folder: it cannot be removed, read or replaced.
    const fs::path folderEntry = folder.path() / "entry.desktop";
    fs::create_directory(folderEntry);
    result = run({"off"}, folderEntry, "/opt/widgethost");
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "widgethost: cannot remove " + folderEntry.string() + ": Is a directory\n");
    result = run({"on"}, folderEntry, "/opt/widgethost");
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "widgethost: cannot write " + folderEntry.string() + ": Is a directory\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);
}

TEST(Autostart, concurrentRequestsNeverLeaveAHalfWrittenEntry) {
    TemporaryFolder folder;
    const fs::path file = folder.path() / "autostart/x.desktop";
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const std::string text = contents(file);
            if (!text.empty() && !text.ends_with("X-GNOME-Autostart-enabled=true\n")) ++torn;
        }
    });
    std::vector<std::thread> writers;
    for (int i = 0; i < 4; ++i) {
        writers.emplace_back([&, i] {
            for (int k = 0; k < 50; ++k) {
                if (!enableAutostart(file, "/opt/copy" + std::to_string(i) + "/widgethost")) ++torn;
                if (k % 7 == 0 && !disableAutostart(file)) ++torn;
            }
        });
    }
    for (auto& writer : writers)
        writer.join();
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

TEST(Autostart, theDesktopEntryValidatorAcceptsTheEntry) {
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no desktop-file-validate";
    TemporaryFolder folder;
    for (const std::string program :
         {"/usr/lib/tallyfox/bin/widgethost", R"(/opt/My "$Apps"\100%/widgethost)"}) {
        const fs::path file = folder.path() / "com.tallyfox.Tallyfox.Widgets.desktop";
        ASSERT_TRUE(enableAutostart(file, program));
        const std::string command =
            "desktop-file-validate '" + file.string() + "' > '" + folder.path().string() + "/out' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << contents(folder.path() / "out");
        EXPECT_EQ(contents(folder.path() / "out"), "") << program;
    }
}

TEST(Autostart, theSessionStartsTheProgramByTheLinkTheUserRuns) {
    TemporaryFolder folder;
    const fs::path root = folder.path();
    const auto executableFile = [](const fs::path& file) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "#!/bin/sh\n";
        fs::permissions(file, fs::perms::owner_all);
    };
    // An installed tree, its link in <prefix>/bin, and a link of the user's own on PATH.
    const fs::path prefix = root / "usr";
    const fs::path host = prefix / "lib/tallyfox/bin/widgethost";
    executableFile(host);
    fs::create_directories(prefix / "bin");
    fs::create_symlink("../lib/tallyfox/bin/widgethost", prefix / "bin/widgethost");
    fs::create_directories(root / "home/bin");
    fs::create_symlink(prefix / "bin/widgethost", root / "home/bin/wh");
    const std::string path = (root / "home/bin").string() + ":" + (prefix / "bin").string();
    const fs::path work = root / "home";

    EXPECT_EQ(programToStart(host, "widgethost", path, work), prefix / "bin/widgethost");
    EXPECT_EQ(programToStart(host, "wh", path, work), root / "home/bin/wh");
    EXPECT_EQ(programToStart(host, "bin/wh", "", work), root / "home/bin/wh");
    EXPECT_EQ(programToStart(host, "./bin/../bin/wh", "", work), root / "home/bin/wh");
    EXPECT_EQ(programToStart(host, (prefix / "bin/widgethost").string(), "", work),
              prefix / "bin/widgethost");
    // Run by its own path, by a name that is not on PATH or under another name: the installed link.
    EXPECT_EQ(programToStart(host, host.string(), path, work), prefix / "bin/widgethost");
    EXPECT_EQ(programToStart(host, "widgethost", "", work), prefix / "bin/widgethost");
    EXPECT_EQ(programToStart(host, "anything", path, work), prefix / "bin/widgethost");
    EXPECT_EQ(programToStart(host, "", path, work), prefix / "bin/widgethost");

    // The first of that name on PATH is another program: argv[0] did not come from there.
    executableFile(root / "other/wh");
    EXPECT_EQ(programToStart(host, "wh", (root / "other").string() + ":" + path, work),
              prefix / "bin/widgethost");
    // A file that is not executable is passed over, as the shell passes it over.
    std::ofstream(root / "other/widgethost") << "";
    EXPECT_EQ(programToStart(host, "widgethost", (root / "other").string() + ":" + path, work),
              prefix / "bin/widgethost");

    // A link in <prefix>/bin to another copy, or none at all (the build tree): the program itself.
    const fs::path copy = root / "opt/lib/tallyfox/bin/widgethost";
    executableFile(copy);
    fs::create_directories(root / "opt/bin");
    fs::create_symlink(host, root / "opt/bin/widgethost");
    EXPECT_EQ(programToStart(copy, "widgethost", (root / "opt/bin").string(), work), copy);
    const fs::path built = root / "build/bin/widgethost";
    executableFile(built);
    EXPECT_EQ(programToStart(built, built.string(), path, work), built);
    EXPECT_EQ(programToStart(built, "widgethost", path, work), built);
}

TEST(Autostart, theRunningProgramIsTheResolvedExecutable) {
    const auto program = currentExecutable();
    ASSERT_TRUE(program);
    EXPECT_TRUE(program->is_absolute());
    EXPECT_EQ(program->filename(), "widgethost_autostart_tests");
    EXPECT_TRUE(fs::is_regular_file(*program));
}

} // namespace
} // namespace tallyfox::host
