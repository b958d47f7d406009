// The multi-threaded download against the stand-in service, nginx and scripted
// servers: slicing, batches, retries, the answers it must not trust, and its
// failure results.
#include <Poco/File.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>

#include "log_capture.h"
#include "op/object_op.h"
#include "profile_param.h"
#include "scripted_server.h"
#include "standin_fixture.h"
#include "trsf/transfer_handler.h"

namespace objstore {
namespace {

using test::ScriptedServer;
using test::StandinTest;

using test::RandomBytes;
using test::ReadFile;

constexpr uint32_t kSlice = 4096;

// Watches the progress calls of one download.
struct ProgressProbe {
    std::atomic<uint64_t> calls{0};
    std::atomic<uint64_t> maxSeen{0};
    std::atomic<bool> pastTotal{false};

    void Attach(GetObjectByFileReq& req) {
        req.SetUserData(this);
        req.SetTransferProgressCallback([](uint64_t done, uint64_t total, void* user) {
            auto* probe = static_cast<ProgressProbe*>(user);
            ++probe->calls;
            if (done > total) probe->pastTotal = true;
            uint64_t seen = probe->maxSeen;
            while (done > seen && !probe->maxSeen.compare_exchange_weak(seen, done)) {
            }
        });
    }
};

// Every case runs in both transfer profiles.
class DownloadTest : public StandinTest, public ::testing::WithParamInterface<TransferProfile> {
  protected:
    void SetUp() override {
        StandinTest::SetUp();
        CosGlobalSettings::Instance().SetTransferProfile(GetParam());
    }

    struct Run {
        CosResult result;
        std::shared_ptr<TransferHandler> handler;
        std::string file;
        GetObjectByFileResp resp;
    };

    Run Download(const std::string& key, ProgressProbe* probe = nullptr,
                 const std::function<void(TransferHandler&)>& before = nullptr) {
        Run run;
        run.file = m_dir.PathOf("out.bin");
        AsyncMultiGetObjectReq req(m_settings.bucket, key, run.file);
        if (probe) probe->Attach(req);
        run.handler = std::make_shared<TransferHandler>();
        run.handler->InitFromRequest(req);
        if (before) before(*run.handler);
        ObjectOp op(std::make_shared<CosConfig>(Config()));
        run.result = op.MultiThreadDownload(req, &run.resp, run.handler);
        return run;
    }

    static void SetSlicing(uint32_t threads, uint32_t slice) {
        CosGlobalSettings::Instance().SetDownloadThreads(threads);
        CosGlobalSettings::Instance().SetDownloadSliceSize(slice);
    }
};

TEST_P(DownloadTest, SlicesAndBatchesCoverEveryLength) {
    struct Case {
        uint64_t length;
        uint32_t threads;
        size_t gets;
    };
    const Case cases[] = {
        {0, 10, 0},                 // empty: no GET at all
        {kSlice, 10, 1},            // L = S: two tasks, one slice request
        {10 * kSlice + 1, 10, 11},  // two batches: ten slices, then one of 1 byte
        {3 * kSlice + 5, 1, 4},     // N = 1: one slice per batch
        {kSlice - 1, 3, 1},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("length " + std::to_string(c.length) + ", threads " +
                     std::to_string(c.threads));
        const std::string key = "obj" + std::to_string(index++) + ".bin";
        const std::string content = RandomBytes(c.length, index);
        PutObject(key, content);
        Start();
        SetSlicing(c.threads, kSlice);

        ProgressProbe probe;
        Run run = Download(key, &probe);
        ASSERT_TRUE(run.result.IsSucc()) << run.result.GetErrorMsg();
        EXPECT_EQ(ReadFile(run.file), content);
        EXPECT_EQ(RequestLog("GET").size(), c.gets);
        EXPECT_EQ(run.handler->GetStatus(), TransferState::Completed);
        EXPECT_EQ(run.handler->GetTotalSize(), c.length);
        EXPECT_EQ(run.handler->GetTransferredSize(), c.length);
        EXPECT_FALSE(probe.pastTotal);
        if (c.length == 0) {
            EXPECT_EQ(run.result.GetHttpStatus(), -1);
            EXPECT_EQ(run.result.GetXCosRequestId(), "");
            EXPECT_EQ(probe.calls, 0u);
        } else {
            EXPECT_EQ(run.result.GetHttpStatus(), 206);
            EXPECT_FALSE(run.result.GetXCosRequestId().empty());
            EXPECT_EQ(run.resp.GetRequestId(), run.result.GetXCosRequestId());
            EXPECT_EQ(probe.maxSeen, c.length);
        }
    }
}

TEST_P(DownloadTest, WorksAgainstNginx) {
    const std::string content = RandomBytes(5 * kSlice + 7, 3);
    PutObject("8.5/config.zip", content);
    auto nginx = test::TestServer::Nginx(m_settings.root);
    CosGlobalSettings::Instance().SetForcedHost("127.0.0.1:" + std::to_string(nginx->Port()));
    CosGlobalSettings::Instance().SetUseForcedHost(true);
    SetSlicing(4, kSlice);
    Run run = Download("8.5/config.zip");
    ASSERT_TRUE(run.result.IsSucc()) << run.result.GetErrorMsg();
    EXPECT_EQ(run.result.GetHttpStatus(), 206);
    EXPECT_EQ(ReadFile(run.file), content);
}

TEST_P(DownloadTest, RetriedAndUntrustworthyAnswersStillGiveTheExactObject) {
    // Each fault spoils some GETs; the download must retry them and never write
    // bytes that are not the object's.
    struct Case {
        std::string fault;
        size_t extraGets;
    };
    const Case cases[] = {
        {"status:503,method=GET,times=3", 3},    // a slice fails three times, then arrives
        {"truncate,method=GET,times=2", 2},      // full length announced, body cut short
        {"close-mid,method=GET,times=1", 1},     // connection reset inside the body
        {"close-before,method=GET,times=1", 1},  // no answer at all
    };
    const std::string content = RandomBytes(3 * kSlice + 100, 11);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        PutObject("a.zip", content);
        Start({c.fault});
        SetSlicing(1, kSlice);  // one slice at a time keeps the retries countable
        ProgressProbe probe;
        Run run = Download("a.zip", &probe);
        ASSERT_TRUE(run.result.IsSucc()) << run.result.GetErrorMsg();
        EXPECT_EQ(ReadFile(run.file), content);
        EXPECT_EQ(RequestLog("GET").size(), 4 + c.extraGets);
        EXPECT_FALSE(probe.pastTotal);
        EXPECT_LE(run.handler->GetTransferredSize(), content.size());
    }
}

TEST_P(DownloadTest, ASliceThatKeepsFailingFailsTheDownloadWithTheServiceError) {
    PutObject("a.zip", RandomBytes(2 * kSlice, 5));
    Start({"status:500,method=GET"});
    SetSlicing(1, kSlice);
    std::ofstream(m_dir.PathOf("out.bin")) << std::string(100000, 'j');  // stale content

    Run run = Download("a.zip");
    EXPECT_FALSE(run.result.IsSucc());
    EXPECT_EQ(run.result.GetHttpStatus(), 500);
    EXPECT_FALSE(run.result.GetErrorCode().empty());
    EXPECT_FALSE(run.result.GetXCosRequestId().empty());
    EXPECT_EQ(run.handler->GetStatus(), TransferState::Failed);
    EXPECT_EQ(RequestLog("GET").size(), 4u);        // four attempts in a row, then no further slice
    EXPECT_EQ(Poco::File(run.file).getSize(), 0u);  // truncated at the open, nothing written
}

TEST_P(DownloadTest, RefusalsBeforeAnyDataIsFetched) {
    PutObject("a.zip", "abc");
    Start();

    Run illegal = Download("/");
    EXPECT_EQ(illegal.result.GetErrorCode(), "GetObjectKeyIllegal");
    EXPECT_EQ(illegal.result.GetErrorMsg(), "The Getobject Key is illegal");
    EXPECT_EQ(illegal.handler->GetStatus(), TransferState::Failed);

    Run missing = Download("absent.zip");
    EXPECT_EQ(missing.result.GetHttpStatus(), 404);
    EXPECT_EQ(missing.result.GetErrorMsg(),
              "failed to get object length before downloading object.");
    EXPECT_EQ(missing.handler->GetStatus(), TransferState::Failed);

    Run canceled = Download("a.zip", nullptr, [](TransferHandler& h) { h.Cancel(); });
    EXPECT_EQ(canceled.result.GetErrorMsg(), "Request canceled by user");
    EXPECT_EQ(canceled.handler->GetStatus(), TransferState::Failed);

    ObjectOp op(std::make_shared<CosConfig>(Config()));
    AsyncMultiGetObjectReq req(m_settings.bucket, "a.zip", m_dir.PathOf("no/such/dir/out.bin"));
    GetObjectByFileResp resp;
    CosResult unopened = op.MultiThreadDownload(req, &resp);
    EXPECT_EQ(unopened.GetErrorMsg().rfind(
                  "open file(" + m_dir.PathOf("no/such/dir/out.bin") + ") fail, errno=", 0),
              0u)
        << unopened.GetErrorMsg();

    CosResult noResponse = op.MultiThreadDownload(req, nullptr);
    EXPECT_EQ(noResponse.GetErrorMsg(), "invalid input parameter");
    EXPECT_EQ(RequestLog("GET").size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Profiles, DownloadTest, ::testing::ValuesIn(test::kBothProfiles),
                         test::ProfileName);

TEST(DownloadKeyCheck, KeysThatReduceToTheRootAreRefused) {
    const std::pair<std::string, bool> cases[] = {
        {"/", false},    {"/.", false},   {"/a/..", false},  {"/./", false},
        {"//", false},   {"/../a", true}, {"/a/../b", true}, {"/a", true},
        {"/a/./", true}, {"/..a", true},  {"/...", true},
    };
    for (const auto& [path, legal] : cases) {
        EXPECT_EQ(ObjectOp::IsObjectKeyLegal(path), legal) << path;
    }
    CosGlobalSettings::Instance().SetObjectKeyCheck(false);
    EXPECT_TRUE(ObjectOp::IsObjectKeyLegal("/"));
    CosGlobalSettings::Instance().ResetToDefaults();
}

// A server that serves one object by ranges and spoils what the test scripts;
// it closes the connection after every answer and says so. Every case runs in
// both transfer profiles.
class ScriptedDownloadTest : public ::testing::TestWithParam<TransferProfile> {
  protected:
    void SetUp() override {
        CosGlobalSettings::Instance().SetTransferProfile(GetParam());
        CosGlobalSettings::Instance().SetLogLevel(0);
        CosGlobalSettings::Instance().SetRetryPauseMs(1);
    }
    void TearDown() override { CosGlobalSettings::Instance().ResetToDefaults(); }

    using Spoiler = std::function<bool(uint64_t offset, Poco::Net::HTTPServerResponse&)>;

    CosResult Download(const std::string& content, const Spoiler& spoil, uint32_t threads) {
        ScriptedServer server(
            [&](Poco::Net::HTTPServerRequest& request, Poco::Net::HTTPServerResponse& response) {
                if (request.getMethod() == "HEAD") {
                    response.setContentLength(static_cast<std::streamsize>(content.size()));
                    response.send();
                    return;
                }
                unsigned long long first = 0, last = 0;
                std::sscanf(request.get("Range").c_str(), "bytes=%llu-%llu", &first, &last);
                if (spoil(first, response)) return;
                const std::string part = content.substr(first, last - first + 1);
                response.setStatus(Poco::Net::HTTPResponse::HTTP_PARTIAL_CONTENT);
                response.set("Content-Range", "bytes " + std::to_string(first) + "-" +
                                                  std::to_string(last) + "/" +
                                                  std::to_string(content.size()));
                response.setContentLength(static_cast<std::streamsize>(part.size()));
                response.send() << part;
            });
        CosGlobalSettings::Instance().SetForcedHost(server.Address());
        CosGlobalSettings::Instance().SetUseForcedHost(true);
        CosGlobalSettings::Instance().SetDownloadThreads(threads);
        CosGlobalSettings::Instance().SetDownloadSliceSize(kSlice);
        m_file = m_dir.PathOf("out.bin");
        AsyncMultiGetObjectReq req("b", "k", m_file);
        GetObjectByFileResp resp;
        ObjectOp op(std::make_shared<CosConfig>(CosConfig(1, "id", "key", "r")));
        CosResult result = op.MultiThreadDownload(req, &resp);
        m_requests = server.Requests();
        return result;
    }

    test::TestDir m_dir;
    std::string m_file;
    int m_requests = 0;
};

TEST_P(ScriptedDownloadTest, AFailedSliceMidBatchKeepsOnlyTheSlicesBeforeIt) {
    const std::string content = RandomBytes(4 * kSlice, 21);
    CosResult result = Download(
        content,
        [](uint64_t offset, Poco::Net::HTTPServerResponse& response) {
            if (offset != 2 * kSlice) return false;
            response.setStatus(Poco::Net::HTTPResponse::HTTP_INTERNAL_SERVER_ERROR);
            response.set("x-cos-request-id", "rid-500");
            response.send() << "<Error><Code>InternalError</Code><Message>boom</Message></Error>";
            return true;
        },
        4);
    EXPECT_FALSE(result.IsSucc());
    EXPECT_EQ(result.GetHttpStatus(), 500);
    EXPECT_EQ(result.GetErrorCode(), "InternalError");
    EXPECT_EQ(result.GetErrorMsg(), "boom");
    EXPECT_EQ(result.GetXCosRequestId(), "rid-500");
    const std::string written = ReadFile(m_file);
    if (GetParam() == TransferProfile::Standard) {
        // Slices 0 and 1 are written; slice 3 arrived but lies after the failure.
        EXPECT_EQ(written, content.substr(0, 2 * kSlice));
        EXPECT_EQ(m_requests, 1 + 3 + 4);  // head, three good slices, four attempts of the bad one
    } else {
        // Each slice is written as it arrives, up to the failure; the failed one never.
        EXPECT_TRUE(test::OnlyObjectSlices(written, content, kSlice));
        if (written.size() > 2 * kSlice) {
            EXPECT_EQ(written.substr(2 * kSlice, kSlice), std::string(kSlice, '\0'));
        }
        EXPECT_GE(m_requests, 1 + 4);
        EXPECT_LE(m_requests, 1 + 3 + 4);
    }
}

TEST_P(ScriptedDownloadTest, AnswersThatDoNotHoldTheSliceAreNeverWritten) {
    const std::string content = RandomBytes(2 * kSlice, 22);
    struct Case {
        std::string name;
        Spoiler spoil;
        std::string message;
    };
    const Case cases[] = {
        {"206 shorter than the slice",
         [](uint64_t offset, Poco::Net::HTTPServerResponse& response) {
             if (offset != kSlice) return false;
             response.setStatus(Poco::Net::HTTPResponse::HTTP_PARTIAL_CONTENT);
             response.set("Content-Range", "bytes 4096-8191/8192");
             response.setContentLength(10);
             response.send() << "0123456789";
             return true;
         },
         "slice answer too short: 10 bytes, expected 4096"},
        {"206 without Content-Range",
         [&content](uint64_t offset, Poco::Net::HTTPServerResponse& response) {
             if (offset != kSlice) return false;
             response.setStatus(Poco::Net::HTTPResponse::HTTP_PARTIAL_CONTENT);
             response.setContentLength(kSlice);
             response.send() << content.substr(kSlice);
             return true;
         },
         "slice answer has no Content-Range, expected bytes 4096-8191/8192"},
        {"206 for another range",
         [&content](uint64_t offset, Poco::Net::HTTPServerResponse& response) {
             if (offset != kSlice) return false;
             response.setStatus(Poco::Net::HTTPResponse::HTTP_PARTIAL_CONTENT);
             response.set("Content-Range", "bytes 0-4095/8192");
             response.setContentLength(kSlice);
             response.send() << content.substr(0, kSlice);
             return true;
         },
         "slice answer has Content-Range \"bytes 0-4095/8192\", expected bytes 4096-8191/8192"},
        {"206 of an object of another length",
         [&content](uint64_t offset, Poco::Net::HTTPServerResponse& response) {
             if (offset != kSlice) return false;
             response.setStatus(Poco::Net::HTTPResponse::HTTP_PARTIAL_CONTENT);
             response.set("content-range", "bytes 4096-8191/9000");
             response.setContentLength(kSlice);
             response.send() << content.substr(kSlice);
             return true;
         },
         "slice answer has Content-Range \"bytes 4096-8191/9000\", expected bytes "
         "4096-8191/8192"},
        {"206 with an unreadable Content-Range",
         [&content](uint64_t offset, Poco::Net::HTTPServerResponse& response) {
             if (offset != kSlice) return false;
             response.setStatus(Poco::Net::HTTPResponse::HTTP_PARTIAL_CONTENT);
             response.set("Content-Range", "bytes 4096-8191");
             response.setContentLength(kSlice);
             response.send() << content.substr(kSlice);
             return true;
         },
         "slice answer has Content-Range \"bytes 4096-8191\", expected bytes 4096-8191/8192"},
        {"200 with less than the whole object",
         [&content](uint64_t offset, Poco::Net::HTTPServerResponse& response) {
             if (offset != kSlice) return false;
             response.setContentLength(kSlice);
             response.send() << content.substr(0, kSlice);
             return true;
         },
         "answer holds 4096 bytes, the object has 8192"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CosResult result = Download(content, c.spoil, 2);
        EXPECT_FALSE(result.IsSucc());
        EXPECT_EQ(result.GetErrorMsg(), c.message);
        const std::string written = ReadFile(m_file);
        if (GetParam() == TransferProfile::Standard) {
            EXPECT_EQ(written, content.substr(0, kSlice));
        } else {
            // The first slice is in the file unless the failure came before it.
            EXPECT_TRUE(written.empty() || written == content.substr(0, kSlice)) << written.size();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, ScriptedDownloadTest, ::testing::ValuesIn(test::kBothProfiles),
                         test::ProfileName);

}  // namespace
}  // namespace objstore

namespace objstore {
namespace {

// Every case runs in both transfer profiles; the fast profile has no batches.
class DownloadLogTest : public test::StandinTest,
                        public ::testing::WithParamInterface<TransferProfile> {
  protected:
    void SetUp() override {
        StandinTest::SetUp();
        CosGlobalSettings::Instance().SetTransferProfile(GetParam());
    }

    std::vector<std::string> Capture(const std::function<void()>& run) {
        test::LogCapture log;
        run();
        return log.Lines();
    }

    static bool Has(const std::vector<std::string>& lines, const std::string& operation,
                    const std::string& text) {
        for (const std::string& line : lines) {
            if (line.find(":" + operation + "(") != std::string::npos &&
                line.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    CosResult Fetch(const std::string& key, TransferProgressCallback progress = nullptr,
                    std::shared_ptr<TransferHandler>* handlerOut = nullptr) {
        AsyncMultiGetObjectReq req(m_settings.bucket, key, m_dir.PathOf("out.bin"));
        auto handler = std::make_shared<TransferHandler>();
        if (progress) {
            req.SetUserData(handler.get());
            req.SetTransferProgressCallback(std::move(progress));
        }
        handler->InitFromRequest(req);
        if (handlerOut) *handlerOut = handler;
        GetObjectByFileResp resp;
        return ObjectOp(std::make_shared<CosConfig>(Config()))
            .MultiThreadDownload(req, &resp, handler);
    }
};

TEST_P(DownloadLogTest, StatementsOfASuccessfulAndAFailingDownload) {
    PutObject("a.zip", std::string(kSlice + 1, 'a'));
    Start();
    CosGlobalSettings::Instance().SetDownloadSliceSize(kSlice);
    std::vector<std::string> lines = Capture([&] { EXPECT_TRUE(Fetch("a.zip").IsSucc()); });
    const std::string url = "http://127.0.0.1:" + std::to_string(m_server->Port()) + "/a.zip";
    EXPECT_TRUE(Has(lines, "MultiThreadDownload", "[INFO] "));
    EXPECT_TRUE(
        Has(lines, "MultiThreadDownload",
            "download data,url=" + url + ", poolsize=2, slice_size=4096, file_size=4097\n"));
    EXPECT_EQ(Has(lines, "MultiThreadDownload", "down data, offset=0, file_size=4097\n"),
              GetParam() == TransferProfile::Standard);
    // In the fast profile either slice thread may take the second slice.
    const std::string thread = GetParam() == TransferProfile::Standard ? "task_index=1, " : "";
    EXPECT_TRUE(Has(lines, "MultiThreadDownload", thread + "file_size=4097, offset=4096\n"));
    EXPECT_TRUE(Has(lines, "MultiThreadDownload", "down data, down_times=2, " + thread));
    EXPECT_TRUE(
        Has(lines, "MultiThreadDownload", thread + "file_size=4097, offset=4096, downlen:1 \n"));
    EXPECT_TRUE(Has(lines, "MultiThreadDownload", "down data succeed\n"));

    Start({"status:503,method=GET"});
    lines = Capture([&] { EXPECT_FALSE(Fetch("a.zip").IsSucc()); });
    EXPECT_TRUE(Has(lines, "DownTask", "FileDownload: url(" + url.substr(0, url.rfind(':'))));
    EXPECT_TRUE(Has(lines, "DownTask", "fail, httpcode:503, resp: <?xml"));
    EXPECT_TRUE(Has(lines, "DownTask", "try_times:4\n"));
    EXPECT_TRUE(Has(lines, "MultiThreadDownload", "down data, down task fail, rsp:<?xml"));
    EXPECT_TRUE(Has(lines, "SetResultAndLogError", "download data failed\n"));
}

TEST_P(DownloadLogTest, CancelDuringASliceBodyFailsEachAttemptAndTheDownload) {
    PutObject("a.zip", std::string(3 * 65536, 'c'));
    Start();
    CosGlobalSettings::Instance().SetDownloadThreads(1);
    CosGlobalSettings::Instance().SetDownloadSliceSize(65536);
    std::shared_ptr<TransferHandler> handler;
    CosResult result = Fetch(
        "a.zip",
        [](uint64_t, uint64_t, void* user) { static_cast<TransferHandler*>(user)->Cancel(); },
        &handler);
    EXPECT_FALSE(result.IsSucc());
    EXPECT_EQ(result.GetHttpStatus(), -1);
    EXPECT_EQ(result.GetErrorMsg(), "Request canceled by user");
    EXPECT_EQ(handler->GetStatus(), TransferState::Failed);
    // A canceled slice is not tried again, and no further slice starts.
    EXPECT_EQ(RequestLog("GET").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Profiles, DownloadLogTest, ::testing::ValuesIn(test::kBothProfiles),
                         test::ProfileName);

}  // namespace
}  // namespace objstore
