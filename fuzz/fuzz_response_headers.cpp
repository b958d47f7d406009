// The response header views the download trusts: lookups without regard to
// case, Content-Length, Content-Range, ETag, and the verdict on a slice answer.
// Input: header lines "name: value", the first line's value also read alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "op/object_resp.h"
#include "op/slice_sink.h"
#include "util/header_views.h"

namespace {

objstore::HeaderMap ParseLines(const std::string& text) {
    objstore::HeaderMap headers;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) {
            headers.emplace(line.substr(0, colon), line.substr(colon + 1));
        }
        pos = end + 1;
    }
    return headers;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string firstLine = text.substr(0, text.find('\n'));

    if (const std::optional<objstore::ContentRange> range =
            objstore::ParseContentRange(firstLine)) {
        if (range->satisfied) {
            Check(range->first <= range->last);
            if (range->total) Check(range->last < *range->total);
        } else {
            Check(range->total.has_value());
        }
    }
    (void)objstore::ParseContentLength(firstLine);
    (void)objstore::UnquoteEtag(firstLine);

    const objstore::HeaderMap headers = ParseLines(text);
    objstore::HeadObjectResp resp;
    resp.ParseHeaders(headers);
    (void)resp.GetContentLength();
    (void)resp.GetEtag();
    (void)resp.GetRequestId();

    const objstore::ObjectIdentity object{8192, "abc"};
    for (int status : {200, 206, 412, 500}) {
        std::string reason;
        const objstore::AnswerVerdict verdict =
            objstore::JudgeAnswerHead(status, headers, object, 4096, 4096, true, &reason);
        // A slice is only ever taken from an answer naming exactly its range.
        if (verdict == objstore::AnswerVerdict::Data) {
            Check(status == 206);
            const std::string* found = objstore::FindHeader(headers, "Content-Range");
            Check(found != nullptr);
            const std::optional<objstore::ContentRange> range = objstore::ParseContentRange(*found);
            Check(range && range->first == 4096 && range->last == 8191 && range->total == 8192u);
        }
    }
    return 0;
}
