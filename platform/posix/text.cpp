// Code-page conversion on iconv. Wide text is UTF-16 code units held in wchar_t.
#include <errno.h>
#include <iconv.h>
#include <locale.h>
#include <strings.h>
#include <wctype.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {
namespace {

const char* IconvName(UINT codePage) {
    switch (codePage) {
        case CP_ACP:
        case CP_OEMCP:
        case 936:
            return "CP936";
        case 950:
            return "CP950";
        case CP_UTF8:
            return "UTF-8";
        case 1252:
            return "CP1252";
        case 437:
            return "CP437";
        default:
            return nullptr;
    }
}

// iconv_open and iconv_close load and unload the C library's conversion modules; they take turns
// here, so that those loads are ordered for the thread sanitizer too (glibc's own loader lock is
// invisible to it). Conversions themselves run in parallel.
std::mutex& ModuleMutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

// Opening a converter loads the C library's module for the code page and closing it unloads the
// module again, which costs far more than converting one path; so each thread keeps the converters
// it opened until it ends.
class ConverterCache {
  public:
    ~ConverterCache() {
        std::lock_guard<std::mutex> lock(ModuleMutex());
        for (auto& entry : open_)
            if (entry.second != (iconv_t)-1) iconv_close(entry.second);
    }
    iconv_t Get(const char* to, const char* from) {
        if (!to || !from) return (iconv_t)-1;
        std::string key = std::string(to) + '|' + from;
        auto found = open_.find(key);
        if (found == open_.end()) {
            std::lock_guard<std::mutex> lock(ModuleMutex());
            found = open_.emplace(key, iconv_open(to, from)).first;
        }
        return found->second;
    }

  private:
    std::map<std::string, iconv_t> open_;
};

// A converter of this thread, in its initial shift state.
struct Converter {
    iconv_t cd;
    explicit Converter(const char* to, const char* from) {
        thread_local ConverterCache cache;
        cd = cache.Get(to, from);
        if (ok()) iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    bool ok() const { return cd != (iconv_t)-1; }
};

// Decodes bytes of a code page into UTF-16 units. Returns false on an invalid sequence when
// strict; otherwise each undecodable byte becomes U+FFFD (CP_UTF8) or '?' (double-byte pages).
bool Decode(UINT codePage, const char* src, size_t len, bool strict, std::u16string& out) {
    Converter conv("UTF-16LE", IconvName(codePage));
    if (!conv.ok()) return false;
    out.clear();
    char buffer[4096];
    char* in = const_cast<char*>(src);
    size_t inLeft = len;
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        size_t r = iconv(conv.cd, &in, &inLeft, &o, &oLeft);
        for (char* p = buffer; p + 1 < o; p += 2)
            out.push_back(char16_t(uint8_t(p[0]) | (uint8_t(p[1]) << 8)));
        if (r == (size_t)-1 && errno != E2BIG) {
            if (strict) return false;
            out.push_back(codePage == CP_UTF8 ? u'\uFFFD' : u'?');
            ++in;
            --inLeft;
            iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return true;
}

// Encodes UTF-16 units. Unmappable characters become defaultChar (usedDefault set); a lone
// surrogate fails when strict.
bool Encode(UINT codePage, const char16_t* src, size_t len, bool strict, const char* defaultChar,
            bool& usedDefault, std::string& out) {
    Converter conv(IconvName(codePage), "UTF-16LE");
    if (!conv.ok()) return false;
    out.clear();
    std::string bytes;
    bytes.reserve(len * 2);
    for (size_t i = 0; i < len; ++i) {
        bytes.push_back(char(src[i] & 0xFF));
        bytes.push_back(char(src[i] >> 8));
    }
    char buffer[4096];
    char* in = &bytes[0];
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        size_t r = iconv(conv.cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, o - buffer);
        if (r == (size_t)-1 && errno != E2BIG) {
            if (strict) return false;
            if (codePage == CP_UTF8) {
                out += "\xEF\xBF\xBD";
            } else {
                out += defaultChar ? defaultChar : "?";
                usedDefault = true;
            }
            size_t skip = inLeft >= 2 ? 2 : inLeft;
            in += skip;
            inLeft -= skip;
            iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return true;
}

std::u16string ToUnits(const wchar_t* text, size_t len) {
    std::u16string units(len, u'\0');
    for (size_t i = 0; i < len; ++i) units[i] = char16_t(text[i]);
    return units;
}

std::wstring FromUnits(const std::u16string& units) {
    return std::wstring(units.begin(), units.end());
}

locale_t Utf8Locale() {
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0);
        return l ? l : newlocale(LC_CTYPE_MASK, "C", (locale_t)0);
    }();
    return loc;
}

}  // namespace

std::wstring Utf8ToWide(const std::string& text) {
    std::u16string units;
    Decode(CP_UTF8, text.data(), text.size(), false, units);
    return FromUnits(units);
}

std::string WideToUtf8(const std::wstring& text) {
    std::string out;
    bool used = false;
    std::u16string units = ToUnits(text.data(), text.size());
    Encode(CP_UTF8, units.data(), units.size(), false, nullptr, used, out);
    return out;
}

std::wstring AnsiToWide(const char* text) {
    if (!text) return std::wstring();
    std::u16string units;
    Decode(kAnsiCodePage, text, strlen(text), false, units);
    return FromUnits(units);
}

std::string WideToAnsi(const std::wstring& text) {
    std::string out;
    bool used = false;
    std::u16string units = ToUnits(text.data(), text.size());
    Encode(kAnsiCodePage, units.data(), units.size(), false, nullptr, used, out);
    return out;
}

std::wstring ToUpperWide(const std::wstring& text) {
    std::wstring out(text);
    for (auto& c : out) c = wchar_t(towupper_l(wint_t(c), Utf8Locale()));
    return out;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && ToUpperWide(a) == ToUpperWide(b);
}

std::wstring WideOrEmpty(const wchar_t* text) {
    return text ? std::wstring(text) : std::wstring();
}

DWORD CopyOut(const std::wstring& text, wchar_t* buffer, DWORD size) {
    if (!buffer || size < text.size() + 1) return DWORD(text.size() + 1);
    wmemcpy(buffer, text.c_str(), text.size() + 1);
    return DWORD(text.size());
}

DWORD CopyOut(const std::string& text, char* buffer, DWORD size) {
    if (!buffer || size < text.size() + 1) return DWORD(text.size() + 1);
    memcpy(buffer, text.c_str(), text.size() + 1);
    return DWORD(text.size());
}

}  // namespace winlayer

using namespace winlayer;

UINT GetACP() {
    return kAnsiCodePage;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH src, int srcLen, LPWSTR dst, int dstLen) {
    if (!src || srcLen == 0 || dstLen < 0 || (dstLen > 0 && !dst) || !IconvName(codePage)) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t len = srcLen < 0 ? strlen(src) + 1 : size_t(srcLen);
    std::u16string units;
    if (!Decode(codePage, src, len, (flags & MB_ERR_INVALID_CHARS) != 0, units)) {
        SetError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (dstLen == 0) return int(units.size());
    if (units.size() > size_t(dstLen)) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (size_t i = 0; i < units.size(); ++i) dst[i] = wchar_t(units[i]);
    return int(units.size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH src, int srcLen, LPSTR dst, int dstLen,
                        LPCCH defaultChar, LPBOOL usedDefaultChar) {
    if (!src || srcLen == 0 || dstLen < 0 || (dstLen > 0 && !dst) || !IconvName(codePage) ||
        (codePage == CP_UTF8 && (defaultChar || usedDefaultChar))) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t len = srcLen < 0 ? wcslen(src) + 1 : size_t(srcLen);
    std::u16string units = ToUnits(src, len);
    bool used = false;
    std::string out;
    if (!Encode(codePage, units.data(), units.size(), (flags & WC_ERR_INVALID_CHARS) != 0,
                defaultChar, used, out)) {
        SetError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
    if (dstLen == 0) return int(out.size());
    if (out.size() > size_t(dstLen)) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(dst, out.data(), out.size());
    return int(out.size());
}

int _wcsicmp(const wchar_t* a, const wchar_t* b) {
    std::wstring ua = ToUpperWide(a), ub = ToUpperWide(b);
    // Windows compares the lower-case forms; for ordering purposes upper-casing is close enough.
    return ua.compare(ub) < 0 ? -1 : (ua == ub ? 0 : 1);
}
