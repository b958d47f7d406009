// Fonts: CreateFontW over pango, with Windows' cell metrics.
#include <cmath>

#include "platform/posix/errors.h"
#include "platform/posix/fonts.h"
#include "platform/posix/handles.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

// After the layer's headers: glib defines TRUE and FALSE only when they are not defined yet.
#include <hb-ot.h>
#include <pango/pangocairo.h>

namespace winlayer {
namespace gdi {

Font::~Font() {
    if (description) pango_font_description_free(description);
}

DWORD Font::Type() const {
    return OBJ_FONT;
}

namespace {

const int kDefaultCellHeight = 16;  // lfHeight 0

std::string FamilyFor(const std::wstring& face) {
    // fontconfig knows no "Microsoft Yahei" and would fall back to a Latin-only face.
    if (face.empty() || EqualsNoCase(face, L"Microsoft Yahei") ||
        EqualsNoCase(face, L"Microsoft YaHei UI"))
        return "WenQuanYi Micro Hei";
    return WideToUtf8(face);
}

// The font's Windows ascent and descent per em: OS/2 usWinAscent and usWinDescent, else what
// pango reports.
struct EmMetrics {
    double ascent = 0.8, descent = 0.2;
};

EmMetrics MeasureEm(const PangoFontDescription* description) {
    const int probe = 1000;
    EmMetrics em;
    PangoFontDescription* sized = pango_font_description_copy(description);
    pango_font_description_set_absolute_size(sized, probe * PANGO_SCALE);
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(map);
    PangoFont* font = pango_font_map_load_font(map, context, sized);
    if (font) {
        hb_face_t* face = hb_font_get_face(pango_font_get_hb_font(font));
        hb_font_t* unscaled = hb_font_create(face);  // positions in font units
        double upem = hb_face_get_upem(face);
        hb_position_t ascent = 0, descent = 0;
        if (hb_ot_metrics_get_position(unscaled, HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_ASCENT,
                                       &ascent) &&
            hb_ot_metrics_get_position(unscaled, HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_DESCENT,
                                       &descent) &&
            ascent + descent > 0) {
            em.ascent = ascent / upem;
            em.descent = std::abs(descent) / upem;
        } else {
            PangoFontMetrics* metrics = pango_font_get_metrics(font, nullptr);
            em.ascent = pango_font_metrics_get_ascent(metrics) / double(PANGO_SCALE) / probe;
            em.descent = pango_font_metrics_get_descent(metrics) / double(PANGO_SCALE) / probe;
            pango_font_metrics_unref(metrics);
        }
        hb_font_destroy(unscaled);
        g_object_unref(font);
    }
    g_object_unref(context);
    pango_font_description_free(sized);
    return em;
}

}  // namespace

std::shared_ptr<Font> MakeFont(const FontRequest& request) {
    auto font = std::make_shared<Font>();
    font->description = pango_font_description_new();
    pango_font_description_set_family(font->description, FamilyFor(request.face).c_str());
    pango_font_description_set_weight(
        font->description, request.weight >= 600 ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(font->description,
                                     request.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    font->underline = request.underline;

    EmMetrics em = MeasureEm(font->description);
    int height = request.height == 0 ? kDefaultCellHeight : request.height;
    // A positive height is the cell (ascent + descent), a negative one the em.
    double emPixels = height > 0 ? height / (em.ascent + em.descent) : -double(height);
    font->ascent = int(std::lround(em.ascent * emPixels));
    font->descent = height > 0 ? height - font->ascent : int(std::lround(em.descent * emPixels));
    pango_font_description_set_absolute_size(font->description, emPixels * PANGO_SCALE);
    return font;
}

}  // namespace gdi
}  // namespace winlayer

using namespace winlayer;
using namespace winlayer::gdi;

HFONT CreateFontW(int height, int, int, int, int weight, DWORD italic, DWORD underline, DWORD,
                  DWORD, DWORD, DWORD, DWORD, DWORD, LPCWSTR faceName) {
    FontRequest request;
    request.height = height;
    request.weight = weight;
    request.italic = italic != 0;
    request.underline = underline != 0;
    request.face = WideOrEmpty(faceName);
    return static_cast<HFONT>(AddHandle(HandleKind::Gdi, MakeFont(request)));
}
