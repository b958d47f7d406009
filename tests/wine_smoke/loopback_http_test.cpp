// A plain Poco HTTP client of this build against nginx on loopback: the bytes
// arrive unchanged (no text-mode translation) and the server's own answers
// (404, HEAD) come through.
#include <sstream>
#include <string>

#include <Poco/Net/HTTPClientSession.h>
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/StreamCopier.h>
#include <gtest/gtest.h>

#include "support/test_dir.h"
#include "support/test_server.h"

namespace objstore {
namespace {

using Poco::Net::HTTPRequest;
using Poco::Net::HTTPResponse;

struct Answer {
    int status = 0;
    std::string contentLength;
    std::string body;
};

Answer Fetch(const test::TestServer& server, const std::string& method, const std::string& path) {
    Poco::Net::HTTPClientSession session(server.Host(), server.Port());
    HTTPRequest request(method, path, HTTPRequest::HTTP_1_1);
    session.sendRequest(request);
    HTTPResponse response;
    std::istream& in = session.receiveResponse(response);
    std::ostringstream body;
    Poco::StreamCopier::copyStream(in, body);
    return {static_cast<int>(response.getStatus()), response.get("Content-Length", ""), body.str()};
}

TEST(LoopbackHttp, NginxServesTheFileBytesAndItsOwnAnswers) {
    test::TestDir dir;
    std::string content = "line one\r\nline two\n";
    content += std::string("\0\x1a\xff\r\r\n", 6);
    for (int i = 0; i < 70000; ++i) content += static_cast<char>(i * 7 % 256);
    dir.WriteFile("site/data.bin", content);
    auto server = test::TestServer::Nginx(dir.UnixPathOf("site"));

    const Answer got = Fetch(*server, HTTPRequest::HTTP_GET, "/data.bin");
    EXPECT_EQ(got.status, 200);
    EXPECT_EQ(got.contentLength, std::to_string(content.size()));
    EXPECT_TRUE(got.body == content)
        << "received " << got.body.size() << " bytes, expected " << content.size();

    const Answer head = Fetch(*server, HTTPRequest::HTTP_HEAD, "/data.bin");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.contentLength, std::to_string(content.size()));
    EXPECT_TRUE(head.body.empty());

    EXPECT_EQ(Fetch(*server, HTTPRequest::HTTP_GET, "/missing.bin").status, 404);
}

}  // namespace
}  // namespace objstore
