#include "archive_name.h"

#include <iconv.h>

#include <algorithm>
#include <vector>

namespace release_builder {

bool ToArchiveName(const std::string& utf8, std::string* archiveName) {
    const bool ascii = std::all_of(utf8.begin(), utf8.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        *archiveName = utf8;
        return true;
    }
    iconv_t converter = iconv_open("CP936", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = utf8;
    // A code page 936 character never takes more bytes than its UTF-8 form.
    std::vector<char> out(in.size() + 1);
    char* inPtr = &in[0];
    char* outPtr = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    const size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1) || inLeft != 0) return false;
    archiveName->assign(out.data(), size_t(outPtr - out.data()));
    return true;
}

}  // namespace release_builder
