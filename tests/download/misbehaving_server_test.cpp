// The download against servers that misbehave the way real servers, proxies and
// gateways do. None of them may turn into a success with a file that is not the
// object; the ones that still serve the object must give it exactly.
#include <gtest/gtest.h>

#include <Poco/DigestEngine.h>
#include <Poco/MD5Engine.h>
#include <Poco/Pipe.h>
#include <Poco/PipeStream.h>
#include <Poco/Process.h>
#include <Poco/String.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "op/object_op.h"
#include "profile_param.h"
#include "raw_server.h"
#include "support/test_dir.h"
#include "trsf/transfer_handler.h"
#include "util/cos_global_settings.h"

namespace objstore {
namespace {

using test::RawAnswer;
using test::RawRequest;
using test::RawServer;

using test::RandomBytes;
using test::ReadFile;

constexpr uint32_t kSlice = 4096;

std::string Md5(const std::string& text) {
    Poco::MD5Engine md5;
    md5.update(text);
    return Poco::DigestEngine::digestToHex(md5.digest());
}

// How the object server misbehaves.
struct Behaviour {
    bool lowerCaseNames = false;  // every header name in lower case, as HTTP/2 gateways send
    bool headLength = true;       // Content-Length on head answers
    bool chunkedHead = false;     // a head answer that announces a chunked body
    bool ignoreRanges = false;    // 200 with the whole object for every GET
    bool honourIfMatch = false;   // 412 when If-Match names another version
    bool probeHasLength = true;   // the answer to "bytes=0-0" states the length
};

// Serves one object, which a test may replace at any time.
class ObjectServer {
  public:
    ObjectServer(std::string content, Behaviour behaviour)
        : m_content(std::move(content)),
          m_behaviour(behaviour),
          m_server([this](const RawRequest& request) { return Answer(request); }) {}

    void Replace(std::string content) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_content = std::move(content);
    }
    // Replaces the object when the GET for this first byte arrives.
    void ReplaceOnRangeFrom(uint64_t offset, std::string content) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_replaceAt = offset;
        m_replacement = std::move(content);
    }

    RawServer& Server() { return m_server; }
    std::vector<std::string> Authorizations() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_authorizations;
    }
    std::vector<std::string> Ranges() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_ranges;
    }

  private:
    RawAnswer Answer(const RawRequest& request) {
        std::string content;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            uint64_t first = 0, last = 0;
            if (m_replaceAt && test::ParseRange(request, &first, &last) && first == *m_replaceAt) {
                m_content = m_replacement;
                m_replaceAt.reset();
            }
            content = m_content;
            m_authorizations.push_back(request.Header("authorization"));
            m_ranges.push_back(request.method + " " + request.Header("range"));
        }
        const std::string etag = "\"" + Md5(content) + "\"";
        std::vector<std::pair<std::string, std::string>> headers = {
            {"ETag", etag}, {"x-cos-request-id", "rid"}, {"Connection", "close"}};

        if (m_behaviour.honourIfMatch && !request.Header("if-match").empty() &&
            request.Header("if-match") != etag) {
            return Head(412, "Precondition Failed", headers, "");
        }
        if (request.method == "HEAD") {
            if (m_behaviour.headLength) {
                headers.push_back({"Content-Length", std::to_string(content.size())});
            }
            if (m_behaviour.chunkedHead) headers.push_back({"Transfer-Encoding", "chunked"});
            return Head(200, "OK", headers, "", false);
        }
        uint64_t first = 0, last = 0;
        const bool ranged = test::ParseRange(request, &first, &last);
        const bool probe = ranged && first == 0 && last == 0 && !m_behaviour.headLength;
        if (probe && !m_behaviour.probeHasLength) {
            headers.push_back({"Transfer-Encoding", "chunked"});
            return Head(206, "Partial Content", headers, "1\r\nx\r\n0\r\n\r\n", false);
        }
        if (!ranged || m_behaviour.ignoreRanges || first >= content.size()) {
            return Head(200, "OK", headers, content);
        }
        last = std::min<uint64_t>(last, content.size() - 1);
        headers.push_back({"Content-Range", "bytes " + std::to_string(first) + "-" +
                                                std::to_string(last) + "/" +
                                                std::to_string(content.size())});
        return Head(206, "Partial Content", headers, content.substr(first, last - first + 1));
    }

    RawAnswer Head(int status, const std::string& reason,
                   std::vector<std::pair<std::string, std::string>> headers, std::string body,
                   bool withLength = true) {
        if (withLength) headers.push_back({"Content-Length", std::to_string(body.size())});
        std::string head = "HTTP/1.1 " + std::to_string(status) + " " + reason;
        for (auto& [name, value] : headers) {
            head +=
                "\r\n" + (m_behaviour.lowerCaseNames ? Poco::toLower(name) : name) + ": " + value;
        }
        return RawAnswer{head, std::move(body)};
    }

    std::mutex m_lock;
    std::string m_content;
    std::optional<uint64_t> m_replaceAt;
    std::string m_replacement;
    std::vector<std::string> m_authorizations;
    std::vector<std::string> m_ranges;
    const Behaviour m_behaviour;
    RawServer m_server;
};

// Every case runs in both transfer profiles.
class MisbehavingServerTest : public ::testing::TestWithParam<TransferProfile> {
  protected:
    void SetUp() override {
        CosGlobalSettings& settings = CosGlobalSettings::Instance();
        settings.SetTransferProfile(GetParam());
        settings.SetLogLevel(0);
        settings.SetRetryPauseMs(1);
        settings.SetDownloadSliceSize(kSlice);
    }
    void TearDown() override { CosGlobalSettings::Instance().ResetToDefaults(); }

    struct Run {
        CosResult result;
        std::shared_ptr<TransferHandler> handler;
        std::string file;
    };

    Run Download(ObjectServer& server, uint32_t threads = 4) {
        return DownloadFrom(server.Server().Address(), threads);
    }

    Run DownloadFrom(const std::string& address, uint32_t threads) {
        CosGlobalSettings& settings = CosGlobalSettings::Instance();
        settings.SetForcedHost(address);
        settings.SetUseForcedHost(true);
        settings.SetDownloadThreads(threads);
        Run run;
        run.file = m_dir.PathOf("out.bin");
        AsyncMultiGetObjectReq req("b", "k", run.file);
        run.handler = std::make_shared<TransferHandler>();
        run.handler->InitFromRequest(req);
        GetObjectByFileResp resp;
        ObjectOp op(std::make_shared<CosConfig>(CosConfig(1, "id", "key", "r")));
        run.result = op.MultiThreadDownload(req, &resp, run.handler);
        return run;
    }

    test::TestDir m_dir;
};

TEST_P(MisbehavingServerTest, LowerCaseHeaderNamesAreUnderstood) {
    const std::string content = RandomBytes(5 * kSlice + 3, 1);
    Behaviour lower;
    lower.lowerCaseNames = true;
    ObjectServer server(content, lower);
    Run run = Download(server);
    ASSERT_TRUE(run.result.IsSucc()) << run.result.GetErrorMsg();
    EXPECT_EQ(ReadFile(run.file), content);
    EXPECT_EQ(run.handler->GetTotalSize(), content.size());
    EXPECT_EQ(run.result.GetXCosRequestId(), "rid");
    EXPECT_EQ(server.Ranges().size(), 1u + 6u);  // the head and six slices, none repeated
}

TEST_P(MisbehavingServerTest, AHeadWithoutLengthIsNeverALengthOfZero) {
    const std::string content = RandomBytes(3 * kSlice + 1, 2);
    struct Case {
        const char* name;
        Behaviour behaviour;
        std::string content;
        bool succeeds;
    };
    Behaviour noLength;
    noLength.headLength = false;
    Behaviour chunked = noLength;
    chunked.chunkedHead = true;
    chunked.lowerCaseNames = true;
    Behaviour nothing = noLength;
    nothing.probeHasLength = false;
    const Case cases[] = {
        {"no Content-Length", noLength, content, true},
        {"chunked head, lower case", chunked, content, true},
        {"empty object", noLength, "", true},
        {"no length anywhere", nothing, content, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectServer server(c.content, c.behaviour);
        std::ofstream(m_dir.PathOf("out.bin")) << "stale";
        Run run = Download(server);
        if (c.succeeds) {
            ASSERT_TRUE(run.result.IsSucc()) << run.result.GetErrorMsg();
            EXPECT_EQ(ReadFile(run.file), c.content);
            EXPECT_EQ(run.handler->GetTotalSize(), c.content.size());
        } else {
            EXPECT_FALSE(run.result.IsSucc());
            EXPECT_EQ(run.handler->GetStatus(), TransferState::Failed);
            EXPECT_NE(run.result.GetErrorMsg().find("states no length"), std::string::npos)
                << run.result.GetErrorMsg();
            EXPECT_EQ(ReadFile(run.file), "stale");  // nothing was opened for writing
        }
    }
}

TEST_P(MisbehavingServerTest, AnObjectReplacedMidwayIsNeverWritten) {
    const std::string original = RandomBytes(8 * kSlice, 3);
    const std::string sameLength = RandomBytes(8 * kSlice, 4);
    const std::string longer = RandomBytes(9 * kSlice, 5);
    struct Case {
        const char* name;
        bool honourIfMatch;
        uint64_t replaceAt;
        std::string replacement;
    };
    const Case cases[] = {
        {"between slices, server ignores If-Match", false, 4 * kSlice, sameLength},
        {"between slices, server honours If-Match", true, 4 * kSlice, sameLength},
        {"after the length query, longer object", false, 0, longer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Behaviour behaviour;
        behaviour.honourIfMatch = c.honourIfMatch;
        ObjectServer server(original, behaviour);
        server.ReplaceOnRangeFrom(c.replaceAt, c.replacement);
        Run run = Download(server, 2);
        EXPECT_FALSE(run.result.IsSucc());
        EXPECT_EQ(run.handler->GetStatus(), TransferState::Failed);
        EXPECT_NE(run.result.GetErrorMsg().find("the object changed during the download"),
                  std::string::npos)
            << run.result.GetErrorMsg();
        // Only slices of the version the length query saw are in the file: in
        // the standard profile those before the replaced one; the fast profile
        // may also have written a slice after it that was answered first.
        const std::string written = ReadFile(run.file);
        EXPECT_TRUE(test::OnlyObjectSlices(written, original, kSlice));
        if (GetParam() == TransferProfile::Standard) {
            EXPECT_EQ(written, original.substr(0, written.size()));
            EXPECT_LE(written.size(), c.replaceAt);
        }
        if (c.honourIfMatch) {
            EXPECT_EQ(run.result.GetHttpStatus(), 412);
        }
        // Another version is final: the slice is not asked for again.
        int asked = 0;
        for (const std::string& range : server.Ranges()) {
            if (range.find("bytes=" + std::to_string(c.replaceAt) + "-") != std::string::npos) {
                ++asked;
            }
        }
        EXPECT_EQ(asked, 1);
    }
}

TEST_P(MisbehavingServerTest, AServerIgnoringRangesGivesTheObjectOnceWithBoundedTraffic) {
    // 1024 slices: read slice by slice from whole-object answers, the traffic
    // would be some 2 GiB and each slice would hold the object in memory.
    const std::string content = RandomBytes(1024 * kSlice, 6);
    Behaviour behaviour;
    behaviour.ignoreRanges = true;
    ObjectServer server(content, behaviour);
    Run run = Download(server, 10);
    ASSERT_TRUE(run.result.IsSucc()) << run.result.GetErrorMsg();
    EXPECT_EQ(run.result.GetHttpStatus(), 200);
    EXPECT_EQ(ReadFile(run.file), content);
    EXPECT_EQ(run.handler->GetTransferredSize(), content.size());
    // The length query, one batch of slice answers left unread, one whole answer.
    EXPECT_LE(server.Server().Requests(), 1 + 10 + 1);
    const uint64_t traffic = server.Server().BodyBytesSent();
    std::printf("object %zu bytes, body bytes sent %llu\n", content.size(),
                static_cast<unsigned long long>(traffic));
    // The unread answers cost at most what the socket buffers hold.
    EXPECT_LE(traffic, content.size() + 10 * (2u << 20));
}

// Progress shows only bytes the download keeps: an error page is not object
// data, and the bytes of an attempt that broke off are taken back.
TEST_P(MisbehavingServerTest, ProgressCountsOnlyTheBytesThatWereKept) {
    const std::string content = RandomBytes(3 * kSlice, 10);
    struct Case {
        const char* name;
        RawAnswer spoiled;  // every answer for the second slice
    };
    const Case cases[] = {
        {"error pages",
         {"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 65536", std::string(65536, 'e')}},
        {"bodies cut short",
         {"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes "
          "4096-8191/12288\r\nContent-Length: 4096",
          content.substr(kSlice, 3000)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawServer server([&](const RawRequest& request) {
            uint64_t first = 0, last = 0;
            if (test::ParseRange(request, &first, &last) && first == kSlice) return c.spoiled;
            return test::ObjectAnswer(content, request);
        });
        Run run = DownloadFrom(server.Address(), 1);
        EXPECT_FALSE(run.result.IsSucc());
        EXPECT_EQ(run.handler->GetTransferredSize(), kSlice);  // the first slice only
        EXPECT_EQ(ReadFile(run.file), content.substr(0, kSlice));
    }
}

TEST_P(MisbehavingServerTest, SlicesAreSignedAgainBeforeTheSignatureExpires) {
    const std::string content = RandomBytes(6 * kSlice, 7);
    // A two-second signing window, refused once it has ended, and slices that
    // take half a second each: the download outlives its first signature.
    CosGlobalSettings::Instance().SetSignExpirySeconds(2);
    std::atomic<int> expired{0};
    std::mutex lock;
    std::vector<std::string> seen;
    RawServer server([&](const RawRequest& request) -> RawAnswer {
        const std::string auth = request.Header("authorization");
        unsigned long long start = 0, end = 0;
        const size_t at = auth.find("q-sign-time=");
        if (at == std::string::npos ||
            std::sscanf(auth.c_str() + at, "q-sign-time=%llu;%llu", &start, &end) != 2 ||
            static_cast<unsigned long long>(std::time(nullptr)) > end) {
            ++expired;
            return RawAnswer{"HTTP/1.1 403 Forbidden\r\nContent-Length: 0", ""};
        }
        {
            std::lock_guard<std::mutex> guard(lock);
            seen.push_back(auth);
        }
        if (request.method == "GET") std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return test::ObjectAnswer(content, request);
    });
    Run run = DownloadFrom(server.Address(), 1);
    ASSERT_TRUE(run.result.IsSucc()) << run.result.GetErrorMsg();
    EXPECT_EQ(ReadFile(run.file), content);
    EXPECT_EQ(expired, 0);
    std::set<std::string> distinct(seen.begin() + 1, seen.end());  // the slices' signatures
    EXPECT_GE(distinct.size(), 2u);
}

TEST_P(MisbehavingServerTest, AShortOutageIsRiddenOutWithPausesBetweenAttempts) {
    // The real pauses (250, 500, 1000 ms) against a server that fails every
    // request of one kind for 700 ms from the first: four attempts in a row would all fail.
    CosGlobalSettings::Instance().ResetToDefaults();
    CosGlobalSettings::Instance().SetTransferProfile(GetParam());
    CosGlobalSettings::Instance().SetLogLevel(0);
    CosGlobalSettings::Instance().SetDownloadSliceSize(kSlice);
    const std::string content = RandomBytes(2 * kSlice, 8);
    for (const char* failing : {"HEAD", "GET"}) {
        SCOPED_TRACE(failing);
        // The outage starts with the first request it hits, however long the client takes to
        // get there (Wine's first connection can take a while).
        std::mutex outageLock;
        std::chrono::steady_clock::time_point outageEnds{};
        std::atomic<int> refused{0};
        RawServer gateway([&](const RawRequest& request) -> RawAnswer {
            if (request.method == failing) {
                std::lock_guard<std::mutex> guard(outageLock);
                const auto now = std::chrono::steady_clock::now();
                if (outageEnds == std::chrono::steady_clock::time_point{})
                    outageEnds = now + std::chrono::milliseconds(700);
                if (now < outageEnds) {
                    ++refused;
                    return RawAnswer{"HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0", ""};
                }
            }
            return test::ObjectAnswer(content, request);
        });
        Run run = DownloadFrom(gateway.Address(), 1);
        ASSERT_TRUE(run.result.IsSucc()) << run.result.GetErrorMsg();
        EXPECT_EQ(ReadFile(run.file), content);
        EXPECT_GE(refused, 2);
    }
}

// A body that arrives a few bytes at a time is fine while it keeps coming; one
// that stalls for longer than the receive time-out fails that attempt, and the
// slice is asked for again on a new connection.
TEST_P(MisbehavingServerTest, DrippingBodiesGiveTheExactObjectOrAreAskedForAgain) {
    const std::string content = RandomBytes(4 * kSlice, 12);
    struct Case {
        const char* name;
        size_t pieceSize;
        std::chrono::milliseconds pieceDelay;
        int slowAnswers;  // answers for the second slice that drip
        int expectedGets;
    };
    const Case cases[] = {
        {"a steady drip", 512, std::chrono::milliseconds(5), 1, 4},
        {"a drip that stalls", 1000, std::chrono::milliseconds(1500), 1, 5},
        {"two stalls in a row", 1000, std::chrono::milliseconds(1500), 2, 6},
    };
    CosGlobalSettings::Instance().SetReceiveTimeoutMs(300);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> slow{0};
        std::atomic<int> gets{0};
        RawServer server(
            [&](const RawRequest& request) {
                RawAnswer answer = test::ObjectAnswer(content, request);
                uint64_t first = 0, last = 0;
                if (request.method == "GET") ++gets;
                if (test::ParseRange(request, &first, &last) && first == kSlice &&
                    slow++ < c.slowAnswers) {
                    answer.pieceSize = c.pieceSize;
                    answer.pieceDelay = c.pieceDelay;
                }
                return answer;
            },
            0);
        Run run = DownloadFrom(server.Address(), 2);
        ASSERT_TRUE(run.result.IsSucc()) << run.result.GetErrorMsg();
        EXPECT_EQ(ReadFile(run.file), content);
        EXPECT_EQ(run.handler->GetTransferredSize(), content.size());
        EXPECT_EQ(gets, c.expectedGets);
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, MisbehavingServerTest, ::testing::ValuesIn(test::kBothProfiles),
                         test::ProfileName);

}  // namespace
}  // namespace objstore

namespace objstore {
namespace {

// The installer closed while a download runs: the process must end cleanly,
// without waiting for the slow answers and without threads left using what
// the exit destroys.
TEST(DownloadAtExit, TheProcessEndsCleanlyWhileSlicesAreStillArriving) {
    const std::string content = RandomBytes(4 << 20, 9);
    std::atomic<int> gets{0};
    RawServer server([&](const RawRequest& request) {
        if (request.method == "GET") ++gets;
        return test::ObjectAnswer(content, request, std::chrono::milliseconds(500));
    });
    test::TestDir dir;
    std::string probe = DOWNLOAD_EXIT_PROBE;
    std::string file = dir.PathOf("out.bin");
#ifdef _WIN32
    // Wine starts host programs by their drive path.
    probe = "Z:" + probe;
    for (char& c : probe) c = c == '/' ? '\\' : c;
#endif
    Poco::Pipe out, err;
    Poco::ProcessHandle child =
        Poco::Process::launch(probe, {server.Address(), file}, nullptr, &out, &err);
    Poco::PipeInputStream outStream(out), errStream(err);
    std::string outText((std::istreambuf_iterator<char>(outStream)), {});
    std::string errText((std::istreambuf_iterator<char>(errStream)), {});
    const int code = child.wait();
    EXPECT_EQ(code, 0) << errText;
    EXPECT_NE(outText.find("leaving with status 1 after"), std::string::npos) << outText;
    EXPECT_EQ(errText, "");
    EXPECT_GE(gets, 1);
}

}  // namespace
}  // namespace objstore
