#pragma once
// The names the host is known by to the desktop and to its stored files, each said once: every
// room of the host takes them from here.

#include <string_view>

namespace widgethost {

/// The host's user-defaults domain: the placed widgets and the host's own language preference.
inline constexpr std::string_view hostDefaultsDomain = "com.tallyfox.widgethost";

/// The application identifier: one host per desktop session answers to it. It is also the name of
/// the launcher and autostart entries, so desktops see one application.
inline constexpr const char* liveHostApplicationID = "com.tallyfox.Tallyfox.Widgets";

} // namespace widgethost
