// Results and the parsing of the service's XML error bodies.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "op/cos_result.h"
#include "test_support.h"

namespace objstore {
namespace {

using Map = std::map<std::string, std::string>;

// Log statements are checked through the callback; standard output stays quiet.
class CosResultTest : public test::SettingsTest {
  protected:
    void SetUp() override {
        SettingsTest::SetUp();
        CosGlobalSettings::Instance().SetLogOutput(0);
        capture = std::make_unique<test::LogCapture>();
    }
    void TearDown() override {
        capture.reset();
        SettingsTest::TearDown();
    }

    size_t Errors() const { return capture->CountContaining("[ERR] "); }
    size_t Warnings() const { return capture->CountContaining("[WARN] "); }
    std::vector<std::string> Lines() const { return capture->Lines(); }

    std::unique_ptr<test::LogCapture> capture;
};

const char kErrorBody[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Error>\n"
    "  <Code>AccessDenied</Code>\n"
    "  <Message>Access Denied &amp; logged</Message>\n"
    "  <Resource>pkgs-42.cos.ap-example.storage.example/8.5/base.zip</Resource>\n"
    "  <RequestId>NjQ1ZGQ3</RequestId>\n"
    "</Error>\n";

TEST_F(CosResultTest, NewResultHoldsTheInitialValues) {
    const CosResult result;
    EXPECT_FALSE(result.IsSucc());
    EXPECT_EQ(result.GetHttpStatus(), -1);
    EXPECT_EQ(result.GetErrorCode(), "");
    EXPECT_EQ(result.GetErrorMsg(), "");
    EXPECT_EQ(result.GetResourceAddr(), "");
    EXPECT_EQ(result.GetXCosRequestId(), "");
    EXPECT_EQ(result.GetXCosTraceId(), "");
    EXPECT_EQ(result.GetXCosServerTime(), "");
}

TEST_F(CosResultTest, ForbiddenAnswerFillsTheFieldsOfBodyAndHeader) {
    CosResult result;
    result.SetHttpStatus(403);
    EXPECT_TRUE(result.ParseFromHttpResponse({{"x-cos-trace-id", "trace-7"}}, kErrorBody));
    EXPECT_EQ(result.GetErrorCode(), "AccessDenied");
    EXPECT_EQ(result.GetErrorMsg(), "Access Denied & logged");
    EXPECT_EQ(result.GetResourceAddr(), "pkgs-42.cos.ap-example.storage.example/8.5/base.zip");
    EXPECT_EQ(result.GetXCosRequestId(), "NjQ1ZGQ3");
    EXPECT_EQ(result.GetXCosTraceId(), "trace-7");
    EXPECT_EQ(result.GetXCosServerTime(), "");
    EXPECT_EQ(result.GetHttpStatus(), 403);
    EXPECT_FALSE(result.IsSucc());
    EXPECT_TRUE(Lines().empty());
}

TEST_F(CosResultTest, BodyIdsReplaceHeaderIdsAndServerTimeIsRead) {
    CosResult result;
    const Map headers = {{"x-cos-request-id", "header-req"}, {"x-cos-trace-id", "header-trace"}};
    EXPECT_TRUE(result.ParseFromHttpResponse(
        headers,
        "<Error><RequestId>body-req</RequestId><TraceId>body-trace</TraceId>"
        "<ServerTime>2024-05-01T09:30:00Z</ServerTime></Error>"));
    EXPECT_EQ(result.GetXCosRequestId(), "body-req");
    EXPECT_EQ(result.GetXCosTraceId(), "body-trace");
    EXPECT_EQ(result.GetXCosServerTime(), "2024-05-01T09:30:00Z");

    CosResult headerOnly;
    EXPECT_TRUE(headerOnly.ParseFromHttpResponse(headers, "<Error><Code>X</Code></Error>"));
    EXPECT_EQ(headerOnly.GetXCosRequestId(), "header-req");
    EXPECT_EQ(headerOnly.GetXCosTraceId(), "header-trace");
}

// Header names are case-insensitive; the name itself must still match.
TEST_F(CosResultTest, HeaderNamesAreMatchedWithoutRegardToCase) {
    CosResult result;
    result.ParseFromHttpResponse({{"X-Cos-Request-Id", "a"}, {"x-cos-trace-id ", "b"}}, "");
    EXPECT_EQ(result.GetXCosRequestId(), "a");
    EXPECT_EQ(result.GetXCosTraceId(), "");
}

TEST_F(CosResultTest, BodyThatIsNotXmlLogsAnErrorAndKeepsTheHeaderRequestId) {
    CosResult result;
    EXPECT_FALSE(result.ParseFromHttpResponse({{"x-cos-request-id", "req-9"}}, "Not Found"));
    EXPECT_EQ(result.GetXCosRequestId(), "req-9");
    EXPECT_EQ(result.GetErrorCode(), "");
    EXPECT_EQ(result.GetErrorMsg(), "");
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[ERR] "), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("cos_result.cpp:ParseFromHttpResponse("), std::string::npos)
        << lines[0];
    const std::string tail = ") Parse string to xml doc error, xml_body=Not Found\n";
    ASSERT_GE(lines[0].size(), tail.size());
    EXPECT_EQ(lines[0].substr(lines[0].size() - tail.size()), tail);
}

TEST_F(CosResultTest, BodiesWithoutATopLevelErrorElementReturnFalseSilently) {
    const char* bodies[] = {
        "",
        "   \n",
        "\xEF\xBB\xBF",
        "<?xml version=\"1.0\"?><Result><Code>X</Code></Result>",
        "<error><Code>X</Code></error>",
        "<ERROR><Code>X</Code></ERROR>",
        "<Root><Error><Code>X</Code></Error></Root>",
        "<!-- only a comment -->",
    };
    for (const char* body : bodies) {
        CosResult result;
        EXPECT_FALSE(result.ParseFromHttpResponse({}, body)) << body;
        EXPECT_EQ(result.GetErrorCode(), "") << body;
    }
    EXPECT_TRUE(Lines().empty());
}

TEST_F(CosResultTest, FirstTopLevelErrorElementIsRead) {
    CosResult result;
    EXPECT_TRUE(result.ParseFromHttpResponse(
        {}, "<Other/><Error><Code>First</Code></Error><Error><Code>Second</Code></Error>"));
    EXPECT_EQ(result.GetErrorCode(), "First");
}

TEST_F(CosResultTest, UnknownChildLogsOneWarningAndStillSucceeds) {
    const std::string body =
        "<Error><Code>NoSuchKey</Code><Extra>1</Extra><Message>gone</Message></Error>";
    CosResult result;
    EXPECT_TRUE(result.ParseFromHttpResponse({}, body));
    EXPECT_EQ(result.GetErrorCode(), "NoSuchKey");
    EXPECT_EQ(result.GetErrorMsg(), "gone");
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[WARN] "), std::string::npos) << lines[0];
    const std::string tail = ") Unknown field, field_name=Extra, xml_body=" + body + "\n";
    ASSERT_GE(lines[0].size(), tail.size());
    EXPECT_EQ(lines[0].substr(lines[0].size() - tail.size()), tail);
    EXPECT_NE(lines[0].find("cos_result.cpp:ParseFromHttpResponse("), std::string::npos);
}

TEST_F(CosResultTest, ChildNamesAreMatchedExactly) {
    CosResult result;
    EXPECT_TRUE(result.ParseFromHttpResponse({}, "<Error><code>a</code><CODE>b</CODE></Error>"));
    EXPECT_EQ(result.GetErrorCode(), "");
    EXPECT_EQ(Warnings(), 2u);
}

TEST_F(CosResultTest, ByteOrderMarkIsSkipped) {
    CosResult result;
    EXPECT_TRUE(result.ParseFromHttpResponse(
        {}, std::string("\xEF\xBB\xBF") + "<Error><Code>SlowDown</Code></Error>"));
    EXPECT_EQ(result.GetErrorCode(), "SlowDown");
    EXPECT_TRUE(Lines().empty());
}

TEST_F(CosResultTest, MalformedBodiesReturnFalseWithOneErrorEach) {
    const std::string bodies[] = {
        "<Error><Code>NoSuchKey</Co",
        "<Error><Code>NoSuchKey</Code>",
        "<Error",
        "<",
        std::string("<Error><Code>A") + '\0' + "B</Code></Error>",
    };
    for (const std::string& body : bodies) {
        CosResult result;
        result.SetErrorMsg("kept");
        EXPECT_FALSE(result.ParseFromHttpResponse({{"x-cos-request-id", "r"}}, body)) << body;
        EXPECT_EQ(result.GetXCosRequestId(), "r");
        EXPECT_EQ(result.GetErrorMsg(), "kept");
    }
    EXPECT_EQ(Errors(), std::size(bodies));
    EXPECT_EQ(Lines().size(), std::size(bodies));
}

TEST_F(CosResultTest, NonAsciiBytesAreKeptAsTheyAre) {
    const std::string message = "\xE4\xB8\xAD\xE6\x96\x87 \xFF\xFE\x80";
    CosResult result;
    EXPECT_TRUE(result.ParseFromHttpResponse({{"x-cos-request-id", "\xC3\xA9"}},
                                             "<Error><Message>" + message + "</Message></Error>"));
    EXPECT_EQ(result.GetErrorMsg(), message);
    EXPECT_EQ(result.GetXCosRequestId(), "\xC3\xA9");
}

TEST_F(CosResultTest, HugeBodiesAreParsedOrRefusedWithoutHarm) {
    const std::string big(8 * 1024 * 1024, 'a');
    CosResult result;
    EXPECT_TRUE(result.ParseFromHttpResponse({}, "<Error><Message>" + big + "</Message></Error>"));
    EXPECT_EQ(result.GetErrorMsg(), big);

    // Not XML: the error line carries the body, cut to the log line buffer.
    CosResult notXml;
    EXPECT_FALSE(notXml.ParseFromHttpResponse({}, big));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LT(lines[0].size(), 1024u + 64u);
    EXPECT_NE(lines[0].back(), '\n');
}

std::string Nested(const std::string& open, const std::string& close, int depth) {
    std::string text;
    text.reserve((open.size() + close.size()) * static_cast<size_t>(depth));
    for (int i = 0; i < depth; ++i) text += open;
    for (int i = 0; i < depth; ++i) text += close;
    return text;
}

// Pathologically deep documents must not exhaust the stack of the parser; they
// are refused like a document that does not parse.
TEST_F(CosResultTest, DeeplyNestedBodiesAreRefused) {
    const int depth = 100000;
    const std::string bodies[] = {
        "<Error>" + Nested("<a>", "</a>", depth) + "</Error>", Nested("<Error>", "</Error>", depth),
        // Text that looks like closing tags must not hide the depth.
        "<Error>" + Nested("<a x=\"/>\">", "</a>", depth) + "</Error>",
        "<Error>" + Nested("<a x='</b>'>", "</a>", depth) + "</Error>",
        "<Error><!--" + Nested("", "</a>", depth) + "-->" + Nested("<a>", "</a>", depth) +
            "</Error>",
        "<Error><![CDATA[" + Nested("", "</a>", depth) + "]]>" + Nested("<a>", "</a>", depth) +
            "</Error>",
        "<?pi " + Nested("", "</a>", depth) + "?><Error>" + Nested("<a>", "</a>", depth) +
            "</Error>",
        "<Error>" + Nested("<a>", "", depth),  // deep and truncated
    };
    for (const std::string& body : bodies) {
        CosResult result;
        EXPECT_FALSE(result.ParseFromHttpResponse({{"x-cos-request-id", "r"}}, body))
            << body.substr(0, 40);
        EXPECT_EQ(result.GetXCosRequestId(), "r");
    }
    EXPECT_EQ(Errors(), std::size(bodies));
}

// Ordinary nesting inside an error body stays readable.
TEST_F(CosResultTest, ModestNestingIsParsed) {
    CosResult result;
    EXPECT_TRUE(result.ParseFromHttpResponse({}, "<Error><Code>A</Code><Detail>" +
                                                     Nested("<d>", "</d>", 20) +
                                                     "<e/><f x=\"/>\"/>" + "</Detail></Error>"));
    EXPECT_EQ(result.GetErrorCode(), "A");
    EXPECT_EQ(Warnings(), 1u);  // Detail
    EXPECT_EQ(Errors(), 0u);
}

TEST_F(CosResultTest, RetryOnAlternateDomainTable) {
    struct Case {
        int status;
        const char* requestId;
        bool switchOn;
        bool retry;
    };
    const Case cases[] = {
        {404, "req", true, false}, {-1, "", true, true},   {-1, "", false, false},
        {404, "", false, false},   {404, "", true, true},  {503, "", true, true},
        {503, "req", true, false}, {200, "", true, false}, {299, "", true, false},
        {199, "", true, true},     {300, "", true, true},  {0, "", true, true},
    };
    for (const Case& c : cases) {
        CosGlobalSettings::Instance().SetRetryOnAlternateDomain(c.switchOn);
        CosResult result;
        result.SetHttpStatus(c.status);
        result.SetXCosRequestId(c.requestId);
        EXPECT_EQ(result.ShouldRetryOnAlternateDomain(), c.retry)
            << "status " << c.status << ", request id '" << c.requestId << "', switch "
            << c.switchOn;
    }
}

TEST_F(CosResultTest, ResultIsAPlainCopyableValue) {
    CosResult result;
    result.SetSucc();
    result.SetHttpStatus(206);
    result.SetErrorCode("c");
    result.SetErrorMsg("m");
    result.SetResourceAddr("r");
    result.SetXCosRequestId("q");
    result.SetXCosTraceId("t");
    result.SetXCosServerTime("s");
    const CosResult copy = result;
    result.SetFail();
    result.SetErrorCode("changed");
    EXPECT_TRUE(copy.IsSucc());
    EXPECT_EQ(copy.GetHttpStatus(), 206);
    EXPECT_EQ(copy.GetErrorCode(), "c");
    EXPECT_EQ(copy.GetErrorMsg(), "m");
    EXPECT_EQ(copy.GetResourceAddr(), "r");
    EXPECT_EQ(copy.GetXCosRequestId(), "q");
    EXPECT_EQ(copy.GetXCosTraceId(), "t");
    EXPECT_EQ(copy.GetXCosServerTime(), "s");
    EXPECT_FALSE(result.IsSucc());
}

}  // namespace
}  // namespace objstore
