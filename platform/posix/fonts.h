// Fonts of the native layer: a CreateFontW request becomes a pango font description of an absolute
// pixel size, with the cell metrics Windows would report for it. Not for code outside platform/.
//
// Sizes: a negative height asks for that em (character) height; a positive one for that cell
// height, ascent plus descent, where ascent and descent are the font's Windows metrics (the OS/2
// table's usWinAscent and usWinDescent) as Windows scales them. Faces: "Microsoft Yahei" is served
// by "WenQuanYi Micro Hei"; any other name goes to fontconfig as it is.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/gdi_objects.h"

namespace winlayer {
namespace gdi {

struct FontRequest {
    int height = 0;  // Windows' lfHeight; 0 picks the default size
    int weight = 0;  // FW_*; 0 is normal
    bool italic = false, underline = false;
    std::wstring face;
};

std::shared_ptr<Font> MakeFont(const FontRequest& request);

}  // namespace gdi
}  // namespace winlayer
