#pragma once
// The PNG encoder behind LaidOutView's PNG renderings.

#include "platform/foundation/Result.hpp"

#include <cstdint>
#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace platform::ui::detail {

/// Encodes an ARGB32 surface as an RGBA PNG. Fast compression: renderings are written per entry and
/// thrown away, so speed matters more than the last few bytes.
foundation::Result<std::vector<std::uint8_t>, std::string> encodePNG(cairo_surface_t* surface);

} // namespace platform::ui::detail
