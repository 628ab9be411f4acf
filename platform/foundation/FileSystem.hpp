#pragma once
// The home directory, group containers, and the one way our readers read a file.

#include "platform/foundation/LargeBuffer.hpp"
#include "platform/foundation/Result.hpp"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

namespace platform::foundation {

/// The current user's home directory: HOME when it is set and not empty, else the account record.
std::optional<std::filesystem::path> homeDirectory();

/// `<home>/Library/Group Containers/<identifier>`. Nothing when no home directory is known or the
/// identifier is empty, contains "/" or is "." or "..": no path may climb out of Group Containers.
std::optional<std::filesystem::path> groupContainerPath(std::string_view identifier);

/// The running program's file, symbolic links resolved, as the kernel records it (/proc/self/exe), so
/// that a program started through a link or PATH still knows where it lives; the system's error where
/// the record cannot be read. A file replaced or removed since the start keeps the kernel's
/// " (deleted)" at its end.
Result<std::filesystem::path, std::error_code> executablePath();

/// Why `readOnce` gave no bytes.
struct FileReadFailure {
    enum class Kind {
        openFailed, ///< missing, not permitted
        readFailed, ///< the read reported an error, or the path is not a regular file
        endOfFile,  ///< the read returned no data at all (an empty file)
    };
    Kind kind;
    int systemError = 0; ///< errno where there is one
    bool operator==(const FileReadFailure&) const = default;
};

/// Bytes read from a file, followed by spare capacity (see `readOnce`).
class FileBytes {
public:
    std::string_view bytes() const { return {data_.data(), size_}; }
    std::size_t size() const { return size_; }
    /// How many bytes are addressable from `bytes().data()`, the read bytes included.
    std::size_t capacity() const { return data_.capacity(); }

private:
    friend Result<FileBytes, FileReadFailure> readOnce(const std::filesystem::path&, std::size_t, std::size_t);
    LargeBuffer<char> data_;
    std::size_t size_ = 0;
};

/// Opens `path` and reads it with one read of at most `maxBytes` bytes, then closes it. The buffer has
/// `spare` extra bytes of capacity behind the data (JSONDocument::padding lets the JSON parser work in
/// place). Only regular files are read: a FIFO, device or directory fails with readFailed, without
/// blocking (the file is opened non-blocking) and without reading. A caller that asks for one byte
/// more than it accepts can tell an oversize file apart without reading it whole.
Result<FileBytes, FileReadFailure> readOnce(const std::filesystem::path& path, std::size_t maxBytes,
                                            std::size_t spare = 0);

} // namespace platform::foundation
