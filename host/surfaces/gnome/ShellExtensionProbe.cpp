#include "host/surfaces/gnome/ShellExtensionProbe.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gio/gio.h>
#include <vector>

namespace widgethost {

namespace fs = std::filesystem;

namespace {

bool hasOwner(GDBusConnection* bus, const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", name), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (!reply) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

/// Whether the extension's files are where GNOME Shell looks for extensions.
bool installed() {
    std::vector<fs::path> folders{fs::path(g_get_user_data_dir())};
    for (const gchar* const* dir = g_get_system_data_dirs(); *dir; ++dir)
        folders.emplace_back(*dir);
    std::error_code ignored;
    return std::any_of(folders.begin(), folders.end(), [&](const fs::path& folder) {
        return fs::exists(folder / "gnome-shell" / "extensions" / shellExtensionUUID / "metadata.json", ignored);
    });
}

} // namespace

ShellExtensionReport shellExtensionState() {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus) return {};
    ShellExtensionReport report;
    if (hasOwner(bus, shellExtensionBusName)) {
        report.state = ShellExtensionState::enabled;
    } else if (hasOwner(bus, "org.gnome.Shell")) {
        GVariant* reply = g_dbus_connection_call_sync(
            bus, "org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions", "GetExtensionInfo",
            g_variant_new("(s)", shellExtensionUUID), G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr,
            nullptr);
        GVariant* info = reply ? g_variant_get_child_value(reply, 0) : nullptr;
        double known = 0;
        // An extension the shell has never heard of comes back as an empty dictionary.
        if (info && g_variant_lookup(info, "state", "d", &known))
            report.state = shellExtensionState(static_cast<int>(std::lround(known)), installed());
        else
            report.state = installed() ? ShellExtensionState::installedAfterLogin : ShellExtensionState::notInstalled;
        const gchar* error = nullptr;
        if (info && g_variant_lookup(info, "error", "&s", &error) && error) report.error = error;
        if (info) g_variant_unref(info);
        if (reply) g_variant_unref(reply);

        GVariant* version = g_dbus_connection_call_sync(
            bus, "org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Get",
            g_variant_new("(ss)", "org.gnome.Shell", "ShellVersion"), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
            2000, nullptr, nullptr);
        if (version) {
            GVariant* boxed = nullptr;
            g_variant_get(version, "(v)", &boxed);
            if (g_variant_is_of_type(boxed, G_VARIANT_TYPE_STRING))
                report.shellVersion = g_variant_get_string(boxed, nullptr);
            g_variant_unref(boxed);
            g_variant_unref(version);
        }
    }
    g_object_unref(bus);
    return report;
}

} // namespace widgethost
