#pragma once
// One widget on GNOME's desktop: no window of the host is shown; the widget is what the shell's
// extension reads of it through `ShellDesktop` (its place on an output within the shell's work
// area, its picture, accessibility elements, help texts and menu), and what the extension hands back
// (a drop after a drag, a menu item chosen) comes here.

#include "host/hosting/Placement.hpp"
#include "host/hosting/ShellDesktopRules.hpp"
#include "host/surfaces/DesktopSurface.hpp"
#include "host/surfaces/gnome/SharedPicture.hpp"
#include "platform/ui/Rendering.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

typedef struct _GdkMonitor GdkMonitor;
typedef struct _GVariant GVariant;

namespace widgethost {

class ShellDesktop;

/// The outputs by the names the extension finds its monitors by: their connectors ("DP-1", "Meta-0").
std::vector<std::pair<std::string, GdkMonitor*>> shellMonitors();

class GnomeShellSurface final : public DesktopSurface {
public:
    GnomeShellSurface(ShellDesktop& desktop, std::int64_t number, std::string name, SurfacePlaces& places);
    ~GnomeShellSurface() override;

    void prepare() override;
    bool windowless() const override { return true; }
    bool showing() const override;
    void resized(int width, int height) override;
    void viewChanged(const platform::ui::LaidOutView& view) override;
    void menuChanged(GMenuModel* menu, GActionGroup* actions) override;
    // The extension moves its actor itself and tells where it was dropped.
    bool beginMove(int, double, double, double, double, std::uint32_t) override { return false; }
    void outputsChanged() override;

    // What the extension asks and tells.

    /// The widget as Widgets() lists it.
    GVariant* describe() const;
    /// Whether the extension has something to show: an output, and a picture.
    bool visible() const { return !output_.empty() && picture_; }
    const SharedPicture* picture() const { return picture_.get(); }
    unsigned serial() const { return serial_; }
    std::optional<platform::ui::HelpTag> help(double x, double y) const;
    std::vector<ShellMenuItem> menu() const;
    /// A menu item chosen in the extension: only what the menu offers runs.
    bool activate(const std::string& action, const std::string& target);
    /// Dropped by a drag at `x`, `y` on `output`: the widget belongs there now.
    bool moved(const std::string& output, int x, int y);

private:
    void placeOnOutput();
    void takeOutputSize(GdkMonitor* monitor);
    void clamp();
    void redraw();
    std::vector<ShellMenuItem> menuItems() const;

    ShellDesktop& desktop_;
    std::int64_t number_;
    std::string name_;
    SurfacePlaces& places_;
    std::optional<platform::ui::LaidOutView> view_;
    std::vector<platform::ui::AccessibilityElement> publishedElements_; // what Widgets() tells of the view drawn last
    std::unique_ptr<SharedPicture> picture_;
    unsigned serial_ = 0;
    GMenuModel* menu_ = nullptr;
    GActionGroup* actions_ = nullptr;
    std::string output_;
    int outputWidth_ = 0, outputHeight_ = 0;
    int scale_ = 1;
    OutputArea area_; // the work area, in logical pixels from the output's corner
    int width_ = 0, height_ = 0;
    WindowPosition place_;
};

} // namespace widgethost
