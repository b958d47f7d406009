// Response header lookups without regard to case, and the strict readings of
// Content-Length and Content-Range the download relies on.
#include <gtest/gtest.h>

#include "op/base_resp.h"
#include "op/cos_result.h"
#include "op/object_resp.h"
#include "util/header_views.h"

namespace objstore {
namespace {

TEST(HeaderViews, NamesAreFoundInAnyCaseAndKeepTheirSpelling) {
    const HeaderMap headers = {{"content-length", "12"},
                               {"etag", "\"abc\""},
                               {"X-Cos-Request-Id", "rid"},
                               {"x-cos-meta-Owner", "me"},
                               {"X-COS-OBJECT-TYPE", "normal"}};
    EXPECT_EQ(HeaderValue(headers, "Content-Length"), "12");
    EXPECT_EQ(FindHeader(headers, "Content-Range"), nullptr);

    HeadObjectResp resp;
    resp.ParseHeaders(headers);
    EXPECT_EQ(resp.GetContentLength(), 12u);
    EXPECT_EQ(resp.GetEtag(), "abc");
    EXPECT_EQ(resp.GetRequestId(), "rid");
    EXPECT_EQ(resp.GetXCosObjectType(), "normal");
    EXPECT_EQ(resp.GetXCosMeta("Owner"), "me");
    EXPECT_EQ(resp.GetHeaders().count("content-length"), 1u);  // stored as received

    CosResult result;
    result.ParseFromHttpResponse({{"X-COS-REQUEST-ID", "r2"}, {"x-cos-trace-id", "t"}}, "");
    EXPECT_EQ(result.GetXCosRequestId(), "r2");
    EXPECT_EQ(result.GetXCosTraceId(), "t");
}

TEST(HeaderViews, ContentLengthIsReadStrictly) {
    const std::pair<const char*, std::optional<uint64_t>> cases[] = {
        {"0", 0},
        {"12", 12},
        {" 42\t", 42},
        {"18446744073709551615", 18446744073709551615ull},
        {"18446744073709551616", std::nullopt},  // one past 64 bits
        {"", std::nullopt},
        {"12x", std::nullopt},
        {"-1", std::nullopt},
        {"1 2", std::nullopt},
        {"0x10", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ParseContentLength(text), expected) << "'" << text << "'";
    }
}

TEST(HeaderViews, ContentRangeIsReadStrictly) {
    struct Case {
        const char* text;
        bool valid;
        bool satisfied;
        uint64_t first, last;
        std::optional<uint64_t> total;
    };
    const Case cases[] = {
        {"bytes 0-0/1", true, true, 0, 0, 1},
        {"bytes 4096-8191/8192", true, true, 4096, 8191, 8192},
        {"BYTES 1-2/3", true, true, 1, 2, 3},
        {"bytes 1-2/*", true, true, 1, 2, std::nullopt},
        {"bytes */0", true, false, 0, 0, 0},
        {"bytes */100", true, false, 0, 0, 100},
        {"bytes */*", false, false, 0, 0, std::nullopt},
        {"bytes 5-2/10", false, false, 0, 0, std::nullopt},   // first after last
        {"bytes 0-10/10", false, false, 0, 0, std::nullopt},  // last beyond the end
        {"bytes 0-9", false, false, 0, 0, std::nullopt},
        {"bytes 0-9/10x", false, false, 0, 0, std::nullopt},
        {"items 0-9/10", false, false, 0, 0, std::nullopt},
        {"bytes=0-9/10", false, false, 0, 0, std::nullopt},
        {"bytes -9/10", false, false, 0, 0, std::nullopt},
        {"", false, false, 0, 0, std::nullopt},
        {"bytes 0-18446744073709551616/5", false, false, 0, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<ContentRange> range = ParseContentRange(c.text);
        ASSERT_EQ(range.has_value(), c.valid);
        if (!range) continue;
        EXPECT_EQ(range->satisfied, c.satisfied);
        EXPECT_EQ(range->first, c.first);
        EXPECT_EQ(range->last, c.last);
        EXPECT_EQ(range->total, c.total);
    }
}

}  // namespace
}  // namespace objstore
