#include "host/live/DesktopAppearance.hpp"

#include "host/gtk/GLibCallback.hpp"
#include "host/gtk/LiveLog.hpp"

#include <cstring>
#include <gio/gio.h>

namespace widgethost {

namespace ui = platform::ui;

namespace {

constexpr const char* appearanceGroup = "org.freedesktop.appearance";

/// One of the portal's settings; nothing when no portal answers or it does not know the key. The
/// answer is a variant in a variant (the portal's Read has always answered so).
std::optional<unsigned> readPortal(GDBusProxy* portal, const char* key) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_proxy_call_sync(portal, "Read", g_variant_new("(ss)", appearanceGroup, key),
                                             G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, &error);
    if (!reply) {
        liveLog(std::string("the desktop portal gives no ") + key + ": " +
                (error ? error->message : "no answer"));
        g_clear_error(&error);
        return std::nullopt;
    }
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    while (value && g_variant_is_of_type(value, G_VARIANT_TYPE_VARIANT)) {
        GVariant* inner = g_variant_get_variant(value);
        g_variant_unref(value);
        value = inner;
    }
    std::optional<unsigned> result;
    if (value && g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) result = g_variant_get_uint32(value);
    if (value) g_variant_unref(value);
    g_variant_unref(reply);
    return result;
}

/// GNOME's settings, when their schema is installed (asking GSettings for an unknown schema ends the
/// process).
GSettings* settingsIfInstalled(const char* schema, const char* key) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* found = source ? g_settings_schema_source_lookup(source, schema, TRUE) : nullptr;
    if (!found) return nullptr;
    const bool hasKey = g_settings_schema_has_key(found, key);
    g_settings_schema_unref(found);
    return hasKey ? g_settings_new(schema) : nullptr;
}

} // namespace

DesktopAppearance::DesktopAppearance(std::function<void()> changed) : changed_(std::move(changed)) {
    portal_ = g_dbus_proxy_new_for_bus_sync(
        G_BUS_TYPE_SESSION,
        GDBusProxyFlags(G_DBUS_PROXY_FLAGS_DO_NOT_LOAD_PROPERTIES |
                        G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START_AT_CONSTRUCTION),
        nullptr, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
        "org.freedesktop.portal.Settings", nullptr, nullptr);
    if (portal_) {
        portalScheme_ = readPortal(portal_, "color-scheme");
        portalContrast_ = portalScheme_ ? readPortal(portal_, "contrast") : std::nullopt;
        if (portalScheme_)
            g_signal_connect(portal_, "g-signal",
                             asCallback(+[](GDBusProxy*, const char*, const char* signal,
                                            GVariant* parameters, gpointer self) {
                                 if (std::strcmp(signal, "SettingChanged") != 0 ||
                                     !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)")))
                                     return;
                                 const char *group = nullptr, *key = nullptr;
                                 GVariant* value = nullptr;
                                 g_variant_get(parameters, "(&s&sv)", &group, &key, &value);
                                 while (g_variant_is_of_type(value, G_VARIANT_TYPE_VARIANT)) {
                                     GVariant* inner = g_variant_get_variant(value);
                                     g_variant_unref(value);
                                     value = inner;
                                 }
                                 if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32))
                                     static_cast<DesktopAppearance*>(self)->portalChanged(
                                         group, key, g_variant_get_uint32(value));
                                 g_variant_unref(value);
                             }),
                             this);
    }
    if (!portalScheme_) liveLog("no desktop portal answers: following GNOME's interface settings");
    const auto settingChanged = asCallback(
        +[](GSettings*, const char*, gpointer self) { static_cast<DesktopAppearance*>(self)->changed_(); });
    if (!portalScheme_ && (interface_ = settingsIfInstalled("org.gnome.desktop.interface", "color-scheme")))
        g_signal_connect(interface_, "changed::color-scheme", settingChanged, this);
    if (!portalContrast_ &&
        (accessibility_ = settingsIfInstalled("org.gnome.desktop.a11y.interface", "high-contrast")))
        g_signal_connect(accessibility_, "changed::high-contrast", settingChanged, this);
}

DesktopAppearance::~DesktopAppearance() {
    for (GObject* object : {G_OBJECT(portal_), G_OBJECT(interface_), G_OBJECT(accessibility_)}) {
        if (!object) continue;
        g_signal_handlers_disconnect_by_data(object, this);
        g_object_unref(object);
    }
}

void DesktopAppearance::portalChanged(const char* group, const char* key, unsigned value) {
    if (std::strcmp(group, appearanceGroup) != 0) return;
    if (std::strcmp(key, "color-scheme") == 0)
        portalScheme_ = value;
    else if (std::strcmp(key, "contrast") == 0 && portalContrast_)
        portalContrast_ = value;
    else
        return;
    changed_();
}

ui::ColorScheme DesktopAppearance::colorScheme() const {
    if (portalScheme_) return *portalScheme_ == 1 ? ui::ColorScheme::dark : ui::ColorScheme::light;
    if (interface_) {
        gchar* scheme = g_settings_get_string(interface_, "color-scheme");
        const bool dark = scheme && std::strcmp(scheme, "prefer-dark") == 0;
        g_free(scheme);
        return dark ? ui::ColorScheme::dark : ui::ColorScheme::light;
    }
    return ui::ColorScheme::light;
}

ui::ColorSchemeContrast DesktopAppearance::contrast() const {
    if (portalContrast_)
        return *portalContrast_ == 1 ? ui::ColorSchemeContrast::increased : ui::ColorSchemeContrast::standard;
    if (accessibility_ && g_settings_get_boolean(accessibility_, "high-contrast"))
        return ui::ColorSchemeContrast::increased;
    return ui::ColorSchemeContrast::standard;
}

} // namespace widgethost
