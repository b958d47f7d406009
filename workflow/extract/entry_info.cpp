#include "workflow/extract/entry_info.h"

#include <cstring>

#include "platform/win32.h"
#include "workflow/extract/entry_names.h"
#include "workflow/extract/extract_log.h"

namespace {
constexpr unsigned long kDirectoryAttribute = 0x10;  // MS-DOS attributes, low byte
constexpr unsigned long kEncryptedFlag = 0x1;
constexpr unsigned long kUtf8NameFlag = 0x800;
}  // namespace

bool ReadCurrentEntry(unzFile zip, EntryInfo& entry) {
    unz_file_info64 info;
    char name[MAX_PATH] = {};
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    entry.utf8Name = (info.flag & kUtf8NameFlag) != 0;
    // A name cut to the buffer, or at a NUL inside it, would name a different file.
    size_t length = info.size_filename;
    if (length >= sizeof name || strlen(name) != length) {
        const char* reason = length >= sizeof name ? kEntryNameTooLong : kEntryNameInvalid;
        LogEntryFailure(reason, std::string(name, strnlen(name, sizeof name)), entry.utf8Name);
        return false;
    }
    entry.stored.assign(name, length);
    entry.name = entry.stored;
    for (char& c : entry.name)
        if (c == '/') c = '\\';
    // Folder entries of many archivers carry only the trailing separator, no attribute.
    entry.isFolder = (info.external_fa & kDirectoryAttribute) != 0 ||
                     (!entry.name.empty() && entry.name.back() == '\\');
    entry.encrypted = (info.flag & kEncryptedFlag) != 0;
    entry.dosDateTime = uint32_t(info.dosDate);
    entry.size = info.uncompressed_size;
    return true;
}

bool PlaceEntry(const char* destination, const EntryInfo& entry, std::string& path) {
    EntryNameProblem problem = CheckEntryName(entry.name);
    if (problem != EntryNameProblem::Fine) {
        bool escapes = problem == EntryNameProblem::Escapes;
        LogEntryFailure(escapes ? kEntryEscapes : kEntryNameInvalid, entry.stored, entry.utf8Name);
        return false;
    }
    path = JoinEntryPath(destination, entry.name);
    if (path.size() >= MAX_PATH) {
        LogEntryFailure(kEntryNameTooLong, entry.stored, entry.utf8Name);
        return false;
    }
    // The name check is the rule; the resolved path is the proof.
    if (!LiesBelow(path, destination)) {
        LogEntryFailure(kEntryEscapes, entry.stored, entry.utf8Name);
        return false;
    }
    return true;
}
