#pragma once
// A widget's picture as GNOME Shell gets it: the renderer's own pixels in sealed shared memory,
// handed over as a file descriptor.

#include <memory>

namespace platform::ui {
class LaidOutView;
}

namespace widgethost {

/// One picture in sealed shared memory (premultiplied ARGB32 in the machine's byte order): the
/// extension maps it and cannot be handed a buffer that shrinks under it.
struct SharedPicture {
    int fd = -1;
    int width = 0, height = 0, stride = 0;

    SharedPicture() = default;
    SharedPicture(const SharedPicture&) = delete;
    SharedPicture& operator=(const SharedPicture&) = delete;
    ~SharedPicture();
};

/// `view` drawn at `scale` device pixels to the point; none (and a line in the log) where the
/// memory cannot be had.
std::unique_ptr<SharedPicture> drawShared(const platform::ui::LaidOutView& view, int scale);

} // namespace widgethost
