#include "zip_writer.h"

#include <minizip/zip.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace release_builder {
namespace {

constexpr unsigned long kDosFolderAttribute = 0x10;
// "Made by" Unix, format version 2.0: readers then take the names as the bytes
// they are and the Unix mode from the high half of the attributes. The low byte
// keeps the MS-DOS attributes, which the installer reads.
constexpr unsigned long kMadeByUnix = 3 << 8 | 20;
constexpr size_t kCopyPiece = 64 * 1024;

struct SourceInfo {
    bool large = false;       // 4 GiB or more: needs the zip64 fields
    bool executable = false;  // keeps its execute bits on hosts that have them
};

SourceInfo InfoOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return SourceInfo();
    return {uint64_t(info.st_size) >= 0xFFFFFFFFull, (info.st_mode & 0111) != 0};
}

unsigned long Attributes(bool folder, bool executable) {
    const unsigned long mode = folder ? S_IFDIR | 0755 : S_IFREG | (executable ? 0755 : 0644);
    return mode << 16 | (folder ? kDosFolderAttribute : 0);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

ZipWriter::~ZipWriter() {
    if (m_zip != nullptr) zipClose(static_cast<zipFile>(m_zip), nullptr);
}

bool ZipWriter::Create(const std::string& path, std::string* error) {
    m_zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    m_path = path;
    if (m_zip == nullptr) *error = "cannot create the archive \"" + path + "\"";
    return m_zip != nullptr;
}

bool ZipWriter::OpenEntry(const std::string& name, uint32_t dosDateTime, bool folder,
                          bool executable, bool large, std::string* error) {
    zip_fileinfo info{};
    info.dosDate = dosDateTime;
    info.external_fa = Attributes(folder, executable);
    const int method = folder ? 0 : Z_DEFLATED;
    const int level = folder ? 0 : Z_BEST_COMPRESSION;
    if (zipOpenNewFileInZip4_64(static_cast<zipFile>(m_zip), name.c_str(), &info, nullptr, 0,
                                nullptr, 0, nullptr, method, level, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                Z_DEFAULT_STRATEGY, nullptr, 0, kMadeByUnix, 0,
                                large ? 1 : 0) != ZIP_OK) {
        *error = "cannot add the entry \"" + name + "\" to \"" + m_path + "\"";
        return false;
    }
    return true;
}

bool ZipWriter::AddFolder(const std::string& name, uint32_t dosDateTime, std::string* error) {
    if (!OpenEntry(name, dosDateTime, true, false, false, error)) return false;
    if (zipCloseFileInZip(static_cast<zipFile>(m_zip)) != ZIP_OK) {
        *error = "cannot finish the entry \"" + name + "\" in \"" + m_path + "\"";
        return false;
    }
    return true;
}

bool ZipWriter::AddFile(const std::string& name, const std::string& sourcePath,
                        uint32_t dosDateTime, std::string* error) {
    const SourceInfo source = InfoOf(sourcePath);
    if (!OpenEntry(name, dosDateTime, false, source.executable, source.large, error)) return false;
    const bool copied = CopyInto(name, sourcePath, error);
    // The entry is closed also after a failed copy, so that Close still works.
    const bool closed = zipCloseFileInZip(static_cast<zipFile>(m_zip)) == ZIP_OK;
    if (copied && !closed)
        *error = "cannot finish the entry \"" + name + "\" in \"" + m_path + "\"";
    return copied && closed;
}

bool ZipWriter::CopyInto(const std::string& name, const std::string& sourcePath,
                         std::string* error) {
    std::unique_ptr<std::FILE, FileCloser> source(std::fopen(sourcePath.c_str(), "rb"));
    if (!source) {
        *error = "cannot read \"" + sourcePath + "\"";
        return false;
    }
    std::vector<char> piece(kCopyPiece);
    for (;;) {
        const size_t got = std::fread(piece.data(), 1, piece.size(), source.get());
        if (got > 0 && zipWriteInFileInZip(static_cast<zipFile>(m_zip), piece.data(),
                                           unsigned(got)) != ZIP_OK) {
            *error = "cannot write the entry \"" + name + "\" to \"" + m_path + "\"";
            return false;
        }
        if (got < piece.size()) break;
    }
    if (std::ferror(source.get())) {
        *error = "cannot read \"" + sourcePath + "\"";
        return false;
    }
    return true;
}

bool ZipWriter::Close(std::string* error) {
    const int result = zipClose(static_cast<zipFile>(m_zip), nullptr);
    m_zip = nullptr;
    if (result != ZIP_OK) *error = "cannot finish the archive \"" + m_path + "\"";
    return result == ZIP_OK;
}

}  // namespace release_builder
