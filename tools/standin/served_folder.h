// The folder served as the bucket, and opening an object's file inside it.
#pragma once

#include <string>

namespace standin {

class ServedFolder {
  public:
    // Throws std::runtime_error when path is not a folder.
    explicit ServedFolder(const std::string& path);
    ~ServedFolder();
    ServedFolder(const ServedFolder&) = delete;
    ServedFolder& operator=(const ServedFolder&) = delete;

    // Opens the regular file at key (a checked relative path) for reading, or
    // returns -1: also for a folder, FIFO, socket or device node, which are
    // opened without blocking and closed again. The path may not resolve outside the folder, also
    // not through a symbolic link; the kernel enforces it where it can (openat2 with
    // RESOLVE_BENEATH), otherwise the resolved path is compared with the folder's.
    int OpenObject(const std::string& key) const;

  private:
    std::string m_real;  // the folder with symbolic links resolved
    int m_fd;            // the folder, opened as a path
};

}  // namespace standin
