// Reading response headers the way HTTP defines them.
//
// Header names are case-insensitive: a gateway speaking HTTP/2 to the service
// sends every name in lower case, an HTTP/1.1 server usually capitalises them.
// The maps keep each name as received; these helpers look names up without
// regard to ASCII case and read the few values the client relies on strictly,
// so a value that cannot be read is told apart from a value of 0.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace objstore {

using HeaderMap = std::map<std::string, std::string>;

// The value of the first header (in map order) whose name equals name without
// regard to ASCII case; nullptr when there is none.
const std::string* FindHeader(const HeaderMap& headers, const std::string& name);

// FindHeader's value, or "" when there is none.
std::string HeaderValue(const HeaderMap& headers, const std::string& name);

// A Content-Length value: decimal digits only, optional surrounding blanks, no
// overflow. Anything else is unreadable (nullopt).
std::optional<uint64_t> ParseContentLength(const std::string& value);

// A byte Content-Range: "bytes first-last/total" (total may be "*") or the
// unsatisfied form "bytes */total".
struct ContentRange {
    bool satisfied = false;         // false for "bytes */total"
    uint64_t first = 0;             // meaningful when satisfied
    uint64_t last = 0;              // inclusive; first <= last when satisfied
    std::optional<uint64_t> total;  // nullopt for "*"
};

// nullopt for anything that is not a well-formed byte range: another unit,
// first > last, last >= total, a missing part, trailing text.
std::optional<ContentRange> ParseContentRange(const std::string& value);

// An entity tag with one leading and one trailing double quote removed.
std::string UnquoteEtag(const std::string& value);

}  // namespace objstore
