// Objects as the stand-in serves them: ranges, lengths, entity tags, ids,
// missing keys, and many connections at once.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <utime.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <set>
#include <thread>
#include <vector>

#include "standin_fixture.h"
#include "support/native_server.h"

namespace standin_test {
namespace {

using objstore::test::TestServer;

constexpr size_t kObjectSize = 1000;

struct RangeCase {
    const char* range;  // "" for none
    int status;
    uint64_t first;  // of the body, for 200 and 206
    uint64_t last;
    // nginx answers several ranges as multipart, and refuses malformed ranges and
    // positions past 63 bits with 416, where this service ignores the former (as
    // HTTP allows) and clamps the latter; those cases are not compared.
    bool nginxAgrees;
};

const RangeCase kRangeCases[] = {
    {"", 200, 0, 999, true},
    {"bytes=0-99", 206, 0, 99, true},
    {"bytes=999-999", 206, 999, 999, true},
    {"bytes=990-", 206, 990, 999, true},
    {"bytes=-10", 206, 990, 999, true},
    {"bytes=-5000", 206, 0, 999, true},
    {"bytes=500-5000", 206, 500, 999, true},
    {"bytes=0-18446744073709551615", 206, 0, 999, false},
    {"bytes=1000-", 416, 0, 0, true},
    {"bytes=1000-1001", 416, 0, 0, true},
    {"bytes=99999999999999999999999-", 416, 0, 0, true},
    {"bytes=-0", 416, 0, 0, true},
    {"bytes=5-2", 200, 0, 999, false},      // invalid: ignored
    {"bytes=abc", 200, 0, 999, false},      // invalid: ignored
    {"items=0-9", 200, 0, 999, true},       // other unit: ignored
    {"bytes=0-1,5-6", 200, 0, 999, false},  // several ranges: the whole object
};

// Checks one answer of the range table; "what" names the peer and case.
void ExpectRangeAnswer(const RangeCase& c, const Reply& reply, const std::string& object, bool head,
                       const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(reply.answered) << reply.transportError;
    ASSERT_EQ(c.status, reply.status);
    if (c.status == 416) {
        EXPECT_EQ("bytes */1000", reply.headers.get("Content-Range", ""));
        return;
    }
    const std::string slice = object.substr(c.first, c.last - c.first + 1);
    EXPECT_EQ(std::to_string(slice.size()), reply.headers.get("Content-Length", ""));
    EXPECT_TRUE((head ? std::string() : slice) == reply.body) << reply.body.size() << " bytes";
    if (c.status == 206) {
        EXPECT_EQ("bytes " + std::to_string(c.first) + "-" + std::to_string(c.last) + "/1000",
                  reply.headers.get("Content-Range", ""));
    } else {
        EXPECT_FALSE(reply.headers.has("Content-Range"));
    }
}

class StandinObjects : public StandinTest {};

TEST_F(StandinObjects, RangesAnswerAsNginxDoesForTheSameFile) {
    const std::string object = Put("8.5/base.zip", PatternBytes(kObjectSize, 1));
    Start();
    auto nginx = TestServer::Nginx(settings.root);
    for (const RangeCase& c : kRangeCases) {
        for (const char* method : {"GET", "HEAD"}) {
            Request request;
            request.method = method;
            request.key = "8.5/base.zip";
            if (*c.range != '\0') request.headers["Range"] = c.range;
            const bool head = std::string(method) == "HEAD";
            const std::string what = std::string(method) + " " + c.range;
            ExpectRangeAnswer(c, Send(request), object, head, "stand-in " + what);
            if (c.nginxAgrees) {
                ExpectRangeAnswer(c, standin_test::Send(nginx->Port(), settings, request), object,
                                  head, "nginx " + what);
            }
        }
    }
}

TEST_F(StandinObjects, EveryAnswerCarriesLengthIdsAndTheObjectsMd5) {
    const std::string object = Put("a.bin", PatternBytes(kObjectSize, 2));
    Start();
    struct Case {
        const char* method;
        const char* key;
        const char* range;
        int status;
    };
    const Case cases[] = {
        {"GET", "a.bin", "", 200},          {"HEAD", "a.bin", "", 200},
        {"GET", "a.bin", "bytes=0-9", 206}, {"GET", "a.bin", "bytes=5000-", 416},
        {"GET", "missing", "", 404},        {"HEAD", "missing", "", 404},
    };
    std::set<std::string> requestIds;
    std::set<std::string> traceIds;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.key + " " + c.range);
        Request request;
        request.method = c.method;
        request.key = c.key;
        if (*c.range != '\0') request.headers["Range"] = c.range;
        const Reply reply = Send(request);
        ASSERT_EQ(c.status, reply.status);
        ASSERT_TRUE(reply.headers.has("Content-Length"));
        const std::string requestId = reply.headers.get("x-cos-request-id", "");
        const std::string traceId = reply.headers.get("x-cos-trace-id", "");
        EXPECT_FALSE(requestId.empty());
        EXPECT_FALSE(traceId.empty());
        requestIds.insert(requestId);
        traceIds.insert(traceId);
        if (std::string(c.key) == "a.bin") {
            EXPECT_EQ("\"" + Md5Hex(object) + "\"", reply.headers.get("ETag", ""));
        }
        if (c.status == 404) {
            if (std::string(c.method) == "HEAD") {
                EXPECT_EQ("", reply.body);
                EXPECT_EQ("0", reply.headers.get("Content-Length"));
                continue;
            }
            const ErrorFields error = ParseError(reply);
            ASSERT_TRUE(error.parsed) << reply.body;
            EXPECT_EQ("NoSuchKey", error.code);
            EXPECT_EQ(requestId, error.requestId);
            EXPECT_EQ(traceId, error.traceId);
            EXPECT_EQ(settings.BucketHost() + "/missing", error.resource);
        }
    }
    EXPECT_EQ(std::size(cases), requestIds.size());
    EXPECT_EQ(std::size(cases), traceIds.size());
}

TEST_F(StandinObjects, EtagFollowsTheFileWhenItChanges) {
    const std::string first = Put("changing.bin", PatternBytes(100, 3));
    Start();
    Request request;
    request.method = "HEAD";
    request.key = "changing.bin";
    EXPECT_EQ("\"" + Md5Hex(first) + "\"", Send(request).headers.get("ETag", ""));

    // Same size, other bytes, another modification time.
    const std::string second = Put("changing.bin", PatternBytes(100, 4));
    struct utimbuf times {};
    times.actime = times.modtime = 1000000000;
    ASSERT_EQ(0, ::utime(dir.PathOf("bucket/changing.bin").c_str(), &times));
    EXPECT_EQ("\"" + Md5Hex(second) + "\"", Send(request).headers.get("ETag", ""));
}

TEST_F(StandinObjects, KeysAreDecodedAndLookedUpAsSigned) {
    struct Case {
        const char* key;
        int status;
        const char* code;
    };
    const Case cases[] = {
        {"dir/a b+c%d \xC3\xBC.bin", 200, ""},  // blank, plus, percent and UTF-8
        {"empty.bin", 200, ""},
        {"missing.bin", 404, "NoSuchKey"},
        {"dir", 404, "NoSuchKey"},    // a folder is no object
        {"", 501, "NotImplemented"},  // the bucket itself
    };
    const std::string odd = Put("dir/a b+c%d \xC3\xBC.bin", PatternBytes(77, 5));
    Put("empty.bin", "");
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        Request request;
        request.key = c.key;
        const Reply reply = Send(request);
        EXPECT_EQ(c.status, reply.status) << reply.body;
        if (c.status == 200) {
            EXPECT_EQ(std::string(c.key) == "empty.bin" ? "" : odd, reply.body);
        } else {
            EXPECT_EQ(c.code, ParseError(reply).code);
        }
    }
}

// Binds a Unix socket at path; returns its descriptor or -1.
int BindUnixSocket(const std::string& path) {
    struct sockaddr_un address {};
    if (path.size() >= sizeof address.sun_path) return -1;
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST_F(StandinObjects, OnlyRegularFilesAreServedAndOthersNeverBlock) {
    // Opening a FIFO for reading waits for a writer: a service that did so would
    // hold the answer and then its own stop.
    ASSERT_EQ(0, ::mkfifo(dir.UnixPathOf("bucket/fifo").c_str(), 0644));
    Put("dir/inner.bin", "x");
    const int socketFd = BindUnixSocket(dir.UnixPathOf("bucket/socket"));
    ASSERT_GE(socketFd, 0);
    std::vector<std::string> keys = {"fifo", "dir", "socket"};
    // A device node needs CAP_MKNOD (the null device: opening it succeeds at once).
    if (::mknod(dir.UnixPathOf("bucket/null-device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        keys.push_back("null-device");
    } else {
        std::cout << "no device node case: mknod failed (" << errno << ")\n";
    }
    Start();
    for (const std::string& key : keys) {
        for (const char* method : {"GET", "HEAD"}) {
            SCOPED_TRACE(key + " " + method);
            Request request;
            request.method = method;
            request.key = key;
            const Reply reply = Send(request);
            ASSERT_TRUE(reply.answered) << reply.transportError;
            EXPECT_EQ(404, reply.status);
            if (std::string(method) == "GET") {
                EXPECT_EQ("NoSuchKey", ParseError(reply).code);
            }
        }
    }
    // Stop() waits for the exit and kills after 10 s (-9): a serving thread stuck
    // in open would keep the service from stopping.
    EXPECT_EQ(0, server->Stop());
    ::close(socketFd);
}

// Peak resident memory of a process, in KiB (VmHWM).
long PeakResidentKib(long pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

TEST_F(StandinObjects, StreamsLargeObjectsWithoutHoldingThem) {
    constexpr off_t kLarge = 96 << 20;
    Put("large.bin", "");
    ASSERT_EQ(0, ::truncate(dir.PathOf("bucket/large.bin").c_str(), kLarge));  // zeros
    Put("small.bin", "x");
    auto standin = objstore::test::NativeServer::StartStandin(settings.Args());
    Request request;
    request.key = "small.bin";
    ASSERT_EQ(200, standin_test::Send(standin->Port(), settings, request).status);
    const long before = PeakResidentKib(standin->Pid());
    request.key = "large.bin";
    const Reply reply = standin_test::Send(standin->Port(), settings, request);
    ASSERT_EQ(200, reply.status);
    EXPECT_EQ(static_cast<size_t>(kLarge), reply.body.size());
    EXPECT_EQ("\"" + Md5Hex(reply.body) + "\"", reply.headers.get("ETag", ""));
    // Sanitizer builds start large; only the growth tells.
    const long growth = PeakResidentKib(standin->Pid()) - before;
    EXPECT_GT(before, 0);
    EXPECT_LT(growth, 32 * 1024) << "the service's peak grew by " << growth << " KiB";
}

TEST_F(StandinObjects, ServesSixteenConnectionsAtOnce) {
    // Every answer waits 1.5 s: sixteen at once end in a few seconds, one after
    // another would take 24 s.
    const std::string object = Put("big.bin", PatternBytes(1 << 20, 6));
    settings.faults = {"delay:1500"};
    Start();
    constexpr int kClients = 16;
    std::atomic<int> good{0};
    std::vector<std::thread> clients;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&, i] {
            Request request;
            request.key = "big.bin";
            const uint64_t first = static_cast<uint64_t>(i) * 65536;
            request.headers["Range"] =
                "bytes=" + std::to_string(first) + "-" + std::to_string(first + 65535);
            const Reply reply = standin_test::Send(server->Port(), settings, request);
            if (reply.status == 206 && reply.body == object.substr(first, 65536)) ++good;
        });
    }
    for (std::thread& client : clients) client.join();
    const auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(kClients, good.load());
    EXPECT_LT(elapsed, std::chrono::seconds(12));
}

}  // namespace
}  // namespace standin_test
