// Images: assets (SVG and PNG) and symbols, their sizes and drawing.

#include "platform/ui/Element.hpp"
#include "platform/ui/Symbols.hpp"
#include "platform/ui/TextEngine.hpp"

#include <cairo.h>
#include <filesystem>
#include <librsvg/rsvg.h>
#include <map>
#include <mutex>

namespace platform::ui {

namespace {

std::string assetFolder(const Environment& environment) {
    return environment.assetDirectory.empty() ? defaultAssetDirectory() : environment.assetDirectory;
}

/// The file of an image asset: `<name>.svg`, else `<name>.png`, in the asset folder.
std::optional<std::filesystem::path> assetFile(const std::string& name, const Environment& environment) {
    if (name.empty() || name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
        return std::nullopt;
    const std::filesystem::path folder = assetFolder(environment);
    if (folder.empty()) return std::nullopt;
    for (const char* extension : {".svg", ".png"}) {
        std::error_code error;
        const auto file = folder / (name + extension);
        if (std::filesystem::is_regular_file(file, error)) return file;
    }
    return std::nullopt;
}

} // namespace

bool imageAssetExists(const std::string& name, const Environment& environment) {
    return assetFile(name, environment).has_value();
}

namespace detail {

namespace {

/// A parsed SVG (a new reference the caller releases). Parsed documents are kept per file, and
/// parsed again when the file changes, the way the platform keeps named images: widgets draw the
/// same logos on every render. Used under the text lock, like everything that draws.
RsvgHandle* loadSVG(const std::filesystem::path& file) {
    struct Entry {
        std::filesystem::file_time_type modified;
        std::uintmax_t size = 0;
        RsvgHandle* handle = nullptr;
    };
    static std::map<std::string, Entry> cache;
    std::lock_guard guard(textLock());
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(file, error);
    const auto size = std::filesystem::file_size(file, error);
    auto it = cache.find(file.string());
    if (it != cache.end() && !error && it->second.modified == modified && it->second.size == size)
        return RSVG_HANDLE(g_object_ref(it->second.handle));
    GError* failure = nullptr;
    RsvgHandle* handle = rsvg_handle_new_from_file(file.c_str(), &failure);
    if (failure) g_error_free(failure);
    if (!handle) return nullptr;
    if (!error) {
        if (cache.size() >= 64) {
            for (auto& [path, entry] : cache)
                g_object_unref(entry.handle);
            cache.clear();
        }
        if (it != cache.end()) {
            g_object_unref(it->second.handle);
            cache.erase(it);
        }
        cache.emplace(file.string(), Entry{modified, size, RSVG_HANDLE(g_object_ref(handle))});
    }
    return handle;
}

/// An image asset (SVG through librsvg, PNG through Cairo), loaded when the view is resolved and
/// released with the laid-out tree.
class AssetImageElement final : public Element {
public:
    AssetImageElement(std::shared_ptr<const Environment> environment, Image::Description image)
        : Element(std::move(environment)), image_(std::move(image)) {
        const auto file = assetFile(image_.name, *environment_);
        if (!file) return;
        if (file->extension() == ".svg") {
            svg_ = loadSVG(*file);
            if (svg_) {
                double w = 0, h = 0;
                if (rsvg_handle_get_intrinsic_size_in_pixels(svg_, &w, &h))
                    intrinsic_ = {w, h};
                else
                    intrinsic_ = {metrics::defaultFlexibleLength, metrics::defaultFlexibleLength};
            }
        } else {
            png_ = cairo_image_surface_create_from_png(file->c_str());
            if (cairo_surface_status(png_) != CAIRO_STATUS_SUCCESS) {
                cairo_surface_destroy(png_);
                png_ = nullptr;
            } else {
                intrinsic_ = {static_cast<double>(cairo_image_surface_get_width(png_)),
                              static_cast<double>(cairo_image_surface_get_height(png_))};
            }
        }
    }
    ~AssetImageElement() override {
        if (svg_) g_object_unref(svg_);
        if (png_) cairo_surface_destroy(png_);
    }

    void draw(cairo_t* cr) const override {
        if (frame_.width() <= 0 || frame_.height() <= 0) return;
        if (svg_) {
            const RsvgRectangle viewport{frame_.minX(), frame_.minY(), frame_.width(), frame_.height()};
            GError* error = nullptr;
            rsvg_handle_render_document(svg_, cr, &viewport, &error);
            if (error) g_error_free(error);
        } else if (png_) {
            cairo_save(cr);
            cairo_translate(cr, frame_.minX(), frame_.minY());
            cairo_scale(cr, frame_.width() / intrinsic_.width, frame_.height() / intrinsic_.height);
            cairo_set_source_surface(cr, png_, 0, 0);
            cairo_paint(cr);
            cairo_restore(cr);
        }
    }
    void dump(DumpWriter& writer) const override {
        writer.line("Image \"" + image_.name + "\" " + frameText() + ((svg_ || png_) ? "" : " missing"));
    }
    void collectAccessibility(std::vector<AccessibilityElement>& nodes) const override {
        nodes.push_back({{image_.name, ""}, frame_});
    }

protected:
    Measured computeMeasure(ProposedSize p) override {
        const Size s = image_.resizable ? p.replacingUnspecified(intrinsic_) : intrinsic_;
        return {s, std::nullopt};
    }

private:
    Image::Description image_;
    RsvgHandle* svg_ = nullptr;
    cairo_surface_t* png_ = nullptr;
    Size intrinsic_;
};

/// A symbol image: as large as the font's size (a square), or as offered when resizable.
class SymbolImageElement final : public Element {
public:
    SymbolImageElement(std::shared_ptr<const Environment> environment, Image::Description image)
        : Element(std::move(environment)), image_(std::move(image)) {}

    void draw(cairo_t* cr) const override {
        drawSymbol(cr, image_.name, frame_, environment_->font.effectiveWeight(),
                   environment_->foregroundStyle.resolve(*environment_));
    }
    void dump(DumpWriter& writer) const override {
        writer.line("Symbol \"" + image_.name + "\" " + frameText() + " " +
                    symbolSourceDescription(image_.name) + " " +
                    toString(environment_->font.effectiveWeight()) + " " +
                    environment_->foregroundStyle.description());
    }
    void collectAccessibility(std::vector<AccessibilityElement>& nodes) const override {
        nodes.push_back({{image_.name, ""}, frame_});
    }

protected:
    Measured computeMeasure(ProposedSize p) override {
        const double side = metrics::textStyle(environment_->font.style).size;
        if (image_.resizable) return {p.replacingUnspecified({side, side}), std::nullopt};
        // At its own size, like a glyph, the symbol stands on the baseline with a small descent; a
        // resizable symbol is a picture in the box it is given.
        return {Size{side, side}, side * 0.85};
    }

private:
    Image::Description image_;
};

} // namespace

ElementPtr makeImageElement(std::shared_ptr<const Environment> environment, const Image::Description& image) {
    if (image.source == Image::Source::symbol)
        return std::make_shared<SymbolImageElement>(std::move(environment), image);
    return std::make_shared<AssetImageElement>(std::move(environment), image);
}

} // namespace detail

// MARK: Views

Image::Image(Description description) : description_(std::move(description)) {
    static_cast<View&>(*this) =
        detail::elementView([image = description_](const detail::EnvironmentPtr& environment) {
            return detail::makeImageElement(environment, image);
        });
}
Image Image::asset(std::string name) {
    return Image(Description{Source::asset, std::move(name), false});
}
Image Image::system(std::string symbolName) {
    return Image(Description{Source::symbol, std::move(symbolName), false});
}
Image Image::resizable() const {
    Description d = description_;
    d.resizable = true;
    return Image(std::move(d));
}

} // namespace platform::ui
