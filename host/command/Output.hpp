#pragma once
// What widgethost prints: JSON documents, and text lines that are safe on a terminal.

#include "platform/foundation/JSONWriter.hpp"

#include <string>
#include <string_view>

namespace widgethost {

/// How the host's JSON documents separate keys from values ("key": value). They are written with
/// the foundation's `JSONWriter`, to the output stream as they go.
inline constexpr auto jsonKeys = platform::foundation::JSONWriter::KeySeparator::colon;

/// `text` fit for a terminal: malformed UTF-8 and control characters other than line feed and tab (which
/// could move the cursor or recolour the terminal) become U+FFFD.
std::string printable(std::string_view text);

} // namespace widgethost
