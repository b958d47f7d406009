// The HTTP transport against scripted loopback servers: headers, bodies, every
// failure kind and its error text.
#include <Poco/DigestEngine.h>
#include <Poco/MD5Engine.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/StreamSocket.h>
#include <gtest/gtest.h>

#include <limits>
#include <mutex>
#include <sstream>
#include <thread>

#include "log_capture.h"
#include "op/object_req.h"
#include "scripted_server.h"
#include "trsf/transfer_handler.h"
#include "util/cos_global_settings.h"
#include "util/http_sender.h"

namespace objstore {
namespace {

using test::ScriptedServer;
using Request = Poco::Net::HTTPServerRequest;
using Response = Poco::Net::HTTPServerResponse;
using StringMap = std::map<std::string, std::string>;

class TransportTest : public ::testing::Test {
  protected:
    void SetUp() override { CosGlobalSettings::Instance().SetLogLevel(0); }
    void TearDown() override { CosGlobalSettings::Instance().ResetToDefaults(); }

    struct Outcome {
        int status;
        StringMap headers;
        std::string body;
        std::string error;
    };

    static Outcome Send(const std::string& method, const std::string& url,
                        const StringMap& params = {}, uint64_t connectMs = 5000,
                        uint64_t receiveMs = 5000, bool checkMd5 = false,
                        const std::shared_ptr<TransferHandler>& handler = nullptr) {
        HttpSendOptions options;
        options.handler = handler;
        options.method = method;
        options.url = url;
        options.params = params;
        options.headers = {{"User-Agent", "t"}};
        options.connectTimeoutMs = connectMs;
        options.receiveTimeoutMs = receiveMs;
        options.checkBodyMd5 = checkMd5;
        HttpAnswer answer;
        Outcome out;
        out.status = HttpSender::SendRequest(options, "", &out.body, &answer);
        out.headers = answer.headers;
        out.error = answer.errorText;
        EXPECT_EQ(answer.status, out.status);
        return out;
    }

    static std::string Md5(const std::string& text) {
        Poco::MD5Engine md5;
        md5.update(text);
        return Poco::DigestEngine::digestToHex(md5.digest());
    }
};

TEST_F(TransportTest, SendsTargetHeadersAndZeroLengthAndReturnsTheAnswer) {
    std::string seenTarget, seenLength, seenAgent;
    ScriptedServer server([&](Request& request, Response& response) {
        seenTarget = request.getURI();
        seenLength = request.get("Content-Length", "<none>");
        seenAgent = request.get("User-Agent", "");
        response.set("Etag", "\"abc\"");
        response.set("x-cos-request-id", "rid-1");
        response.setStatus(Poco::Net::HTTPResponse::HTTP_NOT_FOUND);
        response.send() << "<Error/>";
    });
    Outcome out = Send("HEAD", "http://" + server.Address() + "/pkg/a b.zip",
                       {{"versionId", "7"}, {"acl", ""}});
    EXPECT_EQ(out.status, 404);  // an error status is an answer, not a failure
    EXPECT_EQ(seenTarget, "/pkg/a%20b.zip?acl&versionId=7");
    EXPECT_EQ(seenLength, "0");
    EXPECT_EQ(seenAgent, "t");
    EXPECT_EQ(out.headers.count("Etag"), 0u);
    EXPECT_EQ(out.headers["ETag"], "\"abc\"");
    EXPECT_EQ(out.headers["x-cos-request-id"], "rid-1");
    EXPECT_EQ(out.body, "");  // HEAD has no body

    Outcome get = Send("GET", "http://" + server.Address() + "/x");
    EXPECT_EQ(get.status, 404);
    EXPECT_EQ(get.body, "<Error/>");
}

TEST_F(TransportTest, TargetEncodingTable) {
    struct Case {
        std::string path;
        StringMap params;
        std::string target;
    };
    const Case cases[] = {
        {"", {}, "/"},
        {"/a/b c+d", {}, "/a/b%20c%2Bd"},
        {"/k", {{"a b", "c/d"}}, "/k?a%20b=c%2Fd"},
        {"/k", {{"x", ""}, {"y", ""}}, "/k?x&y"},
        {"/\xE4\xB8\xAD.zip", {}, "/%E4%B8%AD.zip"},
    };
    for (const Case& c : cases) EXPECT_EQ(HttpSender::BuildTarget(c.path, c.params), c.target);
}

TEST_F(TransportTest, FailuresBecomeMinusOneWithTheirErrorText) {
    // A port that was free a moment ago refuses connections.
    uint16_t closedPort;
    {
        Poco::Net::ServerSocket probe(Poco::Net::SocketAddress("127.0.0.1", 0));
        closedPort = probe.address().port();
    }
    Outcome refused = Send("GET", "http://127.0.0.1:" + std::to_string(closedPort) + "/a");
    EXPECT_EQ(refused.status, -1);
    EXPECT_EQ(refused.error.rfind("Net Exception:", 0), 0u) << refused.error;

    Outcome badUrl = Send("GET", "http://[::1/broken");
    EXPECT_EQ(badUrl.status, -1);
    EXPECT_EQ(badUrl.error.rfind("url:http://[::1/broken    URISyntaxException:", 0), 0u)
        << badUrl.error;
}

TEST_F(TransportTest, ReceiveTimeoutWhenTheServerDoesNotAnswer) {
    ScriptedServer server([&](Request&, Response& response) {
        server.Hang(std::chrono::seconds(10));
        response.send();
    });
    Outcome out = Send("GET", "http://" + server.Address() + "/slow", {}, 5000, 200);
    EXPECT_EQ(out.status, -1);
    EXPECT_EQ(out.error.rfind("TimeoutException:", 0), 0u) << out.error;
}

TEST_F(TransportTest, ConnectTimeoutWhenTheListenerAcceptsNobody) {
    // A listener with a full accept queue drops further connection attempts.
    Poco::Net::ServerSocket listener(Poco::Net::SocketAddress("127.0.0.1", 0), 1);
    std::vector<Poco::Net::StreamSocket> fillers;
    for (int i = 0; i < 4; ++i) {
        try {
            Poco::Net::StreamSocket filler;
            filler.connect(listener.address(), Poco::Timespan(0, 200000));
            fillers.push_back(filler);
        } catch (const Poco::Exception&) {
            break;  // the queue is full already
        }
    }
    Outcome out = Send("GET", "http://" + listener.address().toString() + "/a", {}, 300, 5000);
    EXPECT_EQ(out.status, -1);
    EXPECT_EQ(out.error.rfind("TimeoutException:", 0), 0u) << out.error;
}

TEST_F(TransportTest, FailuresInsideTheBodySurfaceAsThemselves) {
    // A chunked body carries no length to check: the receive time-out itself must
    // end the request.
    ScriptedServer stalled([&](Request&, Response& response) {
        response.setChunkedTransferEncoding(true);
        std::ostream& body = response.send();
        body << std::string(5000, 'c');
        body.flush();
        stalled.Hang(std::chrono::seconds(10));
    });
    Outcome timedOut = Send("GET", "http://" + stalled.Address() + "/a", {}, 5000, 300);
    EXPECT_EQ(timedOut.status, -1);
    EXPECT_EQ(timedOut.error.rfind("TimeoutException:", 0), 0u) << timedOut.error;

    // A malformed answer is a plain failure, not a URL error.
    Poco::Net::ServerSocket raw(Poco::Net::SocketAddress("127.0.0.1", 0));
    std::thread answer([&raw] {
        Poco::Net::StreamSocket peer = raw.acceptConnection();
        char request[4096];
        peer.receiveBytes(request, sizeof(request));
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 12x\r\n\r\n123456789012";
        peer.sendBytes(reply.data(), static_cast<int>(reply.size()));
        peer.shutdown();
    });
    Outcome bad = Send("GET", "http://" + raw.address().toString() + "/a");
    answer.join();
    EXPECT_EQ(bad.status, -1);
    EXPECT_EQ(bad.error.rfind("Exception:", 0), 0u) << bad.error;
}

TEST_F(TransportTest, StatementsAreLoggedUnderSendRequest) {
    test::LogCapture log;
    ScriptedServer server([](Request&, Response& response) {
        // Two halves with a pause: more than 100 KiB taking more than 1 ms.
        response.setContentLength(400000);
        std::ostream& body = response.send();
        body << std::string(200000, 'a');
        body.flush();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        body << std::string(200000, 'b');
    });
    Outcome out = Send("GET", "http://" + server.Address() + "/big");
    ASSERT_EQ(out.status, 200) << out.error;
    const std::vector<std::string> lines = log.Lines();

    std::vector<std::string> expected = {"send request to [http://" + server.Address() + "/big]",
                                         "request=[GET /big HTTP/1.1", "send_size: 400000",
                                         "response header :", "Send request over, status=200"};
    for (const std::string& text : expected) {
        bool found = false;
        for (const std::string& line : lines) {
            if (line.find(text) == std::string::npos) continue;
            found = true;
            EXPECT_NE(line.find("http_sender.cpp:SendRequest("), std::string::npos) << line;
        }
        EXPECT_TRUE(found) << text;
    }
}

TEST_F(TransportTest, HugeTimeoutsAreClampedNotWrapped) {
    // 2^32 ms would wrap to 0 µs in 32 bits and fail at once; clamped it waits.
    ScriptedServer server([&](Request&, Response& response) {
        server.Hang(std::chrono::milliseconds(300));
        response.send() << "late";
    });
    Outcome out = Send("GET", "http://" + server.Address() + "/a", {}, 1ull << 32,
                       std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(out.status, 200) << out.error;
    EXPECT_EQ(out.body, "late");
}

TEST_F(TransportTest, ABodyCutShortIsAFailureNotAShortSuccess) {
    ScriptedServer server([](Request&, Response& response) {
        response.setContentLength(100000);
        std::ostream& body = response.send();
        body << std::string(1000, 'x');
        body.flush();
        // The handler returns: the server closes the connection 99000 bytes early.
    });
    Outcome out = Send("GET", "http://" + server.Address() + "/a");
    EXPECT_EQ(out.status, -1);
    EXPECT_EQ(out.error, "Incomplete response body: received 1000 of 100000 bytes");
    EXPECT_EQ(out.body.size(), 1000u);  // what arrived is still handed over
}

TEST_F(TransportTest, CancelDuringTheBodyStopsTheRequest) {
    const std::string payload(1 << 20, 'p');
    ScriptedServer server([&](Request&, Response& response) {
        response.setContentLength(static_cast<std::streamsize>(payload.size()));
        response.send() << payload;
    });
    auto handler = std::make_shared<TransferHandler>();
    handler->SetTotalSize(payload.size());
    AsyncMultiGetObjectReq req("b", "k", "unused");
    req.SetTransferProgressCallback([&handler](uint64_t done, uint64_t, void*) {
        if (done >= 65536) handler->Cancel();
    });
    handler->InitFromRequest(req);
    Outcome out = Send("GET", "http://" + server.Address() + "/a", {}, 5000, 5000, false, handler);
    EXPECT_EQ(out.status, -1);
    EXPECT_EQ(out.error, "Request canceled by user");
    EXPECT_LT(handler->GetTransferredSize(), payload.size());
}

TEST_F(TransportTest, BodyMd5IsComparedWithASinglePartEtagOnly) {
    const std::string body = "object body";
    struct Case {
        std::string etag;
        int status;
    };
    const Case cases[] = {
        {"\"" + Md5(body) + "\"", 200},                // matches
        {"\"" + Md5("something else") + "\"", -1},     // differs
        {"\"" + Md5("something else") + "-3\"", 200},  // multipart tag: not compared
        {"\"short\"", 200},                            // not an MD5: not compared
    };
    for (const Case& c : cases) {
        ScriptedServer server([&](Request&, Response& response) {
            response.set("ETag", c.etag);
            response.send() << body;
        });
        Outcome out = Send("GET", "http://" + server.Address() + "/a", {}, 5000, 5000, true);
        EXPECT_EQ(out.status, c.status) << c.etag;
        EXPECT_EQ(out.body, body) << c.etag;
        if (c.status == -1) {
            EXPECT_EQ(out.error,
                      "Md5 of response body is not equal to the etag in the header. "
                      "Body Md5= " +
                          Md5(body) + ", etag=" + Md5("something else"));
        }
    }
}

}  // namespace
}  // namespace objstore
