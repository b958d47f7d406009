// The Range header of an object request.
#pragma once

#include <cstdint>
#include <string>

namespace standin {

struct RangeRequest {
    enum class Kind {
        Whole,    // no Range, or one the service ignores (other unit, several ranges, bad syntax)
        Partial,  // one satisfiable range: [first, last]
        Unsatisfiable,  // one well-formed range outside the object
    };
    Kind kind = Kind::Whole;
    uint64_t first = 0;
    uint64_t last = 0;
};

// Resolves "bytes=a-b", "bytes=a-" and "bytes=-n" against an object of the given
// size; the last position is clamped to the object's end.
RangeRequest ResolveRange(const std::string& header, uint64_t size);

}  // namespace standin
