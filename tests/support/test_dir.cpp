#include "support/test_dir.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include <Poco/Exception.h>
#include <Poco/File.h>
#include <Poco/Path.h>
#include <Poco/Process.h>

namespace objstore {
namespace test {
namespace {

// Natively the folder is used as it is; under Wine, drive Z: is the Unix root.
std::string ForThisProgram(const std::string& unixPath) {
#ifdef _WIN32
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
#else
    return unixPath;
#endif
}

std::string UnixTempRoot() {
    const char* tmp = std::getenv("TMPDIR");
    std::string root = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

}  // namespace

TestDir::TestDir() {
    static std::atomic<unsigned> counter{0};
    const std::string root = UnixTempRoot();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string name = "objstore-test-" + std::to_string(Poco::Process::id()) + "-" +
                                 std::to_string(counter.fetch_add(1)) + "-" +
                                 std::to_string(static_cast<unsigned long long>(ticks) % 1000000);
        m_unixPath = root + "/" + name;
        m_path = ForThisProgram(m_unixPath);
        if (Poco::File(m_path).createDirectory()) return;
    }
    throw std::runtime_error("cannot create a test folder in " + root);
}

TestDir::~TestDir() {
    try {
        Poco::File(m_path).remove(true);
    } catch (const Poco::Exception&) {
    }
}

std::string TestDir::PathOf(const std::string& relative) const {
    return ForThisProgram(UnixPathOf(relative));
}

std::string TestDir::UnixPathOf(const std::string& relative) const {
    return relative.empty() ? m_unixPath : m_unixPath + "/" + relative;
}

std::string TestDir::WriteFile(const std::string& relative, const std::string& content) const {
    const std::string path = PathOf(relative);
    Poco::File(Poco::Path(path).parent()).createDirectories();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(gen());
    return bytes;
}

}  // namespace test
}  // namespace objstore
