// A fresh temporary folder for one test, removed with the object.
#pragma once

#include <cstddef>
#include <string>

namespace objstore {
namespace test {

class TestDir {
  public:
    TestDir();
    ~TestDir();
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;

    // The folder for this program's own file I/O. Natively the same as
    // UnixPath(); in the Windows build (under Wine) "Z:" + the Unix path with
    // backslashes.
    const std::string& Path() const { return m_path; }
    // The folder as a native server on this machine sees it.
    const std::string& UnixPath() const { return m_unixPath; }

    // relative uses "/" between parts.
    std::string PathOf(const std::string& relative) const;
    std::string UnixPathOf(const std::string& relative) const;

    // Writes content to relative (parents created); returns PathOf(relative).
    std::string WriteFile(const std::string& relative, const std::string& content) const;

  private:
    std::string m_unixPath;
    std::string m_path;
};

// The whole file, in binary; "" when it cannot be read.
std::string ReadFile(const std::string& path);

// size bytes from a generator seeded with seed: the same bytes every run.
std::string RandomBytes(size_t size, unsigned seed);

}  // namespace test
}  // namespace objstore
