#include "TallyfoxWidget/ProviderLogo.hpp"

#include <algorithm>

namespace tallyfox {

namespace ui = platform::ui;

namespace {

/// The outline of a logo tile as the assets draw it: a square with continuous corners whose radius
/// is 14/64 of its side.
ui::Shape logoTile() {
    return ui::Shape("LogoTile", [](ui::Rect rect) {
        ui::Path path;
        path.addRoundedRect(rect, std::min(rect.width(), rect.height()) * (14.0 / 64.0),
                            ui::RoundedCornerStyle::continuous);
        return path;
    });
}

} // namespace

ui::ShapeStyle ProviderLogo::edgeStyle() {
    // Light: a faint dark rim; dark: a light one. Each is just strong enough that the rim over any
    // tile stands out from the widget's background at 3:1, the tiles as dark as the dark background
    // (Cursor's, Grok's) and the light greens on the light one included.
    return ui::ShapeStyle::dynamic({ui::Color{0, 0, 0, 0.12}, ui::Color{1, 1, 1, 0.4}});
}

ui::View ProviderLogo::body(const ui::Environment& environment) const {
    const ProviderDefinition provided = definition(provider);
    if (provided.logoAssetName && ui::imageAssetExists(*provided.logoAssetName, environment)) {
        return ui::Image::asset(*provided.logoAssetName)
            .resizable()
            .aspectRatio(std::nullopt, ui::ContentMode::fit)
            .overlay(logoTile().strokeBorder(edgeStyle(), edgeWidth))
            .foregroundStyle(ui::ShapeStyle::primary());
    }
    return ui::Image::system(provided.symbolName)
        .resizable()
        .aspectRatio(std::nullopt, ui::ContentMode::fit)
        .fontWeight(ui::FontWeight::semibold)
        .foregroundStyle(ui::ShapeStyle::secondary());
}

} // namespace tallyfox
