// Picture and icon resources: the registered files, read into bitmaps and icons on load.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/gdi_objects.h"
#include "platform/posix/handles.h"
#include "platform/posix/image_resources.h"
#include "platform/win32.h"

namespace winlayer {
namespace gdi {

DWORD Icon::Type() const {
    return 0;  // a user32 object: no GDI type
}

namespace {

struct ImageFiles {
    std::mutex mutex;
    std::map<UINT, std::string> bitmaps, icons;
    std::map<UINT, HICON> loadedIcons;  // LoadIconW hands out one shared handle per id
};
ImageFiles& Files() {
    static ImageFiles* files = new ImageFiles;
    return *files;
}

bool FindFile(const std::map<UINT, std::string>& files, LPCWSTR name, std::string& path) {
    if (!IS_INTRESOURCE(name)) return false;  // the program names its images by number only
    auto it = files.find(UINT(reinterpret_cast<ULONG_PTR>(name)));
    if (it == files.end()) return false;
    path = it->second;
    return true;
}

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

uint32_t Read32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    memcpy(&value, bytes.data() + at, 4);  // little-endian, as the host
    return value;
}
uint16_t Read16(const std::string& bytes, size_t at) {
    uint16_t value = 0;
    memcpy(&value, bytes.data() + at, 2);
    return value;
}

// A picture file's failure: the program cannot show its pictures, so say which file and why.
std::shared_ptr<Bitmap> Refuse(const std::string& path, const char* why) {
    fprintf(stderr, "LoadBitmapW: %s: %s\n", path.c_str(), why);
    SetError(ERROR_BAD_FORMAT);
    return nullptr;
}

// Reads a 24-bit BI_RGB .bmp (rows padded to 4 bytes, bottom-up unless the height is negative).
std::shared_ptr<Bitmap> ReadBmp(const std::string& path, const std::string& bytes) {
    const size_t kFileHeader = 14, kInfoHeader = 40;
    if (bytes.size() < kFileHeader + kInfoHeader || bytes.compare(0, 2, "BM") != 0)
        return Refuse(path, "not a BMP file");
    uint32_t offset = Read32(bytes, 10), headerSize = Read32(bytes, 14);
    int32_t width = int32_t(Read32(bytes, 18)), height = int32_t(Read32(bytes, 22));
    if (headerSize < kInfoHeader || Read16(bytes, 28) != 24 || Read32(bytes, 30) != BI_RGB)
        return Refuse(path, "only 24-bit uncompressed (BI_RGB) bitmaps are supported");
    bool topDown = height < 0;
    int rows = topDown ? -height : height;
    if (width <= 0 || rows <= 0 || width > 32767 || rows > 32767)
        return Refuse(path, "bad picture size");
    size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    if (offset > bytes.size() || bytes.size() - offset < stride * rows)
        return Refuse(path, "the pixel data is cut short");
    auto bitmap = NewBitmap(width, rows, 32);
    if (!bitmap) return Refuse(path, "no memory for the picture");
    Pixels pixels(bitmap->surface);
    for (int y = 0; y < rows; ++y) {
        const auto* in = reinterpret_cast<const unsigned char*>(bytes.data() + offset + stride * y);
        uint32_t* out = pixels.Row(topDown ? y : rows - 1 - y);
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = (uint32_t(in[2]) << 16) | (uint32_t(in[1]) << 8) | in[0];
    }
    return bitmap;
}

// An icon group file: ICONDIR (reserved 0, type 1, count) and count 16-byte entries, each
// pointing at image data inside the file.
bool ValidIconFile(const std::string& bytes) {
    if (bytes.size() < 6 || Read16(bytes, 0) != 0 || Read16(bytes, 2) != 1) return false;
    size_t count = Read16(bytes, 4);
    if (count == 0 || bytes.size() < 6 + 16 * count) return false;
    for (size_t i = 0; i < count; ++i) {
        size_t entry = 6 + 16 * i;
        uint64_t size = Read32(bytes, entry + 8), at = Read32(bytes, entry + 12);
        if (size == 0 || at + size > bytes.size()) return false;
    }
    return true;
}

}  // namespace
}  // namespace gdi
}  // namespace winlayer

using namespace winlayer;
using namespace winlayer::gdi;

void RegisterBitmapResource(UINT id, const std::string& hostPath) {
    std::lock_guard<std::mutex> lock(Files().mutex);
    Files().bitmaps[id] = hostPath;
}

void RegisterIconResource(UINT id, const std::string& hostPath) {
    std::lock_guard<std::mutex> lock(Files().mutex);
    Files().icons[id] = hostPath;
    Files().loadedIcons.erase(id);
}

HBITMAP LoadBitmapW(HINSTANCE, LPCWSTR name) {
    std::string path, bytes;
    {
        std::lock_guard<std::mutex> lock(Files().mutex);
        if (!FindFile(Files().bitmaps, name, path)) {
            SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
    }
    if (!ReadFile(path, bytes)) {
        fprintf(stderr, "LoadBitmapW: %s: cannot read the file\n", path.c_str());
        SetError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    auto bitmap = ReadBmp(path, bytes);
    return bitmap ? static_cast<HBITMAP>(AddHandle(HandleKind::Gdi, bitmap)) : nullptr;
}

HICON LoadIconW(HINSTANCE, LPCWSTR name) {
    std::lock_guard<std::mutex> lock(Files().mutex);
    std::string path, bytes;
    if (!FindFile(Files().icons, name, path)) {
        SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    UINT id = UINT(reinterpret_cast<ULONG_PTR>(name));
    auto loaded = Files().loadedIcons.find(id);
    if (loaded != Files().loadedIcons.end()) return loaded->second;
    if (!ReadFile(path, bytes) || !ValidIconFile(bytes)) {
        SetError(ERROR_BAD_FORMAT);
        return nullptr;
    }
    auto icon = std::make_shared<Icon>();
    icon->stock = true;  // one shared handle per id, kept for the life of the process
    icon->path = path;
    HICON handle = static_cast<HICON>(AddHandle(HandleKind::Gdi, icon));
    Files().loadedIcons[id] = handle;
    return handle;
}
