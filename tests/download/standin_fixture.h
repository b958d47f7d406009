// A stand-in service for one test, with a client configuration that reaches it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/test_dir.h"
#include "support/test_server.h"
#include "util/cos_config.h"
#include "util/cos_global_settings.h"

namespace objstore {
namespace test {

class StandinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CosGlobalSettings::Instance().SetLogLevel(0);
        m_settings.root = m_dir.UnixPathOf("bucket");
        m_settings.requestLog = m_dir.UnixPathOf("requests.log");
        m_dir.WriteFile("bucket/.keep", "");
    }

    void TearDown() override {
        m_server.reset();
        CosGlobalSettings::Instance().ResetToDefaults();
    }

    // Starts the service with the given fault options and points the client at it.
    void Start(const std::vector<std::string>& faults = {}) {
        m_server.reset();
        std::remove(m_dir.PathOf("requests.log").c_str());
        m_settings.faults = faults;
        m_server = TestServer::Standin(m_settings);
        CosGlobalSettings& settings = CosGlobalSettings::Instance();
        settings.SetForcedHost("127.0.0.1:" + std::to_string(m_server->Port()));
        settings.SetUseForcedHost(true);
    }

    CosConfig Config() const {
        return CosConfig(m_settings.appId, m_settings.secretId, m_settings.secretKey,
                         m_settings.region);
    }

    std::string PutObject(const std::string& key, const std::string& content) {
        return m_dir.WriteFile("bucket/" + key, content);
    }

    // Lines of the service's request log: "<time> <method> <path> <range> <status> ...".
    // The service logs a request after answering it, so it is stopped first: then
    // every request it served is in the log.
    std::vector<std::string> RequestLog(const std::string& method = "") {
        if (m_server) m_server->Stop();
        std::vector<std::string> lines;
        std::ifstream in(m_dir.PathOf("requests.log"));
        for (std::string line; std::getline(in, line);) {
            if (method.empty() || line.find(" " + method + " ") != std::string::npos) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    TestDir m_dir;
    StandinSettings m_settings;
    std::unique_ptr<TestServer> m_server;
};

}  // namespace test
}  // namespace objstore
