// The request target of an object request: the object key and the query
// parameters, decoded and checked so that no key can name a file outside the
// served folder.
#pragma once

#include <map>
#include <string>

namespace standin {

struct ObjectTarget {
    bool valid = false;
    std::string path;  // "/" + key, decoded: the text a client signs
    std::string key;   // path without the leading "/"; "" for the bucket itself
    std::map<std::string, std::string> params;  // decoded query parameters
    std::string problem;                        // why the target was refused
};

// Splits and decodes a raw origin-form target ("/a%20b.zip?x=1"). Refuses
// malformed percent-escapes, encoded "." or "/", NUL bytes, backslashes, empty,
// "." and ".." segments, and targets that do not begin with "/".
ObjectTarget ParseObjectTarget(const std::string& rawTarget);

}  // namespace standin
