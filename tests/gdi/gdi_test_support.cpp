#include "gdi_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>

#include "win_test_support.h"

#ifndef _WIN32
#include <cairo.h>

#include "platform/posix/gdi_surface.h"
#endif

namespace gditest {

ScreenDC::ScreenDC() {
#ifdef _WIN32
    dc_ = GetDC(nullptr);
#else
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 64, 64);
    surface_ = surface;
    dc_ = winlayer::CreateSurfaceDC(surface);
#endif
}

ScreenDC::~ScreenDC() {
#ifdef _WIN32
    ReleaseDC(nullptr, dc_);
#else
    winlayer::ReleaseSurfaceDC(dc_);
    cairo_surface_destroy(static_cast<cairo_surface_t*>(surface_));
#endif
}

Canvas::Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(screen_.Get());
    bitmap_ = CreateCompatibleBitmap(screen_.Get(), width, height);
    previous_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all = {0, 0, width, height};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

Canvas::~Canvas() {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

std::vector<COLORREF> Canvas::Pixels() const {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> bits(size_t(width_) * height_);
    GetDIBits(dc_, bitmap_, 0, UINT(height_), bits.data(), &info, DIB_RGB_COLORS);
    std::vector<COLORREF> pixels;
    pixels.reserve(bits.size());
    for (DWORD b : bits) pixels.push_back(RGB((b >> 16) & 0xFF, (b >> 8) & 0xFF, b & 0xFF));
    return pixels;
}

std::string Canvas::Map(const RECT& area,
                        const std::vector<std::pair<COLORREF, char>>& legend) const {
    std::vector<COLORREF> pixels = Pixels();
    std::string map;
    for (int y = area.top; y < area.bottom; ++y) {
        if (y > area.top) map += '\n';
        for (int x = area.left; x < area.right; ++x) {
            char c = '?';
            for (const auto& entry : legend)
                if (entry.first == pixels[size_t(y) * width_ + x]) c = entry.second;
            map += c;
        }
    }
    return map;
}

RECT Canvas::InkBox(COLORREF background) const {
    std::vector<COLORREF> pixels = Pixels();
    RECT box = {width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            if (pixels[size_t(y) * width_ + x] == background) continue;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    if (box.right == 0) box = RECT{0, 0, 0, 0};
    return box;
}

int Canvas::InkCount(COLORREF background) const {
    int count = 0;
    for (COLORREF c : Pixels()) count += c != background;
    return count;
}

namespace {

void PutBig32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += char((value >> shift) & 0xFF);
}

void PutChunk(std::string& png, const char* type, const std::string& data) {
    PutBig32(png, uint32_t(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    PutBig32(png,
             uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

// An RGB PNG of the pixels (top row first).
std::string EncodePng(const std::vector<COLORREF>& pixels, int width, int height) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += char(0);  // no filter
        for (int x = 0; x < width; ++x) {
            COLORREF c = pixels[size_t(y) * width + x];
            raw += char(GetRValue(c));
            raw += char(GetGValue(c));
            raw += char(GetBValue(c));
        }
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(&packed[0]), &size,
             reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    packed.resize(size);
    std::string header;
    PutBig32(header, uint32_t(width));
    PutBig32(header, uint32_t(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    std::string png("\x89PNG\r\n\x1a\n", 8);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", "");
    return png;
}

}  // namespace

void Canvas::SavePngIfAsked(const std::string& name) const {
    const char* folder = getenv("OBJSTORE_GDI_PNG_DIR");
    if (!folder || !*folder) return;
    std::string file = std::string(wintest::UnderWine() ? "wine-" : "native-") + name + ".png";
#ifdef _WIN32
    std::string path = wintest::WindowsPathOfHost(std::string(folder) + "/" + file);
#else
    std::string path = std::string(folder) + "/" + file;
#endif
    FILE* out = fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr) << path;
    std::string png = EncodePng(Pixels(), width_, height_);
    fwrite(png.data(), 1, png.size(), out);
    fclose(out);
}

std::string Rows(const std::vector<std::string>& rows) {
    std::string all;
    for (size_t i = 0; i < rows.size(); ++i) all += (i ? "\n" : "") + rows[i];
    return all;
}

}  // namespace gditest
