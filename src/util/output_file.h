// The local file a download writes into: opened truncated, written at offsets.
#pragma once

#include <cstdint>
#include <string>

namespace objstore {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile() { Close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens for writing only, binary, created if missing and truncated, shared for
    // reading and writing. Returns 0 or the errno of the failure.
    int Open(const std::string& path);
    // 0 or the errno of the failure.
    int Seek(uint64_t offset);
    // Writes all bytes (retrying short writes); 0 or the errno of the failure.
    int Write(const char* data, uint64_t length);
    // 0 or the errno of the failure (a delayed write error shows here); closing a
    // file that is not open succeeds.
    int Close();
    bool IsOpen() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
};

}  // namespace objstore
