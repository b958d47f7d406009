// A zip archive written entry by entry with minizip.
#pragma once

#include <cstdint>
#include <string>

namespace release_builder {

// Files are stored deflated, folders as empty stored entries whose names end
// with "/" and that carry the MS-DOS folder attribute (0x10), which is how the
// installer's extractor recognises them. Every entry carries the MS-DOS date
// and time it is given, and a Unix mode (0755 for folders and for files with an
// execute bit, 0644 for other files) for readers on Unix hosts. Names are
// written as given, without the UTF-8 flag. Methods return false with a
// message in *error.
class ZipWriter {
  public:
    ZipWriter() = default;
    ~ZipWriter();  // closes an archive that is still open (without checking)
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    bool Create(const std::string& path, std::string* error);
    bool AddFolder(const std::string& name, uint32_t dosDateTime, std::string* error);
    // Copies the whole host file sourcePath into the entry name.
    bool AddFile(const std::string& name, const std::string& sourcePath, uint32_t dosDateTime,
                 std::string* error);
    // Writes the central directory; the archive is complete only after this.
    bool Close(std::string* error);

  private:
    bool OpenEntry(const std::string& name, uint32_t dosDateTime, bool folder, bool executable,
                   bool large, std::string* error);
    bool CopyInto(const std::string& name, const std::string& sourcePath, std::string* error);

    void* m_zip = nullptr;
    std::string m_path;
};

}  // namespace release_builder
