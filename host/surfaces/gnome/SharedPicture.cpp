#include "host/surfaces/gnome/SharedPicture.hpp"

#include "host/gtk/LiveLog.hpp"
#include "platform/ui/Rendering.hpp"

#include <algorithm>
#include <cairo.h>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace widgethost {

namespace ui = platform::ui;

SharedPicture::~SharedPicture() {
    if (fd >= 0) ::close(fd);
}

std::unique_ptr<SharedPicture> drawShared(const ui::LaidOutView& view, int scale) {
    const ui::Size size = view.size();
    auto picture = std::make_unique<SharedPicture>();
    picture->width = std::max(1, static_cast<int>(std::lround(size.width))) * scale;
    picture->height = std::max(1, static_cast<int>(std::lround(size.height))) * scale;
    picture->stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, picture->width);
    const std::size_t bytes = static_cast<std::size_t>(picture->stride) * static_cast<std::size_t>(picture->height);
    picture->fd = memfd_create("tallyfox-widget", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (picture->fd < 0 || ftruncate(picture->fd, static_cast<off_t>(bytes)) != 0) {
        liveLog(std::string("cannot make shared memory for a picture: ") + std::strerror(errno));
        return nullptr;
    }
    void* pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, picture->fd, 0);
    if (pixels == MAP_FAILED) {
        liveLog(std::string("cannot map a picture's memory: ") + std::strerror(errno));
        return nullptr;
    }
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        static_cast<unsigned char*>(pixels), CAIRO_FORMAT_ARGB32, picture->width, picture->height, picture->stride);
    cairo_surface_set_device_scale(surface, scale, scale);
    cairo_t* painter = cairo_create(surface);
    view.draw(painter);
    cairo_destroy(painter);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    munmap(pixels, bytes);
    fcntl(picture->fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return picture;
}

} // namespace widgethost
