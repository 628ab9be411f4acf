#include "TallyfoxWidget/ProviderLogo.hpp"

namespace tallyfox {

namespace ui = platform::ui;

ui::View ProviderLogo::body(const ui::Environment& environment) const {
    const ProviderDefinition provided = definition(provider);
    if (provided.logoAssetName && ui::imageAssetExists(*provided.logoAssetName, environment)) {
        return ui::Image::asset(*provided.logoAssetName)
            .resizable()
            .aspectRatio(std::nullopt, ui::ContentMode::fit)
            .foregroundStyle(ui::ShapeStyle::primary());
    }
    return ui::Image::system(provided.symbolName)
        .resizable()
        .aspectRatio(std::nullopt, ui::ContentMode::fit)
        .fontWeight(ui::FontWeight::semibold)
        .foregroundStyle(ui::ShapeStyle::secondary());
}

} // namespace tallyfox
