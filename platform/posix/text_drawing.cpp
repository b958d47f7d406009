// DrawText over pango: mnemonic prefixes, line breaks, word wrapping, the end ellipsis, alignment
// in the rectangle and clipping to it. Lines are placed one cell (the font's ascent + descent)
// apart with the baseline at the ascent, as GDI places them, rather than by pango's line spacing.
#include <string>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/gdi_objects.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

// After the layer's headers: glib defines TRUE and FALSE only when they are not defined yet.
#include <pango/pangocairo.h>

namespace winlayer {
namespace gdi {
namespace {

// Text with its mnemonic prefixes resolved: "&&" is "&", "&x" underlines x, a last "&" goes.
struct PlainText {
    std::wstring text;
    int mnemonic = -1;  // index in text of the underlined character
};

PlainText ResolvePrefixes(const std::wstring& text, bool prefixes) {
    PlainText out;
    if (!prefixes) {
        out.text = text;
        return out;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'&') {
            out.text += text[i];
            continue;
        }
        if (++i == text.size()) break;
        if (text[i] != L'&') out.mnemonic = int(out.text.size());
        out.text += text[i];
    }
    return out;
}

// The paragraphs of the text: split at CR LF, LF or CR unless it is one line.
std::vector<PlainText> SplitLines(const PlainText& text, bool singleLine) {
    std::vector<PlainText> lines(1);
    const std::wstring& s = text.text;
    for (size_t i = 0; i < s.size(); ++i) {
        bool lineEnd = !singleLine && (s[i] == L'\n' || s[i] == L'\r');
        if (!lineEnd) {
            if (int(i) == text.mnemonic) lines.back().mnemonic = int(lines.back().text.size());
            lines.back().text += s[i];
            continue;
        }
        if (s[i] == L'\r' && i + 1 < s.size() && s[i + 1] == L'\n') ++i;
        lines.emplace_back();
    }
    return lines;
}

class TextLayout {
  public:
    TextLayout(cairo_t* cr, const Font& font) : cr_(cr), font_(font) {}
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;
    ~TextLayout() {
        for (PangoLayout* layout : layouts_) g_object_unref(layout);
    }

    // Adds a paragraph: wrapped at width when wrapWidth > 0, cut with "..." when ellipsisWidth > 0.
    void AddParagraph(const PlainText& paragraph, int wrapWidth, int ellipsisWidth) {
        PlainText text = paragraph;
        PangoLayout* layout = NewLayout(text);
        if (ellipsisWidth > 0 && PixelWidth(layout) > ellipsisWidth) {
            g_object_unref(layout);
            text = CutWithEllipsis(paragraph, ellipsisWidth);
            layout = NewLayout(text);
        }
        if (wrapWidth > 0) {
            pango_layout_set_width(layout, wrapWidth * PANGO_SCALE);
            pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
        }
        layouts_.push_back(layout);
        for (GSList* l = pango_layout_get_lines_readonly(layout); l; l = l->next)
            lines_.push_back(static_cast<PangoLayoutLine*>(l->data));
    }

    const std::vector<PangoLayoutLine*>& Lines() const { return lines_; }
    int CellHeight() const { return font_.ascent + font_.descent; }
    static PangoRectangle Extents(PangoLayoutLine* line) {
        PangoRectangle logical;
        pango_layout_line_get_pixel_extents(line, nullptr, &logical);
        return logical;
    }

  private:
    PangoLayout* NewLayout(const PlainText& text) {
        PangoLayout* layout = pango_cairo_create_layout(cr_);
        pango_layout_set_font_description(layout, font_.description);
        std::string utf8 = WideToUtf8(text.text);
        pango_layout_set_text(layout, utf8.c_str(), int(utf8.size()));
        PangoAttrList* attributes = pango_attr_list_new();
        if (font_.underline)
            pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (text.mnemonic >= 0) {
            PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
            underline->start_index = guint(WideToUtf8(text.text.substr(0, text.mnemonic)).size());
            underline->end_index =
                underline->start_index +
                guint(WideToUtf8(text.text.substr(size_t(text.mnemonic), 1)).size());
            pango_attr_list_insert(attributes, underline);
        }
        pango_layout_set_attributes(layout, attributes);
        pango_attr_list_unref(attributes);
        return layout;
    }

    static int PixelWidth(PangoLayout* layout) {
        int width = 0, height = 0;
        pango_layout_get_pixel_size(layout, &width, &height);
        return width;
    }

    // The longest start of the text that fits in width with "..." after it.
    PlainText CutWithEllipsis(const PlainText& text, int width) {
        size_t low = 0, high = text.text.size();
        while (low < high) {
            size_t mid = (low + high + 1) / 2;
            PlainText candidate{text.text.substr(0, mid) + L"...", -1};
            PangoLayout* layout = NewLayout(candidate);
            bool fits = PixelWidth(layout) <= width;
            g_object_unref(layout);
            if (fits)
                low = mid;
            else
                high = mid - 1;
        }
        PlainText cut{text.text.substr(0, low) + L"...", -1};
        if (text.mnemonic >= 0 && size_t(text.mnemonic) < low) cut.mnemonic = text.mnemonic;
        return cut;
    }

    cairo_t* cr_;
    const Font& font_;
    std::vector<PangoLayout*> layouts_;
    std::vector<PangoLayoutLine*> lines_;
};

void SetTextOptions(cairo_t* cr) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

void SetColor(cairo_t* cr, COLORREF color) {
    cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0,
                         GetBValue(color) / 255.0);
}

// The x of a line of the given width in rect under the alignment flags.
int LineX(const RECT& rect, int width, UINT format) {
    if (format & DT_CENTER) return rect.left + (rect.right - rect.left - width) / 2;
    if (format & DT_RIGHT) return rect.right - width;
    return rect.left;
}

// The top of the first line: DT_VCENTER and DT_BOTTOM place a single line.
int FirstLineTop(const RECT& rect, int height, UINT format) {
    if (!(format & DT_SINGLELINE)) return rect.top;
    if (format & DT_VCENTER) return rect.top + (rect.bottom - rect.top - height) / 2;
    if (format & DT_BOTTOM) return rect.bottom - height;
    return rect.top;
}

void DrawLines(cairo_t* cr, const TextLayout& layout, const DeviceContext& dc, const RECT& rect,
               UINT format, int top) {
    int cell = layout.CellHeight();
    for (size_t i = 0; i < layout.Lines().size(); ++i) {
        PangoLayoutLine* line = layout.Lines()[i];
        PangoRectangle extents = TextLayout::Extents(line);
        int x = LineX(rect, extents.width, format), y = top + int(i) * cell;
        if (dc.backgroundMode == OPAQUE) {
            SetColor(cr, dc.backgroundColor);
            cairo_rectangle(cr, x, y, extents.width, cell);
            cairo_fill(cr);
        }
        SetColor(cr, dc.textColor);
        cairo_move_to(cr, x - extents.x, y + dc.fontObject->ascent);
        pango_cairo_show_layout_line(cr, line);
    }
}

int MeasureInto(const TextLayout& layout, RECT& rect) {
    int width = 0;
    for (PangoLayoutLine* line : layout.Lines())
        width = std::max(width, TextLayout::Extents(line).width);
    int height = int(layout.Lines().size()) * layout.CellHeight();
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    return height;
}

int DrawText(HDC hdc, const std::wstring& text, RECT* rect, UINT format) {
    auto dc = LookupDC(hdc);
    if (!dc || !rect || !dc->fontObject) return 0;
    cairo_surface_t* target = dc->Target();
    if (!target) return 0;
    cairo_t* cr = cairo_create(target);
    SetTextOptions(cr);

    bool singleLine = format & DT_SINGLELINE;
    bool wrap = !singleLine && (format & DT_WORDBREAK);
    int width = rect->right - rect->left;
    TextLayout layout(cr, *dc->fontObject);
    for (const PlainText& paragraph :
         SplitLines(ResolvePrefixes(text, !(format & DT_NOPREFIX)), singleLine))
        layout.AddParagraph(paragraph, wrap ? std::max(width, 1) : 0,
                            (format & DT_END_ELLIPSIS) && !wrap ? std::max(width, 1) : 0);

    int height = int(layout.Lines().size()) * layout.CellHeight();
    int top = FirstLineTop(*rect, height, format);
    int result = height;
    if (format & DT_CALCRECT) {
        result = MeasureInto(layout, *rect);
    } else {
        if (!(format & DT_NOCLIP)) {
            cairo_rectangle(cr, rect->left, rect->top, width, rect->bottom - rect->top);
            cairo_clip(cr);
        }
        DrawLines(cr, layout, *dc, *rect, format, top);
        // With a vertical placement the answer is where the text ends below the top.
        if (singleLine && (format & (DT_VCENTER | DT_BOTTOM))) result = top - rect->top + height;
    }
    cairo_destroy(cr);
    cairo_surface_flush(target);
    return result;
}

}  // namespace
}  // namespace gdi
}  // namespace winlayer

using namespace winlayer;

int DrawTextW(HDC hdc, LPCWSTR text, int n, LPRECT rect, UINT format) {
    if (!text) return 0;
    std::wstring s = n < 0 ? std::wstring(text) : std::wstring(text, size_t(n));
    return gdi::DrawText(hdc, s, rect, format);
}

int DrawTextA(HDC hdc, LPCSTR text, int n, LPRECT rect, UINT format) {
    if (!text) return 0;
    std::string s = n < 0 ? std::string(text) : std::string(text, size_t(n));
    return gdi::DrawText(hdc, AnsiToWide(s.c_str()), rect, format);
}
