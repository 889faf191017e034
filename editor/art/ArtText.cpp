#include "editor/art/ArtText.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace fxcoreart {

namespace {

std::map<std::string, cairo_font_face_t*> s_faces;

void applyStyle(cairo_t* cr, const TextStyle& style) {
    cairo_set_font_face(cr, fontFace(style.font));
    cairo_set_font_size(cr, style.size);
    // Unhinted outlines with grey anti-aliasing: the same shapes at every density.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

// Walks the text one UTF-8 character at a time (the art uses ASCII only).
template <typename Fn>
void eachLetter(const std::string& text, Fn fn) {
    for (char c : text) fn(std::string(1, c));
}

}  // namespace

cairo_font_face_t* fontFace(const std::string& pattern) {
    auto it = s_faces.find(pattern);
    if (it != s_faces.end()) return it->second;
    FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
    FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, wanted, &result);
    FcPatternDestroy(wanted);
    if (!found) {
        std::fprintf(stderr, "no font for \"%s\"\n", pattern.c_str());
        std::exit(1);
    }
    FcChar8* family = nullptr;
    FcPatternGetString(found, FC_FAMILY, 0, &family);
    const std::string wantedFamily = pattern.substr(0, pattern.find(':'));
    if (!family || wantedFamily != reinterpret_cast<const char*>(family)) {
        // A substituted font would change the art silently: stop instead.
        std::fprintf(stderr, "font \"%s\" is not installed (got \"%s\")\n", pattern.c_str(),
                     family ? reinterpret_cast<const char*>(family) : "nothing");
        std::exit(1);
    }
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(found);
    FcPatternDestroy(found);
    s_faces[pattern] = face;
    return face;
}

void releaseFonts() {
    for (auto& [pattern, face] : s_faces) cairo_font_face_destroy(face);
    s_faces.clear();
    cairo_debug_reset_static_data();
    FcFini();
}

double textWidth(cairo_t* cr, const TextStyle& style, const std::string& text) {
    cairo_save(cr);
    applyStyle(cr, style);
    double width = 0.0;
    size_t index = 0;
    eachLetter(text, [&](const std::string& letter) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, letter.c_str(), &e);
        width += e.x_advance;
        if (++index < text.size()) width += style.tracking * style.size;
    });
    cairo_restore(cr);
    return width;
}

void textPath(cairo_t* cr, const TextStyle& style, const std::string& text, double x, double y) {
    const double width = textWidth(cr, style, text);
    cairo_save(cr);
    applyStyle(cr, style);
    double pen = x - width * style.align;
    eachLetter(text, [&](const std::string& letter) {
        cairo_move_to(cr, pen, y);
        cairo_text_path(cr, letter.c_str());
        cairo_text_extents_t e;
        cairo_text_extents(cr, letter.c_str(), &e);
        pen += e.x_advance + style.tracking * style.size;
    });
    cairo_restore(cr);  // the path survives save/restore
}

void drawText(cairo_t* cr, const TextStyle& style, const std::string& text, double x, double y) {
    cairo_new_path(cr);
    textPath(cr, style, text, x, y);
    cairo_fill(cr);
}

double capHeight(cairo_t* cr, const TextStyle& style) {
    cairo_save(cr);
    applyStyle(cr, style);
    cairo_text_extents_t e;
    cairo_text_extents(cr, "H", &e);
    cairo_restore(cr);
    return -e.y_bearing;
}

}  // namespace fxcoreart
