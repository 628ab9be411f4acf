#pragma once

#include <string>
#include <string_view>

namespace tallyfox::cli {

/// Removes every control (Cc) and format (Cf) character, so that a snapshot's strings can never move
/// the cursor, recolour the terminal or reorder the line (line feeds, escape, soft hyphen, zero-width
/// space, direction marks, embeddings, overrides and isolates). Everything else stays, in order.
/// Malformed UTF-8 becomes U+FFFD.
std::string clean(std::string_view text);

} // namespace tallyfox::cli
