#pragma once
// For tests: a fresh home directory with the widget's group container, removed afterwards.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace tallyfox::testing {

/// Points HOME at a new temporary folder for its lifetime and restores it afterwards.
class TemporaryHome {
public:
    TemporaryHome() {
        const char* previous = std::getenv("HOME");
        if (previous) previous_ = previous;
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("tallyfox-home-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
        ::setenv("HOME", path_.c_str(), 1);
    }
    ~TemporaryHome() {
        if (previous_)
            ::setenv("HOME", previous_->c_str(), 1);
        else
            ::unsetenv("HOME");
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// The widget's group container, created on first use.
    std::filesystem::path container(std::string_view group = "group.com.tallyfox.Tallyfox") const {
        auto directory = path_ / "Library" / "Group Containers" / std::string(group);
        std::filesystem::create_directories(directory);
        return directory;
    }
    /// Writes the snapshot file into the container.
    void writeSnapshot(std::string_view contents) const {
        std::ofstream(container() / "widget-snapshot.json", std::ios::binary | std::ios::trunc) << contents;
    }

private:
    std::filesystem::path path_;
    std::optional<std::string> previous_;
};

} // namespace tallyfox::testing
