#include "support/native_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <Poco/Exception.h>
#include <Poco/File.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/StreamSocket.h>

#include "support/server_binaries.h"

namespace objstore {
namespace test {
namespace {

constexpr char kListeningPrefix[] = "listening 127.0.0.1:";

void RequireExecutable(const std::string& binary, const char* what) {
    if (binary.empty() || ::access(binary.c_str(), X_OK) != 0) {
        throw std::runtime_error(std::string("no executable ") + what + " at '" + binary + "'");
    }
}

// Waits up to timeout for the child to end; true with its exit code (negative
// signal number when a signal ended it) when it did.
bool WaitForExit(pid_t pid, std::chrono::milliseconds timeout, int* code) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        int status = 0;
        const pid_t rc = ::waitpid(pid, &status, WNOHANG);
        if (rc == pid) {
            *code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            return true;
        }
        if (rc < 0 && errno != EINTR) {
            *code = -1;
            return true;  // not our child any more
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int EndProcess(pid_t pid) {
    int code = 0;
    ::kill(pid, SIGTERM);
    if (WaitForExit(pid, std::chrono::seconds(10), &code)) return code;
    ::kill(pid, SIGKILL);
    WaitForExit(pid, std::chrono::seconds(10), &code);
    return code;
}

// Starts binary with args. The child gets default signal handling and an empty
// signal mask (callers such as the spawner block the stop signals), and no file
// descriptors but 0-2, so it holds no socket or pipe of ours. With stdoutFd set,
// its standard output is a pipe whose read end is returned there.
pid_t Launch(const std::string& binary, const std::vector<std::string>& args, int* stdoutFd) {
    std::vector<std::string> argvText;
    argvText.push_back(binary);
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    if (stdoutFd != nullptr && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot create a pipe for " + binary);
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
        if (stdoutFd != nullptr) ::dup2(pipeFds[1], 1);
        ::close_range(3, ~0u, 0);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (stdoutFd != nullptr) {
        ::close(pipeFds[1]);
        if (pid < 0) ::close(pipeFds[0]);
    }
    if (pid < 0) throw std::runtime_error("cannot start " + binary);
    if (stdoutFd != nullptr) *stdoutFd = pipeFds[0];
    return pid;
}

// The first line the program writes (without the line feed); "" at end of file.
std::string ReadLine(int fd) {
    std::string line;
    char c = 0;
    while (true) {
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || c == '\n') return line;
        line += c;
    }
}

uint16_t PickFreePort() {
    Poco::Net::ServerSocket probe(Poco::Net::SocketAddress("127.0.0.1", 0));
    const uint16_t port = probe.address().port();
    probe.close();
    return port;
}

bool Accepts(uint16_t port) {
    try {
        Poco::Net::StreamSocket socket;
        socket.connect(Poco::Net::SocketAddress("127.0.0.1", port), Poco::Timespan(0, 200000));
        socket.close();
        return true;
    } catch (const Poco::Exception&) {
        return false;
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string MakeWorkDir(const char* stem) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + stem + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a folder like " + pattern);
    }
    return pattern;
}

void WriteNginxConfig(const std::string& path, const std::string& workDir, const std::string& root,
                      uint16_t port) {
    std::ofstream conf(path, std::ios::trunc);
    conf << "daemon off;\n"
            "master_process off;\n"
            "worker_processes 1;\n"
            "pid "
         << workDir
         << "/nginx.pid;\n"
            "error_log "
         << workDir
         << "/error.log warn;\n"
            "events { worker_connections 1024; }\n"
            "http {\n"
            "    access_log "
         << workDir
         << "/access.log;\n"
            "    client_body_temp_path "
         << workDir
         << "/client_body;\n"
            "    proxy_temp_path "
         << workDir
         << "/proxy;\n"
            "    fastcgi_temp_path "
         << workDir
         << "/fastcgi;\n"
            "    uwsgi_temp_path "
         << workDir
         << "/uwsgi;\n"
            "    scgi_temp_path "
         << workDir
         << "/scgi;\n"
            "    sendfile on;\n"
            "    tcp_nopush on;\n"
            "    keepalive_requests 100000;\n"
            "    default_type application/octet-stream;\n"
            "    server {\n"
            "        listen 127.0.0.1:"
         << port
         << ";\n"
            "        root "
         << root
         << ";\n"
            "        location / { }\n"
            "    }\n"
            "}\n";
    if (!conf) throw std::runtime_error("cannot write " + path);
}

}  // namespace

NativeServer::NativeServer(long pid, uint16_t port, std::string workDir, int outputFd)
    : m_pid(pid), m_port(port), m_workDir(std::move(workDir)), m_outputFd(outputFd) {}

NativeServer::~NativeServer() {
    Stop();
    if (m_outputFd >= 0) ::close(m_outputFd);
    if (!m_workDir.empty()) {
        try {
            Poco::File(m_workDir).remove(true);
        } catch (const Poco::Exception&) {
        }
    }
}

int NativeServer::Stop() {
    if (!m_stopped) {
        m_stopped = true;
        m_exitCode = EndProcess(static_cast<pid_t>(m_pid));
    }
    return m_exitCode;
}

std::unique_ptr<NativeServer> NativeServer::StartListening(const std::string& binary,
                                                           const std::vector<std::string>& args) {
    RequireExecutable(binary, "server");
    int output = -1;
    const pid_t pid = Launch(binary, args, &output);
    const std::string line = ReadLine(output);
    if (line.rfind(kListeningPrefix, 0) != 0) {
        ::close(output);
        const int code = EndProcess(pid);
        throw std::runtime_error(binary + " did not start (exit code " + std::to_string(code) +
                                 "), first line: '" + line + "'");
    }
    const int port = std::atoi(line.c_str() + sizeof(kListeningPrefix) - 1);
    return std::unique_ptr<NativeServer>(
        new NativeServer(pid, static_cast<uint16_t>(port), "", output));
}

std::unique_ptr<NativeServer> NativeServer::StartStandin(const std::vector<std::string>& args) {
    std::vector<std::string> all = args;
    bool hasPort = false;
    for (const std::string& arg : args) hasPort = hasPort || arg.rfind("--port", 0) == 0;
    if (!hasPort) {
        all.push_back("--port");
        all.push_back("0");
    }
    return StartListening(StandinBinary(), all);
}

std::unique_ptr<NativeServer> NativeServer::StartNginx(const std::string& root) {
    const std::string binary = NginxBinary();
    RequireExecutable(binary, "nginx");
    const std::string workDir = MakeWorkDir("objstore-nginx");
    const std::string confPath = workDir + "/nginx.conf";
    const std::string errorLog = workDir + "/error.log";
    std::string lastError;
    // A port picked free may be taken again before nginx binds it: try others.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const uint16_t port = PickFreePort();
        WriteNginxConfig(confPath, workDir, root, port);
        const pid_t pid =
            Launch(binary, {"-p", workDir + "/", "-c", confPath, "-e", errorLog}, nullptr);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int code = 0;
        bool exited = false;
        while (std::chrono::steady_clock::now() < deadline) {
            if (WaitForExit(pid, std::chrono::milliseconds(0), &code)) {
                exited = true;
                break;
            }
            if (Accepts(port)) {
                return std::unique_ptr<NativeServer>(new NativeServer(pid, port, workDir, -1));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!exited) code = EndProcess(pid);
        lastError = "nginx exited with " + std::to_string(code) + ": " + ReadFile(errorLog);
        if (lastError.find("Address already in use") == std::string::npos) break;
    }
    try {
        Poco::File(workDir).remove(true);
    } catch (const Poco::Exception&) {
    }
    throw std::runtime_error(lastError);
}

}  // namespace test
}  // namespace objstore
