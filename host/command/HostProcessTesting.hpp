#pragma once
// For the host's end-to-end tests: the real widgethost, started in a temporary HOME of its own with
// its output in files, as a user meets it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace widgethost::testing {

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

/// How a run of widgethost ended: its exit code (-1 when it did not exit) and what it wrote.
struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

/// A temporary folder with a HOME in it, removed with everything in it when the test ends.
class HostProcess {
public:
    std::filesystem::path root, home;
    std::filesystem::path program = TALLYFOX_WIDGETHOST_EXECUTABLE;

    explicit HostProcess(const std::string& prefix = "widgethost-e2e") {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        root = ::mkdtemp(pattern.data());
        home = root / "home";
        std::filesystem::create_directories(home);
    }
    ~HostProcess() {
        // A test may have taken permissions away; the owner gets them back so that all goes.
        std::error_code ignored;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root, ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(root, ignored);
    }
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    std::filesystem::path container() const {
        return home / "Library" / "Group Containers" / "group.com.tallyfox.Tallyfox";
    }
    void writeSnapshot(const std::string& json) const {
        std::filesystem::create_directories(container());
        std::ofstream(container() / "widget-snapshot.json", std::ios::binary | std::ios::trunc) << json;
    }

    /// Starts widgethost with `arguments`; its output goes to files named after `name`. `wrapper` is
    /// a command it runs under, such as setpriv with fewer capabilities.
    pid_t start(std::vector<std::string> arguments, const std::string& name, const char* stdoutPath = nullptr,
                const std::vector<std::string>& wrapper = {}) const {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string out = stdoutPath ? stdoutPath : (root / (name + ".out")).string();
        const std::string err = (root / (name + ".err")).string();
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        arguments.insert(arguments.begin(), program.string());
        arguments.insert(arguments.begin(), wrapper.begin(), wrapper.end());
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        std::string homeVariable = "HOME=" + home.string(), path = "PATH=/usr/bin:/bin",
                    language = "LANG=en_US.UTF-8";
        // Sanitizer builds: the suite's options, and no list of the suppressed leaks (fontconfig's
        // caches) on standard error, which the tests read.
        std::vector<std::string> sanitizerOptions;
        for (const char* variable : {"ASAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char* value = std::getenv(variable))
                sanitizerOptions.push_back(std::string(variable) + "=" + value);
        const char* leakOptions = std::getenv("LSAN_OPTIONS");
        sanitizerOptions.push_back(std::string("LSAN_OPTIONS=") +
                                   (leakOptions ? std::string(leakOptions) + ":" : "") + "print_suppressions=0");
        std::vector<char*> environment{homeVariable.data(), path.data(), language.data()};
        for (auto& option : sanitizerOptions) environment.push_back(option.data());
        environment.push_back(nullptr);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environment.data());
        posix_spawn_file_actions_destroy(&actions);
        return spawned == 0 ? pid : -1;
    }

    Outcome finish(pid_t pid, const std::string& name, bool readOut = true) const {
        Outcome outcome;
        if (pid < 0) return outcome;
        int status = 0;
        // A hang is a failure, not a stuck suite.
        for (int waited = 0; ::waitpid(pid, &status, WNOHANG) == 0; ++waited) {
            if (waited > 6000) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                ADD_FAILURE() << "widgethost did not finish within a minute";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
        if (readOut) outcome.out = slurp(root / (name + ".out"));
        outcome.err = slurp(root / (name + ".err"));
        return outcome;
    }

    Outcome run(std::vector<std::string> arguments, const std::vector<std::string>& wrapper = {}) const {
        return finish(start(std::move(arguments), "run", nullptr, wrapper), "run");
    }
};

} // namespace widgethost::testing
