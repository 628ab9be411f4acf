#pragma once
// The desktop's light, dark and increased-contrast appearance, followed live: the desktop portal's
// settings ("org.freedesktop.appearance": color-scheme, contrast) where a portal answers, else GNOME's
// interface settings (color-scheme, and the accessibility high-contrast key), as every desktop that
// has either keeps them.

#include "platform/ui/Metrics.hpp"

#include <functional>
#include <optional>

typedef struct _GDBusProxy GDBusProxy;
typedef struct _GSettings GSettings;

namespace widgethost {

class DesktopAppearance {
public:
    /// `changed` runs on the main loop whenever one of the settings changes.
    explicit DesktopAppearance(std::function<void()> changed);
    ~DesktopAppearance();
    DesktopAppearance(const DesktopAppearance&) = delete;
    DesktopAppearance& operator=(const DesktopAppearance&) = delete;

    platform::ui::ColorScheme colorScheme() const;
    platform::ui::ColorSchemeContrast contrast() const;

private:
    void portalChanged(const char* group, const char* key, unsigned value);

    std::function<void()> changed_;
    GDBusProxy* portal_ = nullptr;
    GSettings* interface_ = nullptr;
    GSettings* accessibility_ = nullptr;
    std::optional<unsigned> portalScheme_;   // 0 no preference, 1 dark, 2 light
    std::optional<unsigned> portalContrast_; // 0 no preference, 1 high
};

} // namespace widgethost
