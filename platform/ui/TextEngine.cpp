#include "platform/ui/TextEngine.hpp"

#include "platform/ui/Metrics.hpp"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform::ui::detail {

namespace {

// The only fonts the platform renders with, all from Debian packages that scripts/setup installs and
// the package depends on or recommends. Building our own fontconfig set from them keeps renderings
// the same on every machine, whatever else is installed.
struct FontPackage {
    const char* family;
    const char* package;
    MissingFont::Kind kind;
    const char* sample;  // a text only this font draws, to find what takes its place
    const char* locale;  // the language whose family list the sample is shaped with
    std::array<const char*, 4> files;
};

constexpr std::array fontPackages = {
    FontPackage{"Inter", "fonts-inter", MissingFont::Kind::text, "Tallyfox", "en",
                {"/usr/share/fonts/opentype/inter/Inter-Regular.otf",
                 "/usr/share/fonts/opentype/inter/Inter-Medium.otf",
                 "/usr/share/fonts/opentype/inter/Inter-SemiBold.otf",
                 "/usr/share/fonts/opentype/inter/Inter-Bold.otf"}},
    FontPackage{"Noto Sans Hebrew", "fonts-noto-core", MissingFont::Kind::text, "\u05e9\u05dc\u05d5\u05dd", "he",
                {"/usr/share/fonts/truetype/noto/NotoSansHebrew-Regular.ttf",
                 "/usr/share/fonts/truetype/noto/NotoSansHebrew-Bold.ttf"}},
    FontPackage{"Noto Sans CJK", "fonts-noto-cjk", MissingFont::Kind::text, "\u6b8b\u308a", "ja",
                {"/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
                 "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"}},
    FontPackage{"DejaVu Sans", "fonts-dejavu-core", MissingFont::Kind::text, "\u0416\u2190", "en",
                {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                 "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"}},
    FontPackage{"Material Icons", "fonts-material-design-icons-iconfont", MissingFont::Kind::symbols, "", "",
                {"/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf"}},
    FontPackage{"FontAwesome", "fonts-font-awesome", MissingFont::Kind::symbols, "", "",
                {"/usr/share/fonts/truetype/font-awesome/fontawesome-webfont.ttf"}},
};

bool installed(const FontPackage& font) {
    return std::all_of(font.files.begin(), font.files.end(),
                       [](const char* file) { return !file || std::filesystem::exists(file); });
}

bool textFontsInstalled() {
    return std::all_of(fontPackages.begin(), fontPackages.end(), [](const FontPackage& font) {
        return font.kind == MissingFont::Kind::symbols || installed(font);
    });
}

// Our fonts alone. The fonts are read through their folders' fontconfig caches (written when the
// packages were installed, or on first use into the user's cache), with every file but ours
// rejected. Adding the files one by one would parse each of them, the CJK collection above all, in
// every process.
FcConfig* ownFonts() {
    FcConfig* config = FcConfigCreate();
    std::string rules = "<fontconfig><cachedir>/var/cache/fontconfig</cachedir>"
                        "<cachedir prefix=\"xdg\">fontconfig</cachedir>"
                        "<selectfont><rejectfont><glob>*</glob></rejectfont><acceptfont>";
    std::vector<std::filesystem::path> folders;
    for (const auto& font : fontPackages) {
        for (const char* file : font.files) {
            if (!file || !std::filesystem::exists(file)) continue;
            rules += std::string("<glob>") + file + "</glob>";
            const auto folder = std::filesystem::path(file).parent_path();
            if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
        }
    }
    rules += "</acceptfont></selectfont></fontconfig>";
    FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(rules.c_str()), FcFalse);
    for (const auto& folder : folders) FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(folder.c_str()));
    return config;
}

// Without one of our text fonts the system's fonts come in after ours, as any program's text would:
// a changed look is better than letters drawn from nothing.
struct FontSystem {
    PangoFontMap* fontMap = nullptr;
    PangoContext* context = nullptr;      // paragraphs left to right
    PangoContext* rightToLeft = nullptr;  // paragraphs right to left

    FontSystem() {
        FcConfig* config = textFontsInstalled() ? ownFonts() : FcInitLoadConfigAndFonts();
        fontMap = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
        pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fontMap), config);
        FcConfigDestroy(config);
        pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontMap), 72); // one point per unit
        context = makeContext(PANGO_DIRECTION_LTR);
        rightToLeft = makeContext(PANGO_DIRECTION_RTL);
    }

    /// A layout's paragraph direction is its context's (layouts do not guess it from their text).
    PangoContext* contextFor(LayoutDirection direction) const {
        return direction == LayoutDirection::rightToLeft ? rightToLeft : context;
    }

private:
    PangoContext* makeContext(PangoDirection direction) {
        PangoContext* c = pango_font_map_create_context(fontMap);
        pango_context_set_base_dir(c, direction);
        // Unhinted outlines and unrounded positions: a text measures the same at every scale factor.
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(c, options);
        cairo_font_options_destroy(options);
        pango_context_set_round_glyph_positions(c, FALSE);
        return c;
    }
};

FontSystem& fonts() {
    static FontSystem* system = new FontSystem(); // lives as long as the process; Pango keeps pointers into it
    return *system;
}

PangoWeight pangoWeight(FontWeight weight) {
    switch (weight) {
    case FontWeight::ultraLight: return PANGO_WEIGHT_ULTRALIGHT;
    case FontWeight::thin: return PANGO_WEIGHT_THIN;
    case FontWeight::light: return PANGO_WEIGHT_LIGHT;
    case FontWeight::regular: return PANGO_WEIGHT_NORMAL;
    case FontWeight::medium: return PANGO_WEIGHT_MEDIUM;
    case FontWeight::semibold: return PANGO_WEIGHT_SEMIBOLD;
    case FontWeight::bold: return PANGO_WEIGHT_BOLD;
    case FontWeight::heavy: return PANGO_WEIGHT_ULTRABOLD;
    case FontWeight::black: return PANGO_WEIGHT_HEAVY;
    }
    return PANGO_WEIGHT_NORMAL;
}

PangoFontDescription* describe(const std::string& families, double size, FontWeight weight) {
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, families.c_str());
    pango_font_description_set_absolute_size(d, size * PANGO_SCALE);
    pango_font_description_set_weight(d, pangoWeight(weight));
    return d;
}

} // namespace

std::recursive_mutex& textLock() {
    static std::recursive_mutex lock;
    return lock;
}

TextFontSpec TextFontSpec::from(const Font& font, const std::string& localeIdentifier, double scale) {
    const auto m = metrics::textStyle(font.style);
    TextFontSpec fontSpec;
    fontSpec.families = metrics::fontFamilies(localeIdentifier);
    fontSpec.size = m.size * scale;
    fontSpec.lineHeight = m.lineHeight * scale;
    fontSpec.weight = font.effectiveWeight();
    fontSpec.tabularDigits = font.monospacedDigit;
    return fontSpec;
}

LayoutDirection paragraphDirection(const std::string& text, LayoutDirection layoutDirection) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t offset = 0; offset < length;) {
        const bool first = offset == 0;
        UChar32 c = 0;
        U8_NEXT(bytes, offset, length, c);
        switch (u_charDirection(c)) {
        case U_LEFT_TO_RIGHT: return LayoutDirection::leftToRight;
        case U_RIGHT_TO_LEFT:
        case U_RIGHT_TO_LEFT_ARABIC: return LayoutDirection::rightToLeft;
        case U_WHITE_SPACE_NEUTRAL:
        case U_OTHER_NEUTRAL:
        case U_SEGMENT_SEPARATOR:
        case U_BLOCK_SEPARATOR:
            if (first) return layoutDirection;
            break;
        default: break; // after a weak start (digits, say) the first strong character decides
        }
    }
    return layoutDirection;
}

ShapedText::ShapedText(const std::string& text, const TextFontSpec& fontSpec, LayoutDirection direction,
                       std::optional<double> width, int maxLines, bool ellipsize) {
    std::lock_guard guard(textLock());
    layout_ = pango_layout_new(fonts().contextFor(paragraphDirection(text, direction)));
    PangoFontDescription* d = describe(fontSpec.families, fontSpec.size, fontSpec.weight);
    pango_layout_set_font_description(layout_, d);
    pango_font_description_free(d);

    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes,
                           pango_attr_line_height_new_absolute(static_cast<int>(fontSpec.lineHeight * PANGO_SCALE)));
    if (fontSpec.tabularDigits) pango_attr_list_insert(attributes, pango_attr_font_features_new("tnum 1"));
    pango_layout_set_attributes(layout_, attributes);
    pango_attr_list_unref(attributes);

    // Without automatic direction Pango takes alignments literally: lines go to the leading edge of
    // the layout whatever the direction of their paragraph.
    pango_layout_set_auto_dir(layout_, FALSE);
    pango_layout_set_alignment(layout_,
                               direction == LayoutDirection::rightToLeft ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT);
    pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
    if (width) pango_layout_set_width(layout_, static_cast<int>(*width * PANGO_SCALE));
    if (ellipsize) {
        pango_layout_set_ellipsize(layout_, PANGO_ELLIPSIZE_END);
        pango_layout_set_height(layout_, maxLines > 0 ? -maxLines : -1000000);
    }
    pango_layout_set_text(layout_, text.c_str(), static_cast<int>(text.size()));

    PangoRectangle logical;
    pango_layout_get_extents(layout_, nullptr, &logical);
    lines_ = pango_layout_get_line_count(layout_);
    double w = static_cast<double>(logical.width) / PANGO_SCALE;
    if (width) w = std::min(w, *width);
    size_ = {w, static_cast<double>(logical.height) / PANGO_SCALE};
    baseline_ = static_cast<double>(pango_layout_get_baseline(layout_)) / PANGO_SCALE;
    logicalX_ = static_cast<double>(logical.x) / PANGO_SCALE;
}

ShapedText::~ShapedText() {
    std::lock_guard guard(textLock());
    if (layout_) g_object_unref(layout_);
}

std::string ShapedText::drawnText() const {
    std::lock_guard guard(textLock());
    const char* text = pango_layout_get_text(layout_);
    std::string out;
    PangoLayoutIter* it = pango_layout_get_iter(layout_);
    PangoLayoutLine* previousLine = nullptr;
    auto endLine = [&out] {
        while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
    };
    do {
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
        if (previousLine && line != previousLine) {
            endLine();
            out += '\n';
        }
        previousLine = line;
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
        if (!run) continue;
        if (run->item->analysis.flags & PANGO_ANALYSIS_FLAG_IS_ELLIPSIS)
            out += "…";
        else
            out.append(text + run->item->offset, static_cast<std::size_t>(run->item->length));
    } while (pango_layout_iter_next_run(it));
    pango_layout_iter_free(it);
    endLine();
    return out;
}

std::vector<ShapedRun> ShapedText::runs() const {
    std::lock_guard guard(textLock());
    const char* text = pango_layout_get_text(layout_);
    std::vector<ShapedRun> out;
    PangoLayoutIter* it = pango_layout_get_iter(layout_);
    int line = -1;
    PangoLayoutLine* previousLine = nullptr;
    do {
        PangoLayoutLine* current = pango_layout_iter_get_line_readonly(it);
        if (current != previousLine) ++line;
        previousLine = current;
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
        if (!run) continue;
        PangoRectangle logical;
        pango_layout_iter_get_run_extents(it, nullptr, &logical);
        ShapedRun r;
        r.line = line;
        r.text.assign(text + run->item->offset, static_cast<std::size_t>(run->item->length));
        r.x = static_cast<double>(logical.x) / PANGO_SCALE - logicalX_;
        r.width = static_cast<double>(logical.width) / PANGO_SCALE;
        r.rightToLeft = run->item->analysis.level % 2 == 1;
        if (run->item->analysis.font) {
            PangoFontDescription* d = pango_font_describe(run->item->analysis.font);
            char* name = pango_font_description_to_string(d);
            r.font = name;
            g_free(name);
            pango_font_description_free(d);
        }
        out.push_back(std::move(r));
    } while (pango_layout_iter_next_run(it));
    pango_layout_iter_free(it);
    return out;
}

void ShapedText::draw(cairo_t* cr, Point origin, const Color& color) const {
    std::lock_guard guard(textLock());
    cairo_save(cr);
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
    cairo_move_to(cr, origin.x - logicalX_, origin.y);
    pango_cairo_show_layout(cr, layout_);
    cairo_restore(cr);
}

bool drawIconGlyph(cairo_t* cr, const std::string& family, char32_t codepoint, Rect box, double fill,
                   const Color& color) {
    std::lock_guard guard(textLock());
    char utf8[8] = {};
    gint length = g_unichar_to_utf8(static_cast<gunichar>(codepoint), utf8);
    PangoLayout* layout = pango_layout_new(fonts().context);
    const double size = 100;
    PangoFontDescription* d = describe(family, size, FontWeight::regular);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    pango_layout_set_text(layout, utf8, length);
    const bool found = pango_layout_get_unknown_glyphs_count(layout) == 0;
    if (found) {
        PangoRectangle ink;
        pango_layout_get_extents(layout, &ink, nullptr);
        const double inkW = static_cast<double>(ink.width) / PANGO_SCALE,
                     inkH = static_cast<double>(ink.height) / PANGO_SCALE;
        if (inkW > 0 && inkH > 0) {
            const double scale = std::min(box.width(), box.height()) * fill / std::max(inkW, inkH);
            cairo_save(cr);
            cairo_translate(cr, box.midX(), box.midY());
            cairo_scale(cr, scale, scale);
            cairo_translate(cr, -(static_cast<double>(ink.x) / PANGO_SCALE + inkW / 2),
                            -(static_cast<double>(ink.y) / PANGO_SCALE + inkH / 2));
            cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
            cairo_move_to(cr, 0, 0);
            pango_cairo_show_layout(cr, layout);
            cairo_restore(cr);
        }
    }
    g_object_unref(layout);
    return found;
}

void drawCenteredLetter(cairo_t* cr, const std::string& letter, Rect box, double size, FontWeight weight,
                        const Color& color) {
    std::lock_guard guard(textLock());
    PangoLayout* layout = pango_layout_new(fonts().context);
    PangoFontDescription* d = describe(metrics::fontFamilies("en"), size, weight);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    pango_layout_set_text(layout, letter.c_str(), static_cast<int>(letter.size()));
    PangoRectangle ink;
    pango_layout_get_extents(layout, &ink, nullptr);
    const double x = box.midX() - (static_cast<double>(ink.x) + ink.width / 2.0) / PANGO_SCALE;
    const double y = box.midY() - (static_cast<double>(ink.y) + ink.height / 2.0) / PANGO_SCALE;
    cairo_save(cr);
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

} // namespace platform::ui::detail

namespace platform::ui {

std::vector<MissingFont> missingFonts() {
    using namespace detail;
    std::vector<MissingFont> missing;
    for (const auto& font : fontPackages) {
        if (installed(font)) continue;
        MissingFont m{font.family, font.package, font.kind, {}};
        if (font.kind == MissingFont::Kind::text) {
            std::lock_guard guard(textLock());
            PangoLayout* layout = pango_layout_new(fonts().context);
            PangoFontDescription* d = describe(metrics::fontFamilies(font.locale), 13, FontWeight::regular);
            pango_layout_set_font_description(layout, d);
            pango_font_description_free(d);
            pango_layout_set_text(layout, font.sample, -1);
            // The face of the sample's first run is what draws this font's text now; unknown glyphs
            // mean nothing does, and the text shows as boxes.
            PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
            if (pango_layout_get_unknown_glyphs_count(layout) == 0 && line && line->runs) {
                const auto* run = static_cast<const PangoLayoutRun*>(line->runs->data);
                PangoFontDescription* face = pango_font_describe(run->item->analysis.font);
                if (const char* family = pango_font_description_get_family(face)) m.fallback = family;
                pango_font_description_free(face);
            }
            g_object_unref(layout);
        }
        missing.push_back(std::move(m));
    }
    return missing;
}

} // namespace platform::ui
