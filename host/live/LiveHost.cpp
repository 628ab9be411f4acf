#include "host/live/LiveHost.hpp"

#include "host/live/DesktopAppearance.hpp"
#include "host/live/FileChangeMonitor.hpp"
#include "host/gtk/GLibCallback.hpp"
#include "host/strings/HostStrings.hpp"
#include "host/gtk/LiveLog.hpp"
#include "host/hosting/Placement.hpp"
#include "host/live/LiveWindow.hpp"
#include "host/command/WidgetHost.hpp"
#include "platform/foundation/AppGroup.hpp"
#include "platform/foundation/Bundle.hpp"
#include "platform/foundation/FileSystem.hpp"
#include "platform/foundation/Locale.hpp"
#include "platform/foundation/UserDefaults.hpp"
#include "platform/ui/Font.hpp"
#include "platform/widgetkit/WidgetFamily.hpp"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <glib-unix.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#endif
#include <set>
#include <unistd.h>

namespace widgethost {

namespace fs = std::filesystem;
namespace pf = platform::foundation;
namespace ui = platform::ui;
namespace wk = platform::widgetkit;

namespace {

constexpr const char* widgetStyle = R"(
window.tallyfox-widget {
  background: transparent;
  box-shadow: none;
}
)";

/// The display or compositor went away: the session is over for this host. One line, and the status
/// that lets the autostart entry or a session manager start it again; never a hang.
[[noreturn]] void displayLost() {
    const std::string line = "widgethost: " + hostText("lost the connection to the display") + "\n";
    if (::write(STDERR_FILENO, line.data(), line.size()) < 0) {
        // Nothing more can be said.
    }
    _exit(1);
}

#ifdef GDK_WINDOWING_X11
int x11ConnectionLost(Display*) {
    displayLost();
}
#endif

/// GDK reports a Wayland connection that broke ("Error reading events from display", "Error flushing
/// display", "Lost connection to Wayland compositor.") as a message of its own and
/// ends the process; the user gets ours instead.
GLogWriterOutput logWriter(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data) {
    const char *domain = nullptr, *message = nullptr;
    for (gsize i = 0; i < count; ++i) {
        if (fields[i].length >= 0) continue; // not a string
        if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0)
            domain = static_cast<const char*>(fields[i].value);
        if (std::strcmp(fields[i].key, "MESSAGE") == 0) message = static_cast<const char*>(fields[i].value);
    }
    if (domain && message && std::strcmp(domain, "Gdk") == 0 &&
        (std::strncmp(message, "Error", 5) == 0 || std::strncmp(message, "Lost connection", 15) == 0) &&
        (std::strstr(message, "display") || std::strstr(message, "Wayland")))
        displayLost();
    return g_log_writer_default(level, fields, count, data);
}

// A missing font package changes how the widget looks without failing: `--verbose` says which and
// what takes its place.
std::string missingFontLine(const ui::MissingFont& font) {
    if (font.kind == ui::MissingFont::Kind::symbols)
        return hostText("font %@ (package %@) is not installed; the widget draws its warning and clock symbols itself",
                        {font.family, font.package});
    if (font.fallback.empty())
        return hostText("font %@ (package %@) is not installed, and no other font has its characters: they show as "
                        "boxes",
                        {font.family, font.package});
    return hostText("font %@ (package %@) is not installed; its text is drawn in %@",
                    {font.family, font.package, font.fallback});
}

// One line on standard error, in the host's language: a store that cannot be read, or where one
// that could not be read was kept before it was written anew.
void say(const PlacementMessage& message) {
    const std::vector<pf::FormatArgument> arguments(message.arguments.begin(), message.arguments.end());
    std::fprintf(stderr, "widgethost: %s\n", hostText(message.key, arguments).c_str());
}

void sayKept(const std::optional<pf::KeptDamagedFile>& kept) {
    if (kept)
        say({"the window places at %@ could not be read (%@); that file is kept as %@",
             {kept->file.string(), kept->reason, kept->keptAs.string()}});
}

} // namespace

// MARK: The host

LiveHost::LiveHost(GtkApplication* application, wk::WidgetExtension extension,
                   std::unique_ptr<DesktopSurfaces> surfaces, std::function<void(std::string)> failed)
    : application_(application), extension_(std::move(extension)), failed_(std::move(failed)),
      queue_(std::make_unique<BackgroundQueue>()), surfaces_(std::move(surfaces)),
      token_(std::make_shared<LiveHost*>(this)) {
    css_ = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css_, widgetStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css_),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

    appearanceSettings_ = std::make_unique<DesktopAppearance>([this] { appearanceChanged(); });
    appearance_ = {colorScheme(), contrast()};
    // The editor follows the desktop's appearance too.
    g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme",
                 colorScheme() == ui::ColorScheme::dark, nullptr);

    GdkDisplay* display = gdk_display_get_default();
    const auto outputs = asCallback(+[](GdkDisplay*, GdkMonitor*, gpointer self) {
        static_cast<LiveHost*>(self)->soon([](LiveHost& host) { host.outputsChanged(); });
    });
    g_signal_connect(display, "monitor-added", outputs, this);
    g_signal_connect(display, "monitor-removed", outputs, this);

    if (const auto file = snapshotFile()) {
        snapshotMonitor_ = std::make_unique<FileChangeMonitor>(*file, [this] { snapshotChanged(); });
        liveLog("watching " + file->string());
    }
    const fs::path store = pf::UserDefaults::fileForDomain(hostDefaultsDomain);
    if (!store.empty()) storeMonitor_ = std::make_unique<FileChangeMonitor>(store, [this] { reconcile(); });
    positions_ = storedWindowPositions();
    // A windowless desktop (GNOME Shell's extension) comes and goes with the shell, or when it is
    // disabled: the widgets' live texts run while it shows them.
    surfaces_->open(G_APPLICATION(application_), [this] {
        soon([](LiveHost& host) {
            for (const auto& [number, window] : host.windows_)
                window->redraw();
        });
    });
}

LiveHost::~LiveHost() {
    token_.reset();
    g_signal_handlers_disconnect_by_data(gdk_display_get_default(), this);
    appearanceSettings_.reset();
    snapshotMonitor_.reset();
    storeMonitor_.reset();
    windows_.clear();
    surfaces_.reset();
    // Requests still running finish on the worker; their answers find no window.
    queue_.reset();
    drainMainLoop();
    gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css_));
    g_object_unref(css_);
}

void LiveHost::later(std::function<void(WindowHost&)> action) {
    soon([action = std::move(action)](LiveHost& host) { action(host); });
}

void LiveHost::soon(std::function<void(LiveHost&)> action) {
    runOnMainLoop([weak = std::weak_ptr<LiveHost*>(token_), action = std::move(action)] {
        if (auto host = weak.lock()) action(**host);
    });
}

std::optional<fs::path> LiveHost::snapshotFile() const {
    const auto bundle = pf::Bundle::open(extension_.bundlePath);
    const auto group = bundle ? bundle->infoString(pf::appGroupIdentifierKey) : std::nullopt;
    const auto container = group ? pf::groupContainerPath(*group) : std::nullopt;
    if (!container) {
        liveLog("the extension names no group container; snapshot changes are not followed");
        return std::nullopt;
    }
    // The application does not tell the host when it writes: every change of this file reloads
    // every timeline.
    return *container / pf::snapshotFileName;
}

void LiveHost::activate() {
    if (activated_) {
        // Another `widgethost show`: what is placed is shown.
        for (const auto& [number, window] : windows_)
            window->present();
        return;
    }
    activated_ = true;
    if (const auto unreadable = unreadableWindowPositions())
        say({"the window places at %@ cannot be read (%@)", {unreadable->file.string(), unreadable->reason}});
    const auto reading = readPlacedWidgets();
    const auto& placed = reading.widgets;
    const bool ours = std::any_of(placed.begin(), placed.end(),
                                  [&](const PlacedWidget& w) { return w.kind == widget().kind; });
    if (!ours) {
        liveLog("no widget is placed: placing a medium one");
        const auto failure = change([&](PlacementChange& placement) -> std::optional<std::string> {
            placement.widgets.push_back(
                {placement.nextNumber++, widget().kind, ui::WidgetFamily::systemMedium, {}});
            return std::nullopt;
        });
        // Nothing to show and nowhere to keep it: a failure, not a quiet end.
        if (failure) {
            failed_(*failure);
            quit();
        }
    } else {
        // Shown as far as it can be read; the first change keeps the file aside and says where.
        if (reading.problem) say(*reading.problem);
        reconcile();
    }
}

void LiveHost::reconcile() {
    if (!activated_) return;
    std::set<std::int64_t> placed;
    const auto& families = widget().supportedFamilies;
    for (const auto& entry : placedWidgets()) {
        if (entry.kind != widget().kind ||
            std::find(families.begin(), families.end(), entry.family) == families.end())
            continue;
        placed.insert(entry.number);
        if (const auto found = windows_.find(entry.number); found != windows_.end()) {
            found->second->update(entry);
            continue;
        }
        liveTrace("widget " + std::to_string(entry.number) + " opens");
        auto window = std::make_shared<LiveWindow>(*this, entry);
        windows_.emplace(entry.number, window);
        window->present();
    }
    std::erase_if(windows_, [&](const auto& entry) {
        if (placed.contains(entry.first)) return false;
        liveTrace("widget " + std::to_string(entry.first) + " closes");
        return true;
    });
    std::erase_if(positions_, [&](const auto& entry) { return !placed.contains(entry.first); });
    sayKept(keepWindowPositionsOf(placed));
    // Nothing left to show: a host without windows would only be in the way.
    if (windows_.empty()) quit();
}

std::optional<std::string>
LiveHost::change(const std::function<std::optional<std::string>(PlacementChange&)>& edit) {
    const auto changed = changePlacedWidgets(edit);
    if (!changed) liveLog("cannot change the placed widgets: " + changed.error().message());
    if (changed && changed->note) say(*changed->note);
    // The store's monitor would tell us too; the user sees the change without waiting for it.
    reconcile();
    if (changed) return std::nullopt;
    std::vector<pf::FormatArgument> arguments(changed.error().arguments.begin(),
                                              changed.error().arguments.end());
    return hostText(changed.error().key, arguments);
}

void LiveHost::addWidget() {
    change([&](PlacementChange& placed) -> std::optional<std::string> {
        placed.widgets.push_back({placed.nextNumber++, widget().kind, ui::WidgetFamily::systemMedium, {}});
        return std::nullopt;
    });
}

void LiveHost::removeWidget(std::int64_t number) {
    change([&](PlacementChange& placed) -> std::optional<std::string> {
        std::erase_if(placed.widgets, [&](const PlacedWidget& w) { return w.number == number; });
        return std::nullopt;
    });
}

void LiveHost::changeFamily(std::int64_t number, ui::WidgetFamily family) {
    change([&](PlacementChange& placed) -> std::optional<std::string> {
        for (auto& w : placed.widgets)
            if (w.number == number) w.family = family;
        return std::nullopt;
    });
}

void LiveHost::changeConfiguration(std::int64_t number, std::optional<std::vector<std::string>> sources) {
    change([&](PlacementChange& placed) -> std::optional<std::string> {
        for (auto& w : placed.widgets)
            if (w.number == number) w.configuration.entityIdentifiers = sources;
        return std::nullopt;
    });
}

void LiveHost::quit() {
    g_application_quit(G_APPLICATION(application_));
}

void LiveHost::windowClosed() {
    if (std::none_of(windows_.begin(), windows_.end(),
                     [](const auto& entry) { return entry.second->shown(); }))
        quit();
}

KeptPlace LiveHost::keptPlace(std::int64_t number) const {
    const auto found = positions_.find(number);
    return found == positions_.end() ? KeptPlace{} : found->second;
}

void LiveHost::keepPlace(std::int64_t number, const KeptPlace& place) {
    if (keptPlace(number) == place || !windows_.contains(number)) return;
    positions_[number] = place;
    sayKept(storeWindowPosition(number, place));
}

WindowPosition LiveHost::defaultPosition(std::int64_t number, int outputWidth, int outputHeight) const {
    std::vector<std::pair<std::int64_t, ui::Size>> column;
    for (const auto& entry : placedWidgets())
        if (entry.kind == widget().kind)
            column.emplace_back(entry.number, ui::metrics::widgetSize(entry.family));
    return columnPosition(column, number, outputWidth, outputHeight);
}

ui::ColorScheme LiveHost::colorScheme() const {
    return appearanceSettings_->colorScheme();
}

ui::ColorSchemeContrast LiveHost::contrast() const {
    return appearanceSettings_->contrast();
}

ui::Environment LiveHost::environment(ui::WidgetFamily family) const {
    return widgetEnvironment(family, colorScheme(), contrast(), pf::Clock::now());
}

void LiveHost::outputsChanged() {
    liveTrace("the outputs changed");
    for (const auto& [number, window] : windows_)
        window->outputsChanged();
}

void LiveHost::snapshotChanged() {
    snapshotEventTime_ = snapshotMonitor_ ? snapshotMonitor_->firstEventTime() : 0;
    liveTrace("the snapshot changed");
    for (const auto& [number, window] : windows_)
        window->reload();
    snapshotEventTime_ = 0;
}

void LiveHost::appearanceChanged() {
    // The dark and contrast settings change together at times: one redraw for both.
    const auto appearance = std::pair{colorScheme(), contrast()};
    if (appearance == appearance_) return;
    appearance_ = appearance;
    liveTrace(std::string("appearance: ") + (colorScheme() == ui::ColorScheme::dark ? "dark" : "light") +
              (contrast() == ui::ColorSchemeContrast::increased ? ", increased contrast" : ""));
    g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme",
                 colorScheme() == ui::ColorScheme::dark, nullptr);
    for (const auto& [number, window] : windows_)
        window->redraw();
}

// MARK: `widgethost show`

namespace {

/// The extension with at least one widget; otherwise none, and why on `err`.
std::optional<wk::WidgetExtension> loadExtension(const Invocation& invocation, std::FILE* err) {
    const fs::path path = invocation.extension.value_or(defaultExtensionPath());
    auto loaded = wk::loadWidgetExtension(path);
    if (!loaded) {
        std::fprintf(err, "widgethost: %s\n", loaded.error().message.c_str());
        return std::nullopt;
    }
    if (loaded->widgets.empty()) {
        std::fprintf(err, "widgethost: %s\n", hostText("%@ declares no widget", {path.string()}).c_str());
        return std::nullopt;
    }
    return std::move(*loaded);
}

/// Opens the display GTK finds; false, and why on `err`, where none answers.
bool openDisplay(std::FILE* err) {
    g_log_set_writer_func(logWriter, nullptr, nullptr);
    // The window class and application identifier are the launcher entry's name: desktops find the
    // entry, and its icon, by it.
    g_set_prgname(liveHostApplicationID);
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(
            err, "widgethost: %s\n",
            hostText("cannot open a display (neither DISPLAY nor WAYLAND_DISPLAY names one that answers)")
                .c_str());
        return false;
    }
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_DISPLAY(gdk_display_get_default())) XSetIOErrorHandler(x11ConnectionLost);
#endif
    // The icon of the installed tree, and of the build's, wherever they are laid out.
    const auto recorded = pf::executablePath();
    const fs::path executable = recorded ? *recorded : fs::path();
    for (const auto* up : {"../share/icons", "../../../share/icons"})
        gtk_icon_theme_append_search_path(gtk_icon_theme_get_default(),
                                          (executable.parent_path() / up).lexically_normal().c_str());
    gtk_window_set_default_icon_name(liveHostApplicationID);
    // Menus and the editor read in the host's language, from right to left where it is written so.
    if (hostLanguageIsRightToLeft()) gtk_widget_set_default_direction(GTK_TEXT_DIR_RTL);
    return true;
}

/// The surfaces the display offers the widgets, said as `show` says it: the reason in the log (and
/// on `err` with --verbose, with the fonts that are missing), a notice on `err` for everyone.
std::unique_ptr<DesktopSurfaces> chooseSurfaces(const Invocation& invocation, std::FILE* err) {
    DesktopChoice choice = chooseDesktopSurface(invocation.surface);
    liveLog(choice.reason);
    if (invocation.verbose) {
        std::fprintf(err, "widgethost: %s\n", choice.reason.c_str());
        for (const auto& font : ui::missingFonts())
            std::fprintf(err, "widgethost: %s\n", missingFontLine(font).c_str());
    }
    if (choice.notice) std::fprintf(err, "widgethost: %s\n", choice.notice->c_str());
    return std::move(choice.surfaces);
}

/// What the application's signals share: what the host is made of until it starts, the host, and
/// why it could not do its job.
struct Session {
    std::optional<wk::WidgetExtension> extension;
    std::unique_ptr<DesktopSurfaces> surfaces;
    std::unique_ptr<LiveHost> host;
    std::optional<std::string> failure;
};

/// Runs the application until it quits; its exit status.
int runApplication(Session& session) {
    GtkApplication* application = gtk_application_new(liveHostApplicationID, G_APPLICATION_DEFAULT_FLAGS);
    // Only the first host of a session starts; a second one hands over to it and ends.
    g_signal_connect(application, "startup", asCallback(+[](GApplication* app, gpointer data) {
                         auto* s = static_cast<Session*>(data);
                         s->host = std::make_unique<LiveHost>(
                             GTK_APPLICATION(app), std::move(*s->extension), std::move(s->surfaces),
                             [s](std::string message) { s->failure = message; });
                         s->extension.reset();
                     }),
                     &session);
    g_signal_connect(application, "activate", asCallback(+[](GApplication*, gpointer data) {
                         if (auto& host = static_cast<Session*>(data)->host) host->activate();
                     }),
                     &session);
    g_signal_connect(application, "shutdown", asCallback(+[](GApplication*, gpointer data) {
                         static_cast<Session*>(data)->host.reset();
                     }),
                     &session);
    // Ended by the session (logout, a service manager, Ctrl+C): a quit like any other.
    const auto quit = +[](gpointer app) -> gboolean {
        g_application_quit(G_APPLICATION(app));
        return G_SOURCE_CONTINUE;
    };
    const guint terminate = g_unix_signal_add(SIGTERM, quit, application);
    const guint interrupt = g_unix_signal_add(SIGINT, quit, application);
    const guint hangup = g_unix_signal_add(SIGHUP, quit, application);

    const int status = g_application_run(G_APPLICATION(application), 0, nullptr);
    for (const guint source : {terminate, interrupt, hangup})
        g_source_remove(source);
    g_object_unref(application);
    return status;
}

} // namespace

int showLiveWidgets(const Invocation& invocation, std::FILE* err) {
    if (invocation.selection.now) pf::Clock::setFixedNow(*invocation.selection.now);
    auto extension = loadExtension(invocation, err);
    if (!extension || !openDisplay(err)) return 1;
    Session session{std::move(extension), chooseSurfaces(invocation, err), nullptr, std::nullopt};
    int status = runApplication(session);
    if (session.failure) {
        std::fprintf(err, "widgethost: %s\n", session.failure->c_str());
        status = 1;
    }
    return status;
}

} // namespace widgethost
