// A stand-in serving dir/bucket, with its request log in dir, for one test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <Poco/File.h>

#include "standin_client.h"
#include "support/test_dir.h"
#include "support/test_server.h"

namespace standin_test {

class StandinTest : public ::testing::Test {
  protected:
    StandinTest() {
        Poco::File(dir.PathOf("bucket")).createDirectories();
        settings.root = dir.UnixPathOf("bucket");
        settings.requestLog = dir.UnixPathOf("requests.log");
    }

    void Start() { server = objstore::test::TestServer::Standin(settings); }

    // Writes an object into the bucket folder and returns its content.
    std::string Put(const std::string& key, const std::string& content) {
        dir.WriteFile("bucket/" + key, content);
        return content;
    }

    Reply Send(const Request& request) {
        return standin_test::Send(server->Port(), settings, request);
    }

    std::vector<std::vector<std::string>> Log() const {
        return ReadRequestLog(dir.PathOf("requests.log"));
    }

    objstore::test::TestDir dir;
    objstore::test::StandinSettings settings;
    std::unique_ptr<objstore::test::TestServer> server;
};

}  // namespace standin_test
