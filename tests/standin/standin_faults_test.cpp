// Faults chosen on the command line, for every Nth request, a key, a share of
// requests, a method or a number of times.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "standin_fixture.h"

namespace standin_test {
namespace {

constexpr size_t kSize = 1 << 20;

enum class Outcome {
    Status,      // an answer with the given status and, for errors, the given code
    Dropped,     // no answer at all
    CutShort,    // full Content-Length announced, `bytes` sent, then a clean end
    Reset,       // head sent, the body broken off
    WholeAs200,  // 200 with the whole object although a range was asked
    Replaced,    // the asked bytes with the object's byte at `bytes` inverted (when asked)
};

struct Step {
    const char* method;
    const char* key;
    const char* range;
    Outcome outcome;
    int status = 200;
    const char* code = "";
    size_t bytes = 0;
};

struct FaultCase {
    const char* name;
    std::vector<std::string> faults;
    std::vector<Step> steps;
};

const Step kOk{"GET", "a.bin", "", Outcome::Status, 200};
const Step kOkB{"GET", "b.bin", "", Outcome::Status, 200};
const Step k503{"GET", "a.bin", "", Outcome::Status, 503, "ServiceUnavailable"};
const Step k500{"GET", "a.bin", "", Outcome::Status, 500, "InternalError"};

const FaultCase kCases[] = {
    {"every second request", {"status:503,every=2"}, {kOk, k503, kOk, k503}},
    {"one key",
     {"status:500,key=b.bin"},
     {kOk,
      {"GET", "b.bin", "", Outcome::Status, 500, "InternalError"},
      kOk,
      {"HEAD", "b.bin", "", Outcome::Status, 500}}},
    {"first two GETs",
     {"status:500,method=GET,times=2"},
     {{"HEAD", "a.bin", "", Outcome::Status, 200}, k500, k500, kOk}},
    {"share 1 and share 0", {"status:503,share=1,key=a.bin", "status:500,share=0"}, {k503, kOkB}},
    {"drop before the answer",
     {"close-before,every=2"},
     {kOk, {"GET", "a.bin", "", Outcome::Dropped}, kOk}},
    {"body cut short",
     {"truncate:1000"},
     {{"GET", "a.bin", "", Outcome::CutShort, 200, "", 1000},
      {"GET", "a.bin", "bytes=0-99999", Outcome::CutShort, 206, "", 1000}}},
    {"body cut at half by default",
     {"truncate,key=a.bin"},
     {{"GET", "a.bin", "", Outcome::CutShort, 200, "", kSize / 2}, kOkB}},
    {"reset in the body", {"close-mid:65536"}, {{"GET", "a.bin", "", Outcome::Reset, 200}}},
    {"whole object for a range",
     {"full"},
     {{"GET", "a.bin", "bytes=100-199", Outcome::WholeAs200},
      kOk,
      {"GET", "a.bin", "bytes=5000000-", Outcome::Status, 416, "InvalidRange"}}},
    {"faults combine", {"delay:10", "status:503,every=2"}, {kOk, k503}},
    {"replaced object",
     {"replace:5,key=a.bin"},
     {{"GET", "a.bin", "", Outcome::Replaced, 200, "", 5},
      {"GET", "a.bin", "bytes=4-9", Outcome::Replaced, 206, "", 5},
      {"GET", "a.bin", "bytes=5-5", Outcome::Replaced, 206, "", 5},
      {"GET", "a.bin", "bytes=6-99", Outcome::Replaced, 206, "", 5},
      kOkB}},
    {"replaced in the middle by default",
     {"replace,key=a.bin"},
     {{"GET", "a.bin", "", Outcome::Replaced, 200, "", kSize / 2},
      {"GET", "a.bin", "bytes=524000-524999", Outcome::Replaced, 206, "", kSize / 2}}},
};

// The bytes of `object` a Replaced step expects: the asked range with the byte at step.bytes of
// the object inverted when the range holds it.
std::string ReplacedBytes(const std::string& object, const Step& step) {
    size_t first = 0, last = object.size() - 1;
    if (*step.range != '\0') std::sscanf(step.range, "bytes=%zu-%zu", &first, &last);
    std::string bytes = object.substr(first, last - first + 1);
    if (step.bytes >= first && step.bytes <= last) {
        char& replaced = bytes[step.bytes - first];
        replaced = static_cast<char>(~replaced);
    }
    return bytes;
}

class StandinFaults : public StandinTest {
  protected:
    void SetUp() override {
        a = Put("a.bin", PatternBytes(kSize, 11));
        Put("b.bin", PatternBytes(100, 12));
    }

    // The statuses a fixed sequence of requests meets under a share of 503s.
    std::vector<int> SharePattern(uint64_t seed) {
        settings.faults = {"status:503,share=0.5"};
        settings.seed = seed;
        Start();
        Request request;
        request.method = "HEAD";
        request.key = "b.bin";
        std::vector<int> statuses;
        for (int i = 0; i < 32; ++i) statuses.push_back(Send(request).status);
        server.reset();
        return statuses;
    }

    std::string a;
};

TEST_F(StandinFaults, FaultsHitTheSelectedRequests) {
    for (const FaultCase& c : kCases) {
        SCOPED_TRACE(c.name);
        settings.faults = c.faults;
        Start();
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            SCOPED_TRACE("step " + std::to_string(i + 1));
            Request request;
            request.method = step.method;
            request.key = step.key;
            if (*step.range != '\0') request.headers["Range"] = step.range;
            const Reply reply = Send(request);
            switch (step.outcome) {
                case Outcome::Status:
                    ASSERT_TRUE(reply.answered) << reply.transportError;
                    EXPECT_EQ(step.status, reply.status);
                    EXPECT_FALSE(reply.bodyError);
                    if (*step.code != '\0') {
                        EXPECT_EQ(step.code, ParseError(reply).code);
                    } else if (std::string(step.method) == "GET" && step.status == 200) {
                        EXPECT_EQ(std::string(step.key) == "a.bin" ? kSize : 100u,
                                  reply.body.size());
                    }
                    break;
                case Outcome::Dropped:
                    EXPECT_FALSE(reply.answered);
                    EXPECT_FALSE(reply.transportError.empty());
                    break;
                case Outcome::CutShort: {
                    ASSERT_TRUE(reply.answered) << reply.transportError;
                    EXPECT_EQ(step.status, reply.status);
                    const size_t announced = std::stoul(reply.headers.get("Content-Length", "0"));
                    EXPECT_EQ(step.status == 200 ? kSize : 100000u, announced);
                    EXPECT_EQ(a.substr(0, step.bytes), reply.body);
                    break;
                }
                case Outcome::Reset:
                    ASSERT_TRUE(reply.answered) << reply.transportError;
                    EXPECT_TRUE(reply.bodyError || reply.body.size() < kSize);
                    break;
                case Outcome::Replaced:
                    ASSERT_TRUE(reply.answered) << reply.transportError;
                    EXPECT_EQ(step.status, reply.status);
                    EXPECT_FALSE(reply.bodyError);
                    EXPECT_EQ(ReplacedBytes(a, step), reply.body);
                    break;
                case Outcome::WholeAs200:
                    EXPECT_EQ(200, reply.status);
                    EXPECT_FALSE(reply.headers.has("Content-Range"));
                    EXPECT_EQ(a, reply.body);
                    break;
            }
        }
        // The log names the faults applied and the bytes really sent.
        const auto log = Log();
        ASSERT_EQ(c.steps.size(), log.size());
        for (size_t i = 0; i < log.size(); ++i) {
            ASSERT_EQ(8u, log[i].size());
            if (c.steps[i].outcome == Outcome::CutShort) {
                EXPECT_EQ(std::to_string(c.steps[i].bytes), log[i][5]);
                EXPECT_EQ("truncate", log[i][7]);
            }
            if (c.steps[i].outcome == Outcome::Dropped) {
                EXPECT_EQ("0", log[i][4]);
            }
        }
        EXPECT_EQ(0, server->Stop());
        server.reset();
        std::remove(dir.PathOf("requests.log").c_str());
    }
}

TEST_F(StandinFaults, ShareIsDeterministicForASeed) {
    const std::vector<int> first = SharePattern(7);
    const std::vector<int> again = SharePattern(7);
    const std::vector<int> other = SharePattern(8);
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    const auto failures = std::count(first.begin(), first.end(), 503);
    EXPECT_GT(failures, 4);
    EXPECT_LT(failures, 28);
    EXPECT_EQ(32, failures + std::count(first.begin(), first.end(), 200));
}

TEST_F(StandinFaults, DelayAndDripSlowTheAnswer) {
    settings.faults = {"delay:400,key=b.bin", "drip:20000,key=c.bin"};
    const std::string c = Put("c.bin", PatternBytes(10000, 13));
    Start();
    for (const char* key : {"b.bin", "c.bin"}) {
        SCOPED_TRACE(key);
        Request request;
        request.key = key;
        const auto started = std::chrono::steady_clock::now();
        const Reply reply = Send(request);
        const auto elapsed = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(200, reply.status);
        EXPECT_GE(elapsed, std::chrono::milliseconds(400));
        if (std::string(key) == "c.bin") {
            EXPECT_EQ(c, reply.body);
        }
    }
}

TEST_F(StandinFaults, BadOptionsStopTheServiceAtStart) {
    const std::vector<std::vector<std::string>> bad = {
        {"--fault", "bogus"},
        {"--fault", "delay"},
        {"--fault", "delay:x"},
        {"--fault", "status:404"},
        {"--fault", "drip:0"},
        {"--fault", "full:3"},
        {"--fault", "status:503,every=0"},
        {"--fault", "status:503,share=1.5"},
        {"--fault", "status:503,method=PUT"},
        {"--fault", "status:503,when=3"},
        {"--fault", "status:503,key"},
        {"--threads", "8"},
        {"--idle-timeout", "0"},
        {"--idle-timeout", "3601"},
        {"--port", "70000"},
        {"--unknown"},
        {"--domain", "no-dot.example"},
        {"--fault", "replace:x"},
        {"--tls-cert", "server.pem"},
        {"--tls-key", "server.key"},
    };
    for (const std::vector<std::string>& extra : bad) {
        SCOPED_TRACE(extra.back());
        settings.extraArgs = extra;
        try {
            Start();
            ADD_FAILURE() << "started";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string::npos, std::string(e.what()).find("exit code 2")) << e.what();
        }
    }
    // Without a folder, or credentials, it does not start either.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--any-host", "--no-auth"},
             {"--root", settings.root, "--any-host"},
             {"--root", dir.UnixPathOf("missing"), "--any-host", "--no-auth"}}) {
        EXPECT_THROW(objstore::test::TestServer::Standin(args), std::runtime_error);
    }
}

}  // namespace
}  // namespace standin_test
