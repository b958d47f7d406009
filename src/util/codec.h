// Percent-encodings used in URLs and signatures.
#pragma once

#include <string>

namespace objstore {

// Keeps ASCII letters, digits and "-_.~"; every other byte becomes %XX (upper case).
std::string UrlEncode(const std::string& text);

// As UrlEncode, but "/" is kept as well.
std::string EncodePath(const std::string& text);

}  // namespace objstore
