// A server process on this machine, started for a test and stopped with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace objstore {
namespace test {

class NativeServer {
  public:
    // Starts a program that prints "listening 127.0.0.1:<port>" as its first line
    // (objstore-standin, objstore-server-spawner). Throws std::runtime_error when
    // the program cannot start or exits before printing the line.
    static std::unique_ptr<NativeServer> StartListening(const std::string& binary,
                                                        const std::vector<std::string>& args);

    // objstore-standin with args; "--port 0" is added unless args name a port.
    static std::unique_ptr<NativeServer> StartStandin(const std::vector<std::string>& args);

    // nginx serving root on a free loopback port, with its own configuration,
    // logs and temporary folders; returns once the port accepts connections.
    static std::unique_ptr<NativeServer> StartNginx(const std::string& root);

    ~NativeServer();
    NativeServer(const NativeServer&) = delete;
    NativeServer& operator=(const NativeServer&) = delete;

    uint16_t Port() const { return m_port; }
    long Pid() const { return m_pid; }

    // Asks the process to end (SIGTERM), kills it after 10 s, and returns its exit
    // code (negative: the signal that ended it). Later calls return the same value.
    int Stop();

  private:
    NativeServer(long pid, uint16_t port, std::string workDir, int outputFd);

    long m_pid;
    uint16_t m_port;
    std::string m_workDir;  // removed after the stop; "" when none
    int m_outputFd;         // read end of the program's standard output; -1 when none
    bool m_stopped = false;
    int m_exitCode = 0;
};

}  // namespace test
}  // namespace objstore
