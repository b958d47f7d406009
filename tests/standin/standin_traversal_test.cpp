// Targets that try to leave the served folder are refused and never crash the
// service; a secret file lies beside the folder to catch any leak.
#include <gtest/gtest.h>

#include <unistd.h>

#include "standin_fixture.h"

namespace standin_test {
namespace {

constexpr char kSecret[] = "TOP-SECRET-BESIDE-THE-BUCKET";

struct TraversalCase {
    const char* target;      // raw request target
    const char* signedPath;  // the decoded path, so the signature is not the reason
    int status;
    const char* code;
};

const TraversalCase kCases[] = {
    {"/../secret.txt", "/../secret.txt", 400, "InvalidURI"},
    {"/ok.txt/../../secret.txt", "/ok.txt/../../secret.txt", 400, "InvalidURI"},
    {"/%2e%2e/secret.txt", "/../secret.txt", 400, "InvalidURI"},
    {"/%2E%2E/secret.txt", "/../secret.txt", 400, "InvalidURI"},
    {"/.%2e/secret.txt", "/../secret.txt", 400, "InvalidURI"},
    {"/..%2fsecret.txt", "/../secret.txt", 400, "InvalidURI"},
    {"/..%2Fsecret.txt", "/../secret.txt", 400, "InvalidURI"},
    {"/%2Fsecret.txt", "//secret.txt", 400, "InvalidURI"},
    {"/..%5csecret.txt", "/..\\secret.txt", 400, "InvalidURI"},
    {"/..\\secret.txt", "/..\\secret.txt", 400, "InvalidURI"},
    {"/./ok.txt", "/./ok.txt", 400, "InvalidURI"},
    {"/ok.txt/.", "/ok.txt/.", 400, "InvalidURI"},
    {"//ok.txt", "//ok.txt", 400, "InvalidURI"},
    {"/ok.txt%00", "/ok.txt", 400, "InvalidURI"},
    {"/ok.txt%00.png", "/ok.txt", 400, "InvalidURI"},
    {"/%zz", "/", 400, "InvalidURI"},
    {"/ok.txt%", "/ok.txt", 400, "InvalidURI"},
    {"/ok.txt?a=%zz", "/ok.txt", 400, "InvalidURI"},
    {"ok.txt", "/ok.txt", 400, "InvalidURI"},
    {"http://pkgs/../secret.txt", "/../secret.txt", 400, "InvalidURI"},
    {"/link-to-secret", "/link-to-secret", 404, "NoSuchKey"},
    {"/link-to-parent/secret.txt", "/link-to-parent/secret.txt", 404, "NoSuchKey"},
    {"/%252e%252e/secret.txt", "/%2e%2e/secret.txt", 404, "NoSuchKey"},  // a literal name
    {"/alias-of-ok", "/alias-of-ok", 200, ""},  // a link that stays inside is followed
};

class StandinTraversal : public StandinTest {};

TEST_F(StandinTraversal, TargetsOutsideTheFolderAreRefused) {
    dir.WriteFile("secret.txt", kSecret);
    Put("ok.txt", "fine");
    ASSERT_EQ(0, ::symlink(dir.UnixPathOf("secret.txt").c_str(),
                           dir.UnixPathOf("bucket/link-to-secret").c_str()));
    ASSERT_EQ(0, ::symlink("..", dir.UnixPathOf("bucket/link-to-parent").c_str()));
    ASSERT_EQ(0, ::symlink("ok.txt", dir.UnixPathOf("bucket/alias-of-ok").c_str()));
    Start();

    Request ok;
    ok.key = "ok.txt";
    for (const TraversalCase& c : kCases) {
        for (const char* method : {"GET", "HEAD"}) {
            SCOPED_TRACE(std::string(method) + " " + c.target);
            Request request;
            request.method = method;
            request.rawTarget = c.target;
            request.signedPath = c.signedPath;
            const Reply reply = Send(request);
            ASSERT_TRUE(reply.answered) << reply.transportError;
            EXPECT_EQ(c.status, reply.status);
            EXPECT_EQ(std::string::npos, reply.body.find(kSecret));
            if (std::string(method) == "GET") {
                EXPECT_EQ(c.code, ParseError(reply).code);
            }
            // Still serving.
            EXPECT_EQ("fine", Send(ok).body);
        }
    }
}

TEST_F(StandinTraversal, OtherMethodsAreNotAllowed) {
    Put("ok.txt", "fine");
    Start();
    for (const char* method : {"PUT", "POST", "DELETE", "OPTIONS", "PATCH"}) {
        SCOPED_TRACE(method);
        Request request;
        request.method = method;
        request.key = "ok.txt";
        const Reply reply = Send(request);
        EXPECT_EQ(405, reply.status);
        EXPECT_EQ("MethodNotAllowed", ParseError(reply).code);
        EXPECT_EQ("GET, HEAD", reply.headers.get("Allow", ""));
    }
    // A request body is read past, so the connection stays usable; nothing is written.
    Connection connection(server->Port(), settings);
    Request put;
    put.method = "PUT";
    put.key = "ok.txt";
    put.body = std::string(100000, 'x');
    EXPECT_EQ(405, connection.Send(put).status);
    Request get;
    get.key = "ok.txt";
    EXPECT_EQ("fine", connection.Send(get).body);
}

}  // namespace
}  // namespace standin_test
