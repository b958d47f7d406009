// Percent-encodings of URLs and signatures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "util/codec.h"

namespace objstore {
namespace {

TEST(CodecTest, EncodesTheTableOfTexts) {
    struct Case {
        std::string text;
        std::string url;
        std::string path;
    };
    const Case cases[] = {
        {"", "", ""},
        {"a/b c", "a%2Fb%20c", "a/b%20c"},
        {"~", "~", "~"},
        {"AZaz09-_.~", "AZaz09-_.~", "AZaz09-_.~"},
        {"/", "%2F", "/"},
        {"//a//", "%2F%2Fa%2F%2F", "//a//"},
        {"%", "%25", "%25"},
        {"%2F", "%252F", "%252F"},
        {"+ *=&?#", "%2B%20%2A%3D%26%3F%23", "%2B%20%2A%3D%26%3F%23"},
        {"bytes=0-65535", "bytes%3D0-65535", "bytes%3D0-65535"},
        {std::string("a\0b", 3), "a%00b", "a%00b"},
        {"\x7F", "%7F", "%7F"},
        {"\xE4\xB8\xAD/\xFF", "%E4%B8%AD%2F%FF", "%E4%B8%AD/%FF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UrlEncode(c.text), c.url) << "text '" << c.text << "'";
        EXPECT_EQ(EncodePath(c.text), c.path) << "text '" << c.text << "'";
    }
}

// Every single byte: the unreserved set is copied, "/" only by EncodePath, and
// every other byte (all of 128..255 included) becomes "%" and two upper-case digits.
TEST(CodecTest, EncodesEverySingleByte) {
    const char* unreserved = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.~";
    for (int b = 0; b < 256; ++b) {
        const std::string text(1, static_cast<char>(b));
        char escaped[4];
        std::snprintf(escaped, sizeof(escaped), "%%%02X", b);
        const bool kept = b != 0 && std::strchr(unreserved, b) != nullptr;
        EXPECT_EQ(UrlEncode(text), kept ? text : std::string(escaped)) << "byte " << b;
        EXPECT_EQ(EncodePath(text), kept || b == '/' ? text : std::string(escaped)) << "byte " << b;
        if (b >= 128) {
            EXPECT_EQ(UrlEncode(text).size(), 3u) << "byte " << b;
        }
    }
}

}  // namespace
}  // namespace objstore
