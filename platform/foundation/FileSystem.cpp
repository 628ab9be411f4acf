#include "platform/foundation/FileSystem.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform::foundation {

std::optional<std::filesystem::path> homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return std::filesystem::path(home);

    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
    passwd record{};
    passwd* found = nullptr;
    while (true) {
        const int error = getpwuid_r(getuid(), &record, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || !found || !found->pw_dir || !*found->pw_dir) return std::nullopt;
        return std::filesystem::path(found->pw_dir);
    }
}

std::optional<std::filesystem::path> groupContainerPath(std::string_view identifier) {
    if (identifier.empty() || identifier == "." || identifier == ".." ||
        identifier.find('/') != std::string_view::npos)
        return std::nullopt;
    auto home = homeDirectory();
    if (!home) return std::nullopt;
    return *home / "Library" / "Group Containers" / std::filesystem::path(identifier);
}

Result<std::filesystem::path, std::error_code> executablePath() {
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return Failure{error};
    return executable;
}

Result<FileBytes, FileReadFailure> readOnce(const std::filesystem::path& path, std::size_t maxBytes,
                                            std::size_t spare) {
    using Kind = FileReadFailure::Kind;
    // Non-blocking, so that opening a FIFO without a writer returns at once; nothing but a regular
    // file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return Failure{FileReadFailure{Kind::openFailed, errno}};

    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat status{};
    if (::fstat(fd, &status) != 0) return Failure{FileReadFailure{Kind::readFailed, errno}};
    if (!S_ISREG(status.st_mode))
        return Failure{FileReadFailure{Kind::readFailed, S_ISDIR(status.st_mode) ? EISDIR : EINVAL}};

    FileBytes file;
    // Unread pages cost nothing; huge pages only pay off for a file that fills several of them.
    const bool large = static_cast<std::size_t>(status.st_size) >= 1024 * 1024;
    file.data_ = LargeBuffer<char>(maxBytes + spare, large ? Pages::huge : Pages::ordinary);
    ssize_t got;
    do {
        got = ::read(fd, file.data_.data(), maxBytes);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return Failure{FileReadFailure{Kind::readFailed, errno}};
    if (got == 0) return Failure{FileReadFailure{Kind::endOfFile, 0}};
    file.size_ = static_cast<std::size_t>(got);
    std::memset(file.data_.data() + file.size_, 0, std::min(spare, file.data_.capacity() - file.size_));
    return file;
}

} // namespace platform::foundation
