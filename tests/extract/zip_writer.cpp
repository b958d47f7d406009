#include "zip_writer.h"

#include <minizip/zip.h>
#include <zlib.h>

#include "platform/win32.h"

namespace {

bool WriteEntry(zipFile zip, const TestEntry& e) {
    zip_fileinfo info = {};
    info.dosDate = e.dosDateTime;
    info.external_fa = e.directoryAttribute ? 0x10 : 0x20;
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), uInt(e.data.size()));
    bool raw = e.crcXor != 0 || e.extraDeclared != 0;  // stored bytes with chosen crc and size
    int opened = zipOpenNewFileInZip3(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      raw ? 0 : Z_DEFLATED, raw ? 0 : Z_DEFAULT_COMPRESSION,
                                      raw ? 1 : 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                      e.password, e.password ? crc : 0);
    if (opened != ZIP_OK) return false;
    if (!e.data.empty() &&
        zipWriteInFileInZip(zip, e.data.data(), unsigned(e.data.size())) != ZIP_OK)
        return false;
    if (raw)
        return zipCloseFileInZipRaw64(zip, e.data.size() + e.extraDeclared, crc ^ e.crcXor) ==
               ZIP_OK;
    return zipCloseFileInZip(zip) == ZIP_OK;
}

}  // namespace

bool WriteTestZip(const std::string& path, const std::vector<TestEntry>& entries) {
    zipFile zip = zipOpen64(HostFilePath(path).c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    bool ok = true;
    for (const TestEntry& e : entries) ok = ok && WriteEntry(zip, e);
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}
