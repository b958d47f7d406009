// Start, stop, the request log, keep-alive, the spawner, and a signer written
// apart from the project's.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include <Poco/Exception.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/StreamSocket.h>
#include <Poco/Pipe.h>
#include <Poco/PipeStream.h>
#include <Poco/Process.h>
#include <Poco/StreamCopier.h>

#include "standin_fixture.h"
#include "support/native_server.h"
#include "support/server_binaries.h"
#include "support/spawner_client.h"
#include "util/codec.h"

namespace standin_test {
namespace {

using objstore::test::NativeServer;
using objstore::test::TestServer;

class StandinLifecycle : public StandinTest {};

TEST_F(StandinLifecycle, RequestLogHasOneLinePerRequest) {
    Put("8.5/a b.zip", PatternBytes(5000, 21));
    Start();
    struct Case {
        const char* method;
        const char* key;
        const char* range;
        bool sign;
        const char* status;
        const char* bytes;
    };
    const Case cases[] = {
        {"GET", "8.5/a b.zip", "bytes=0-99", true, "206", "100"},
        {"HEAD", "8.5/a b.zip", "", true, "200", "0"},
        {"GET", "8.5/a b.zip", "", true, "200", "5000"},
        {"HEAD", "missing", "", true, "404", "0"},
        {"GET", "8.5/a b.zip", "", false, "403", ""},
    };
    std::vector<std::string> ids;
    for (const Case& c : cases) {
        Request request;
        request.method = c.method;
        request.key = c.key;
        request.sign = c.sign;
        if (*c.range != '\0') request.headers["Range"] = c.range;
        ids.push_back(Send(request).headers.get("x-cos-request-id", ""));
    }
    const auto log = Log();
    ASSERT_EQ(std::size(cases), log.size());
    for (size_t i = 0; i < log.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        ASSERT_EQ(8u, log[i].size());
        EXPECT_EQ(24u, log[i][0].size());  // 2024-01-02T03:04:05.678Z
        EXPECT_EQ(c.method, log[i][1]);
        EXPECT_EQ("/" + objstore::EncodePath(c.key), log[i][2]);
        EXPECT_EQ(*c.range != '\0' ? c.range : "-", log[i][3]);
        EXPECT_EQ(c.status, log[i][4]);
        if (*c.bytes != '\0') {
            EXPECT_EQ(c.bytes, log[i][5]);
        }
        EXPECT_EQ(ids[i], log[i][6]);
        EXPECT_EQ("-", log[i][7]);
    }
}

TEST_F(StandinLifecycle, StopsCleanlyOnSigtermAndSigintEvenMidAnswer) {
    Put("slow.bin", PatternBytes(100000, 22));
    settings.faults = {"drip:1000"};  // 100 s for the whole object
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        auto standin = NativeServer::StartStandin(settings.Args());
        std::thread client([&] {
            Request request;
            request.key = "slow.bin";
            standin_test::Send(standin->Port(), settings, request);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(static_cast<pid_t>(standin->Pid()), sig);
        // Stop() waits for the exit; a server that ignored the signal would be
        // killed after 10 s and report -9.
        EXPECT_EQ(0, standin->Stop());
        client.join();
    }
}

// Reads one answer (head and Content-Length bytes) from a raw socket.
std::string ReadAnswer(Poco::Net::StreamSocket& socket, std::string& pending) {
    char buffer[4096];
    while (pending.find("\r\n\r\n") == std::string::npos) {
        const int got = socket.receiveBytes(buffer, sizeof buffer);
        if (got <= 0) return "";
        pending.append(buffer, static_cast<size_t>(got));
    }
    const size_t headEnd = pending.find("\r\n\r\n") + 4;
    const size_t lengthAt = pending.find("Content-Length: ");
    const size_t length = lengthAt < headEnd ? std::stoul(pending.substr(lengthAt + 16)) : 0;
    while (pending.size() < headEnd + length) {
        const int got = socket.receiveBytes(buffer, sizeof buffer);
        if (got <= 0) return "";
        pending.append(buffer, static_cast<size_t>(got));
    }
    std::string answer = pending.substr(0, headEnd + length);
    pending.erase(0, headEnd + length);
    return answer;
}

TEST_F(StandinLifecycle, KeepsTheConnectionForFurtherRequests) {
    Put("a.bin", "0123456789");
    Start();
    Poco::Net::StreamSocket socket(Poco::Net::SocketAddress("127.0.0.1", server->Port()));
    socket.setReceiveTimeout(Poco::Timespan(10, 0));
    std::string pending;
    for (const char* range : {"bytes=0-3", "bytes=4-", "bytes=-2"}) {
        SCOPED_TRACE(range);
        Request request;
        request.key = "a.bin";
        request.headers["Range"] = range;
        const std::string text =
            "GET /a.bin HTTP/1.1\r\nHost: " + settings.BucketHost() + "\r\nRange: " + range +
            "\r\nAuthorization: " + Authorization(settings, request) + "\r\n\r\n";
        socket.sendBytes(text.data(), static_cast<int>(text.size()));
        const std::string answer = ReadAnswer(socket, pending);
        EXPECT_EQ(0u, answer.find("HTTP/1.1 206"));
        EXPECT_NE(std::string::npos, answer.find("Connection: Keep-Alive"));
    }
}

// A raw connection to the stand-in that has sent nothing yet.
std::unique_ptr<Poco::Net::StreamSocket> OpenIdle(uint16_t port) {
    auto socket =
        std::make_unique<Poco::Net::StreamSocket>(Poco::Net::SocketAddress("127.0.0.1", port));
    socket->setReceiveTimeout(Poco::Timespan(20, 0));
    return socket;
}

std::string SignedGet(const objstore::test::StandinSettings& settings, const std::string& key) {
    Request request;
    request.key = key;
    return "GET /" + key + " HTTP/1.1\r\nHost: " + settings.BucketHost() +
           "\r\nAuthorization: " + Authorization(settings, request) + "\r\n\r\n";
}

// True when the server has closed the connection: poll reports it readable
// and a read ends (or fails) without data.
bool ClosedByServer(Poco::Net::StreamSocket& socket, Poco::Timespan wait) {
    if (!socket.poll(wait, Poco::Net::Socket::SELECT_READ)) return false;
    char byte = 0;
    try {
        return socket.receiveBytes(&byte, 1) <= 0;
    } catch (const Poco::Exception&) {
        return true;  // reset
    }
}

TEST_F(StandinLifecycle, IdleConnectionsHoldNoServingThread) {
    constexpr int kThreads = 32;
    Put("a.bin", "0123456789");
    // Far longer than the test: no idle connection is closed by the time-out.
    settings.extraArgs = {"--threads", std::to_string(kThreads), "--idle-timeout", "600"};
    Start();
    // More idle connections than serving threads: new ones that sent nothing, and
    // kept-alive ones after an answer.
    std::vector<std::unique_ptr<Poco::Net::StreamSocket>> idle;
    for (int i = 0; i < kThreads + 4; ++i) idle.push_back(OpenIdle(server->Port()));
    for (int i = 0; i < 4; ++i) {
        auto socket = OpenIdle(server->Port());
        const std::string text = SignedGet(settings, "a.bin");
        socket->sendBytes(text.data(), static_cast<int>(text.size()));
        std::string pending;
        ASSERT_EQ(0u, ReadAnswer(*socket, pending).find("HTTP/1.1 200")) << i;
        idle.push_back(std::move(socket));
    }

    // A thread per open connection would leave this one waiting until idle ones
    // time out; the client gives up after 30 s.
    Request request;
    request.key = "a.bin";
    const Reply reply = Send(request);
    ASSERT_TRUE(reply.answered) << reply.transportError;
    EXPECT_EQ(200, reply.status);
    EXPECT_EQ("0123456789", reply.body);

    // The idle connections are all still open, and each still serves a request.
    for (size_t i = 0; i < idle.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(ClosedByServer(*idle[i], Poco::Timespan(0)));
        const std::string text = SignedGet(settings, "a.bin");
        idle[i]->sendBytes(text.data(), static_cast<int>(text.size()));
        std::string pending;
        EXPECT_EQ(0u, ReadAnswer(*idle[i], pending).find("HTTP/1.1 200"));
    }
}

TEST_F(StandinLifecycle, IdleConnectionsAreClosedAfterTheIdleTimeout) {
    Put("a.bin", "0123456789");
    settings.extraArgs = {"--idle-timeout", "1"};
    Start();
    auto silent = OpenIdle(server->Port());
    auto keptAlive = OpenIdle(server->Port());
    const std::string text = SignedGet(settings, "a.bin");
    keptAlive->sendBytes(text.data(), static_cast<int>(text.size()));
    std::string pending;
    ASSERT_EQ(0u, ReadAnswer(*keptAlive, pending).find("HTTP/1.1 200"));
    // Generous: the service closes them after about a second.
    EXPECT_TRUE(ClosedByServer(*silent, Poco::Timespan(20, 0)));
    EXPECT_TRUE(ClosedByServer(*keptAlive, Poco::Timespan(20, 0)));
    // The service itself goes on accepting.
    Request request;
    request.key = "a.bin";
    EXPECT_EQ(200, Send(request).status);
}

TEST_F(StandinLifecycle, NginxServesTheSameFolderAndStops) {
    const std::string object = Put("8.5/base.zip", PatternBytes(3000, 23));
    auto nginx = TestServer::Nginx(settings.root);
    Request request;
    request.key = "8.5/base.zip";
    request.headers["Range"] = "bytes=1000-1999";
    const Reply reply = standin_test::Send(nginx->Port(), settings, request);
    EXPECT_EQ(206, reply.status);
    EXPECT_EQ(object.substr(1000, 1000), reply.body);
    EXPECT_EQ(0, nginx->Stop());
}

TEST_F(StandinLifecycle, SpawnerStartsAndStopsServersForTestServer) {
    const std::string object = Put("a.bin", PatternBytes(2000, 24));
    auto spawner = NativeServer::StartListening(objstore::test::SpawnerBinary(), {"--port", "0"});
    const std::string address = "127.0.0.1:" + std::to_string(spawner->Port());
    ::setenv("OBJSTORE_SERVER_SPAWNER", address.c_str(), 1);
    struct Unset {
        ~Unset() { ::unsetenv("OBJSTORE_SERVER_SPAWNER"); }
    } unset;

    Request request;
    request.key = "a.bin";
    {
        auto standin = TestServer::Standin(settings);
        auto nginx = TestServer::Nginx(settings.root);
        for (uint16_t port : {standin->Port(), nginx->Port()}) {
            EXPECT_EQ(object, standin_test::Send(port, settings, request).body) << port;
        }
        EXPECT_EQ(0, standin->Stop());
        EXPECT_FALSE(standin_test::Send(standin->Port(), settings, request).answered);
    }

    // A server left running ends with the spawner; start errors come back as text.
    objstore::test::SpawnerClient client(address);
    const auto left = client.StartStandin(settings.Args());
    EXPECT_THROW(client.StartStandin({"--bogus"}), std::runtime_error);
    EXPECT_THROW(client.Stop(9999), std::runtime_error);
    EXPECT_EQ(0, spawner->Stop());
    EXPECT_FALSE(standin_test::Send(left.port, settings, request).answered);
}

TEST_F(StandinLifecycle, AnIndependentSignerIsAccepted) {
    Put("8.5/base.zip", PatternBytes(4096, 25));
    Put("dir/a b+\xC3\xBC.bin", PatternBytes(300, 26));
    Start();
    Poco::Pipe output;
    const std::vector<std::string> args = {OBJSTORE_INDEPENDENT_SIGNER,
                                           "--port",
                                           std::to_string(server->Port()),
                                           "--host",
                                           settings.BucketHost(),
                                           "--secret-id",
                                           settings.secretId,
                                           "--secret-key",
                                           settings.secretKey,
                                           "--root",
                                           settings.root};
    Poco::ProcessHandle script =
        Poco::Process::launch(OBJSTORE_PYTHON3, args, nullptr, &output, &output);
    Poco::PipeInputStream in(output);
    std::string text;
    Poco::StreamCopier::copyToString(in, text);
    EXPECT_EQ(0, script.wait()) << text;
    EXPECT_NE(std::string::npos, text.find("independent signer: 6 of 6 checks passed")) << text;
}

}  // namespace
}  // namespace standin_test
