#pragma once
// `widgethost show`: the placed widgets live on the desktop, one GTK window each on the desktop
// surface the session offers, for as long as the user keeps them. One host runs per desktop session (a
// GtkApplication with a fixed identifier); a second `show` brings its windows forward instead. The host
// follows, on its main loop:
//  - the clock: each window shows the entry in effect, redraws its live texts as often as they change
//    and reloads its timeline when the timeline asks (LiveSchedule);
//  - the snapshot file in the widget's group container: every window reloads its timeline;
//  - the placed-widgets store: widgets added, edited or removed by `widgethost add|edit|remove` (or by
//    the windows' own menus) appear, change and go;
//  - the desktop's light, dark and increased-contrast appearance.

#include "host/command/Arguments.hpp"
#include "host/identity/HostIdentity.hpp"
#include "host/live/LiveTasks.hpp"
#include "host/live/WindowHost.hpp"
#include "host/stored/PlacedWidgets.hpp"
#include "host/stored/WindowPositions.hpp"
#include "platform/widgetkit/WidgetExtension.hpp"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

typedef struct _GtkApplication GtkApplication;
typedef struct _GtkCssProvider GtkCssProvider;

namespace widgethost {

class DesktopAppearance;
class FileChangeMonitor;
class LiveWindow;

/// Runs `widgethost show` until the user quits; returns the exit status (failures are one line on `err`).
int showLiveWidgets(const Invocation& invocation, std::FILE* err);

/// The running host: the loaded widget, the windows, and what they share.
class LiveHost final : public WindowHost {
public:
    /// `failed` receives the reason when the host cannot do its job (no widget can be placed).
    LiveHost(GtkApplication* application, platform::widgetkit::WidgetExtension extension,
             std::unique_ptr<DesktopSurfaces> surfaces, std::function<void(std::string)> failed);
    ~LiveHost() override;
    LiveHost(const LiveHost&) = delete;
    LiveHost& operator=(const LiveHost&) = delete;

    /// First activation: places a medium widget when none is placed, and opens every window. Later
    /// ones (a second `show`): brings the windows forward.
    void activate();

    const platform::widgetkit::WidgetConfiguration& widget() const override { return extension_.widgets.front(); }
    BackgroundQueue& queue() override { return *queue_; }
    GtkApplication* application() const override { return application_; }
    DesktopSurfaces& surfaces() override { return *surfaces_; }

    /// The desktop's appearance now.
    platform::ui::ColorScheme colorScheme() const;
    platform::ui::ColorSchemeContrast contrast() const;
    platform::ui::Environment environment(platform::ui::WidgetFamily family) const override;
    long long snapshotEventTime() const override { return snapshotEventTime_; }

    // What the windows' menus and editors change (WindowHost).
    void addWidget() override;
    void removeWidget(std::int64_t number) override;
    void changeFamily(std::int64_t number, platform::ui::WidgetFamily family) override;
    void changeConfiguration(std::int64_t number, std::optional<std::vector<std::string>> sources) override;
    void quit() override;
    void windowClosed() override;
    void later(std::function<void(WindowHost&)> action) override;

    // Where the widgets are kept (SurfacePlaces).
    KeptPlace keptPlace(std::int64_t number) const override;
    void keepPlace(std::int64_t number, const KeptPlace& place) override;
    WindowPosition defaultPosition(std::int64_t number, int width, int height) const override;

private:
    /// `later` for the host's own work.
    void soon(std::function<void(LiveHost&)> action);
    void reconcile();
    /// Changes the placed widgets and follows the change; the reason when it could not be saved.
    std::optional<std::string>
    change(const std::function<std::optional<std::string>(PlacementChange&)>& edit);
    void snapshotChanged();
    void appearanceChanged();
    void outputsChanged();
    std::optional<std::filesystem::path> snapshotFile() const;

    GtkApplication* application_;
    platform::widgetkit::WidgetExtension extension_;
    std::function<void(std::string)> failed_;
    std::unique_ptr<BackgroundQueue> queue_;
    std::map<std::int64_t, std::shared_ptr<LiveWindow>> windows_;
    std::unique_ptr<FileChangeMonitor> snapshotMonitor_;
    std::unique_ptr<FileChangeMonitor> storeMonitor_;
    std::unique_ptr<DesktopSurfaces> surfaces_; // outlives the windows, whose surfaces it made
    std::unique_ptr<DesktopAppearance> appearanceSettings_;
    GtkCssProvider* css_ = nullptr;
    std::map<std::int64_t, KeptPlace> positions_;
    std::pair<platform::ui::ColorScheme, platform::ui::ColorSchemeContrast> appearance_{};
    bool activated_ = false;
    long long snapshotEventTime_ = 0;
    std::shared_ptr<LiveHost*> token_; // expires when the host ends, for work posted with `later`
};

} // namespace widgethost
