// Shapes drawn pixel by pixel, without antialiasing, as Windows rasterises them: rectangles with
// brushes, lines and rounded rectangles with 1-pixel pens.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/gdi_objects.h"
#include "platform/win32.h"

namespace winlayer {
namespace gdi {
namespace {

// Sets the pixels of a line from (x0, y0) towards (x1, y1), leaving out the last one. Along the
// major axis every step sets one pixel; the minor coordinate is the one nearest to the true line,
// and where the line passes exactly between two pixels the one with the smaller coordinate, as
// Windows draws lines whichever way they run.
void DrawLine(Pixels& pixels, int x0, int y0, int x1, int y1, uint32_t pixel) {
    int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    int sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
    bool xMajor = dx >= dy;
    int major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    int minorStep = xMajor ? sy : sx;
    for (int i = 0; i < major; ++i) {
        // |offset| = round(i * minor / major); a half rounds towards the smaller coordinate,
        // which is down in size when moving up and up in size when moving down.
        int half = minorStep > 0 ? major - 1 : major;
        int offset = (2 * i * minor + half) / (2 * major);
        int x = xMajor ? x0 + sx * i : x0 + sx * offset;
        int y = xMajor ? y0 + sy * offset : y0 + sy * i;
        pixels.Set(x, y, pixel);
    }
}

// For each row of a corner (the top half of a width x height ellipse, top row first), how far
// in from the bounding box's left edge the ellipse's outline begins.
std::vector<int> CornerInsets(int width, int height) {
    std::vector<int> insets;
    double a = width / 2.0, b = height / 2.0;
    for (int row = 0; row < (height + 1) / 2; ++row) {
        double dy = b - (row + 0.5);
        double half = a * std::sqrt(std::max(0.0, 1.0 - (dy * dy) / (b * b)));
        insets.push_back(int(std::lround(a - half)));
    }
    return insets;
}

// The outline's leftmost pixel on every row of a rounded rectangle, relative to its left edge
// (the right side mirrors it).
std::vector<int> RowInsets(int height, int cornerWidth, int cornerHeight) {
    std::vector<int> rows(size_t(height), 0);
    std::vector<int> corner = CornerInsets(cornerWidth, cornerHeight);
    for (size_t i = 0; i < corner.size() && i < rows.size(); ++i) {
        rows[i] = std::max(rows[i], corner[i]);
        rows[rows.size() - 1 - i] = std::max(rows[rows.size() - 1 - i], corner[i]);
    }
    return rows;
}

void DrawRoundRect(Pixels& pixels, const RECT& box, int cornerWidth, int cornerHeight,
                   const Pen* pen, const Brush* brush) {
    int width = box.right - box.left, height = box.bottom - box.top;
    std::vector<int> insets =
        RowInsets(height, std::min(cornerWidth, width), std::min(cornerHeight, height));
    bool outline = pen && pen->style != PS_NULL;
    uint32_t penPixel = pen ? PixelOf(pen->color) : 0;
    for (int row = 0; row < height; ++row) {
        int y = box.top + row, inset = insets[size_t(row)];
        int left = box.left + inset, right = box.right - 1 - inset;
        bool edgeRow = row == 0 || row == height - 1;
        // The outline on this row reaches in as far as the next row out needs to stay joined.
        int neighbour = row < height / 2 ? insets[size_t(std::max(row - 1, 0))]
                                         : insets[size_t(std::min(row + 1, height - 1))];
        int reach = std::max(0, neighbour - inset - 1);
        if (brush && !brush->hollow) pixels.Fill(left, y, right + 1, y + 1, PixelOf(brush->color));
        if (!outline) continue;
        if (edgeRow) {
            pixels.Fill(left, y, right + 1, y + 1, penPixel);
            continue;
        }
        pixels.Fill(left, y, left + reach + 1, y + 1, penPixel);
        pixels.Fill(right - reach, y, right + 1, y + 1, penPixel);
    }
}

bool ValidBrush(HBRUSH handle, std::shared_ptr<Brush>& brush) {
    brush = Lookup<Brush>(handle);
    return brush != nullptr;
}

}  // namespace
}  // namespace gdi
}  // namespace winlayer

using namespace winlayer;
using namespace winlayer::gdi;

int FillRect(HDC hdc, const RECT* rect, HBRUSH handle) {
    auto dc = LookupDC(hdc);
    std::shared_ptr<Brush> brush;
    if (!dc || !rect || !ValidBrush(handle, brush)) return FALSE;
    Pixels pixels(dc->Target());
    if (!brush->hollow)
        pixels.Fill(rect->left, rect->top, rect->right, rect->bottom, PixelOf(brush->color));
    return TRUE;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH handle) {
    auto dc = LookupDC(hdc);
    std::shared_ptr<Brush> brush;
    if (!dc || !rect || !ValidBrush(handle, brush)) return FALSE;
    if (brush->hollow || rect->right <= rect->left || rect->bottom <= rect->top) return TRUE;
    Pixels pixels(dc->Target());
    uint32_t pixel = PixelOf(brush->color);
    const RECT& r = *rect;
    pixels.Fill(r.left, r.top, r.right, r.top + 1, pixel);
    pixels.Fill(r.left, r.bottom - 1, r.right, r.bottom, pixel);
    pixels.Fill(r.left, r.top, r.left + 1, r.bottom, pixel);
    pixels.Fill(r.right - 1, r.top, r.right, r.bottom, pixel);
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->position;
    dc->position = {x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    if (dc->penObject && dc->penObject->style != PS_NULL) {
        Pixels pixels(dc->Target());
        DrawLine(pixels, dc->position.x, dc->position.y, x, y, PixelOf(dc->penObject->color));
    }
    dc->position = {x, y};
    return TRUE;
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int cornerWidth,
               int cornerHeight) {
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    RECT box = {std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
    if (box.right - box.left < 1 || box.bottom - box.top < 1) return TRUE;
    Pixels pixels(dc->Target());
    DrawRoundRect(pixels, box, std::abs(cornerWidth), std::abs(cornerHeight), dc->penObject.get(),
                  dc->brushObject.get());
    return TRUE;
}
