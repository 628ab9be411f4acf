// The last resort: an ordinary undecorated window, where the desktop offers widgets no place of their
// own (GNOME on Wayland without our extension, weston). The compositor places it; a drag hands the
// window to the compositor as a title bar would.

#include "host/surfaces/DesktopSurface.hpp"
#include "host/gtk/LiveLog.hpp"

#include <gtk/gtk.h>

namespace widgethost {

namespace {

class PlainWindowSurface final : public DesktopSurface {
public:
    PlainWindowSurface(GtkWindow* window, std::int64_t number) : window_(window), number_(number) {}

    void prepare() override {
        gtk_window_set_skip_taskbar_hint(window_, TRUE);
        gtk_window_set_skip_pager_hint(window_, TRUE);
    }

    bool beginMove(int button, double, double, double rootX, double rootY, std::uint32_t time) override {
        liveTrace("widget " + std::to_string(number_) + " is being moved");
        gtk_window_begin_move_drag(window_, button, static_cast<int>(rootX), static_cast<int>(rootY), time);
        return false;
    }

private:
    GtkWindow* window_;
    std::int64_t number_;
};

} // namespace

std::unique_ptr<DesktopSurface> makePlainWindowSurface(GtkWindow* window, std::int64_t number,
                                                       SurfacePlaces&) {
    return std::make_unique<PlainWindowSurface>(window, number);
}

} // namespace widgethost
