// The real binary, end to end: a temporary HOME and a temporary bundle holding a copy of the tool.
#include "cli/Command.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace tallyfox::cli;
namespace fs = std::filesystem;

namespace {

constexpr const char* notBundled = "tallyfox: run the command bundled with Tallyfox.\n";
constexpr const char* unavailable = "tallyfox: snapshot unavailable. Open Tallyfox to create it.\n";
constexpr const char* tooLarge = "tallyfox: snapshot unreadable or too large. Open Tallyfox to update it.\n";
constexpr const char* unsupported = "tallyfox: snapshot unreadable or unsupported. Open Tallyfox to update it.\n";

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void spit(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string infoPlist(const std::string& entries) {
    return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" + entries + "</dict></plist>";
}

const std::string standardInfo = infoPlist("<key>CFBundleShortVersionString</key><string>9.8.7</string>"
                                           "<key>TallyfoxAppGroupIdentifier</key><string>group.test</string>");

std::string freshSnapshot() {
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&seconds));
    return std::string(R"({"schemaVersion": 1, "generatedAt": ")") + stamp +
           R"(", "state": {"providers": {"_0": [{"provider": "codex", "windows": [{"kind": 300, "usage": 25}]}]}}})";
}

struct Outcome {
    int exitCode = -1;
    int signal = 0;
    std::string out, err;
};

struct Sandbox {
    fs::path root, home, app, tool;

    Sandbox() {
        std::string pattern = (fs::temp_directory_path() / "tallyfox-e2e-XXXXXX").string();
        root = mkdtemp(pattern.data());
        home = root / "home";
        app = root / "Tallyfox.app";
        tool = app / "Contents" / "MacOS" / "tallyfox";
        fs::create_directories(home);
        install(tool);
        spit(app / "Contents" / "Info.plist", standardInfo);
    }
    ~Sandbox() { fs::remove_all(root); }

    static void install(const fs::path& to) {
        fs::create_directories(to.parent_path());
        fs::copy_file(TALLYFOX_CLI_EXECUTABLE, to, fs::copy_options::overwrite_existing);
    }
    fs::path snapshot(const std::string& group = "group.test") const {
        return home / "Library" / "Group Containers" / group / "widget-snapshot.json";
    }

    /// Runs `program` with `arguments` (argv[0] is `argv0`), HOME and PATH set, stdout to `stdoutPath`.
    Outcome run(const fs::path& program, std::vector<std::string> arguments, std::string argv0 = "",
                const std::string& path = "/usr/bin:/bin", const fs::path& stdoutPath = "") const {
        const fs::path out = stdoutPath.empty() ? root / "stdout" : stdoutPath;
        const fs::path err = root / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

        arguments.insert(arguments.begin(), argv0.empty() ? program.string() : argv0);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        std::string homeVariable = "HOME=" + home.string(), pathVariable = "PATH=" + path;
        char* envp[] = {homeVariable.data(), pathVariable.data(), nullptr};

        pid_t pid = 0;
        // A bare name is looked up in PATH by env(1), the way a shell runs a command.
        if (argv0 == "tallyfox") argv.insert(argv.begin(), const_cast<char*>("/usr/bin/env"));
        const fs::path executable = argv0 == "tallyfox" ? fs::path("/usr/bin/env") : program;
        const int spawned = posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(), envp);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        Outcome outcome;
        if (spawned != 0) return outcome;
        int status = 0;
        // A hang is a failure, not a stuck suite.
        for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; ++waited) {
            if (waited > 1000) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                ADD_FAILURE() << "tallyfox did not finish within 10 seconds";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
        if (stdoutPath.empty()) outcome.out = slurp(out);
        outcome.err = slurp(err);
        return outcome;
    }
    Outcome run(std::vector<std::string> arguments) const { return run(tool, std::move(arguments)); }
};

void expectFailure(const Outcome& outcome, int code, const std::string& line, const std::string& what) {
    EXPECT_EQ(outcome.exitCode, code) << what;
    EXPECT_EQ(outcome.err, line) << what;
    EXPECT_EQ(outcome.out, "") << what;
}

} // namespace

TEST(Arguments, matchTheAcceptedFormsExactly) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(action(V{}), Action::usage);
    EXPECT_EQ(action(V{"help"}), Action::usage);
    EXPECT_EQ(action(V{"--help"}), Action::usage);
    EXPECT_EQ(action(V{"--version"}), Action::version);
    EXPECT_EQ(action(V{"status"}), Action::status);
    EXPECT_EQ(action(V{"status", "--json"}), Action::statusJSON);
    for (const V& other : {V{"-h"}, V{"-v"}, V{"--json", "status"}, V{"status", "--json", "--json"}, V{"Status"},
                           V{"status", "--JSON"}, V{"help", "status"}, V{""}, V{"--version", "status"}})
        EXPECT_EQ(action(other), Action::unknown);
}

TEST(Tallyfox, usageAndVersionForms) {
    Sandbox sandbox;
    const std::string usage = std::string(usageText()) + "\n";
    EXPECT_TRUE(usage.starts_with("Usage: tallyfox status [--json]\n       tallyfox --version\n\nReads"));
    for (const auto& arguments : {std::vector<std::string>{}, {"--help"}, {"help"}}) {
        const Outcome outcome = sandbox.run(arguments);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.out, usage);
        EXPECT_EQ(outcome.err, "");
    }
    EXPECT_EQ(sandbox.run({"--version"}).out, "Tallyfox 9.8.7\n");
    for (const auto& arguments : {std::vector<std::string>{"--json", "status"}, {"status", "--json", "--json"},
                                  {"-h"}, {"STATUS"}, {"status", "extra"}})
        expectFailure(sandbox.run(arguments), 2, "tallyfox: unknown arguments. Use --help.\n", arguments[0]);

    // Outside any bundle, and in bundles whose version is missing or not a string.
    const fs::path loose = sandbox.root / "loose" / "tallyfox";
    Sandbox::install(loose);
    EXPECT_EQ(sandbox.run(loose, {"--version"}).out, "Tallyfox development\n");
    spit(sandbox.app / "Contents" / "Info.plist",
         infoPlist("<key>CFBundleShortVersionString</key><integer>3</integer>"));
    EXPECT_EQ(sandbox.run({"--version"}).out, "Tallyfox development\n");
}

TEST(Tallyfox, theBuiltBundleCarriesVersionAndGroup) {
    Sandbox sandbox;
    const Outcome version = sandbox.run(TALLYFOX_CLI_EXECUTABLE, {"--version"});
    EXPECT_EQ(version.out, std::string("Tallyfox ") + TALLYFOX_PROJECT_VERSION + "\n");
    spit(sandbox.snapshot("group.com.tallyfox.Tallyfox"), freshSnapshot());
    const Outcome status = sandbox.run(TALLYFOX_CLI_EXECUTABLE, {"status"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_NE(status.out.find("  fiveHour: 75.0% left\n"), std::string::npos) << status.out;
}

TEST(Tallyfox, statusSucceedsWithFreshStaleAndEmptySnapshots) {
    Sandbox sandbox;
    spit(sandbox.snapshot(), freshSnapshot());
    const Outcome text = sandbox.run({"status"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.err, "");
    EXPECT_EQ(text.out.substr(text.out.size() - 29), "codex\n  fiveHour: 75.0% left\n");
    const Outcome json = sandbox.run({"status", "--json"});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.out.back(), '\n');
    EXPECT_NE(json.out.find("\"remainingPercent\" : 75\n"), std::string::npos) << json.out;

    spit(sandbox.snapshot(),
         R"({"schemaVersion": 1, "generatedAt": "2020-01-01T00:00:00Z", "state": {"noProvidersEnabled": {}}})");
    const Outcome stale = sandbox.run({"status"});
    EXPECT_EQ(stale.exitCode, 0);
    EXPECT_EQ(stale.out, "Tallyfox \u00B7 snapshot 2020-01-01T00:00:00Z \u00B7 STALE \u2014 open Tallyfox to update\n"
                         "No providers enabled.\n");
}

TEST(Tallyfox, everyFailureIsOneLineOnStandardErrorAndNothingElse) {
    Sandbox sandbox;
    // Not bundled: a loose copy, and bundles whose group identifier is unusable.
    const fs::path loose = sandbox.root / "a" / "b" / "tallyfox";
    Sandbox::install(loose);
    spit(sandbox.snapshot(), freshSnapshot());
    expectFailure(sandbox.run(loose, {"status"}), 1, notBundled, "loose copy");
    for (const std::string group : {"", "<string></string>", "<string>a/b</string>", "<string>.</string>",
                                    "<string>..</string>", "<integer>5</integer>"}) {
        spit(sandbox.app / "Contents" / "Info.plist",
             infoPlist(group.empty() ? "" : "<key>TallyfoxAppGroupIdentifier</key>" + group));
        expectFailure(sandbox.run({"status", "--json"}), 1, notBundled, "group " + group);
    }
    spit(sandbox.app / "Contents" / "Info.plist", standardInfo);

    fs::remove(sandbox.snapshot());
    expectFailure(sandbox.run({"status"}), 1, unavailable, "missing");
    fs::create_directories(sandbox.snapshot().parent_path());
    spit(sandbox.snapshot(), "");
    expectFailure(sandbox.run({"status"}), 1, tooLarge, "empty file");
    for (const std::string bad : {"{", "{\"schemaVersion\": 2, \"generatedAt\": \"2026-03-02T10:00:00Z\", "
                                       "\"state\": {\"noProvidersEnabled\": {}}}",
                                  "{\"schemaVersion\": 1, \"generatedAt\": \"2026-03-02T10:00:00Z\", \"state\": {}}"}) {
        spit(sandbox.snapshot(), bad);
        expectFailure(sandbox.run({"status", "--json"}), 1, unsupported, bad);
    }
}

TEST(Tallyfox, acceptsExactlyFourMebibytesAndNotOneByteMore) {
    Sandbox sandbox;
    std::string snapshot = freshSnapshot();
    snapshot.resize(4'194'304, ' ');
    spit(sandbox.snapshot(), snapshot);
    const Outcome exact = sandbox.run({"status"});
    EXPECT_EQ(exact.exitCode, 0) << exact.err;
    snapshot += ' ';
    spit(sandbox.snapshot(), snapshot);
    expectFailure(sandbox.run({"status"}), 1, tooLarge, "4 MiB + 1");
}

TEST(Tallyfox, neitherHangsNorReadsWithoutBoundOnFilesThatAreNotRegular) {
    Sandbox sandbox;
    fs::create_directories(sandbox.snapshot().parent_path());
    ASSERT_EQ(mkfifo(sandbox.snapshot().c_str(), 0600), 0);
    expectFailure(sandbox.run({"status"}), 1, tooLarge, "FIFO");
    fs::remove(sandbox.snapshot());
    fs::create_directory(sandbox.snapshot());
    expectFailure(sandbox.run({"status"}), 1, tooLarge, "directory");
    fs::remove(sandbox.snapshot());
    fs::create_symlink("/dev/zero", sandbox.snapshot());
    expectFailure(sandbox.run({"status"}), 1, tooLarge, "device");
}

TEST(Tallyfox, findsItsBundleThroughSymbolicLinksAndPATH) {
    Sandbox sandbox;
    spit(sandbox.snapshot(), freshSnapshot());
    const fs::path bin = sandbox.root / "bin";
    fs::create_directories(bin);
    fs::create_symlink(sandbox.tool, bin / "tallyfox");
    const Outcome byPath = sandbox.run(bin / "tallyfox", {"status"});
    EXPECT_EQ(byPath.exitCode, 0) << byPath.err;
    const Outcome throughPATH = sandbox.run(bin / "tallyfox", {"--version"}, "tallyfox", bin.string() + ":/usr/bin");
    EXPECT_EQ(throughPATH.out, "Tallyfox 9.8.7\n");
    const Outcome statusThroughPATH = sandbox.run(bin / "tallyfox", {"status"}, "tallyfox", bin.string());
    EXPECT_EQ(statusThroughPATH.exitCode, 0) << statusThroughPATH.err;
}

TEST(Tallyfox, aFailedWriteIsAFailureAndAClosedPipeEndsTheTool) {
    Sandbox sandbox;
    spit(sandbox.snapshot(), freshSnapshot());
    const Outcome full = sandbox.run(sandbox.tool, {"status"}, "", "/usr/bin", "/dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "tallyfox: output could not be written.\n");

    // A pipe whose reader is gone: the default SIGPIPE disposition ends the tool, as it does any tool.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    const fs::path writeEnd = "/proc/self/fd/" + std::to_string(fds[1]);
    const Outcome piped = sandbox.run(sandbox.tool, {"status", "--json"}, "", "/usr/bin", writeEnd);
    close(fds[1]);
    // Opening /proc/self/fd/N of a pipe without readers gives the child a pipe with no reader either.
    EXPECT_EQ(piped.signal, SIGPIPE) << "exit code " << piped.exitCode;
}
