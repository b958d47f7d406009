#include "workflow/extract/entry_file.h"

#include <cstdio>
#include <vector>

#include "platform/win32.h"
#include "workflow/extract/extract_log.h"
#include "workflow/extract/unzip.h"

namespace {

// "警告" and "无法覆盖文件"%s",该文件可能正被使用!" + line break + "是否终止升级?", code page 936.
const char kWarningCaption[] = "\xBE\xAF\xB8\xE6";
const char kFileInUseFormat[] =
    "\xCE\xDE\xB7\xA8\xB8\xB2\xB8\xC7\xCE\xC4\xBC\xFE\"%s\","
    "\xB8\xC3\xCE\xC4\xBC\xFE\xBF\xC9\xC4\xDC"
    "\xD5\xFD\xB1\xBB\xCA\xB9\xD3\xC3!\n\xCA\xC7\xB7\xF1\xD6\xD5\xD6\xB9\xC9\xFD\xBC\xB6?";

// Pieces handed from the inflater to the file: large enough that a write call is not paid per 2
// KiB.
constexpr DWORD kPieceSize = 64 * 1024;

enum class Created { Yes, Abort, Ignore };

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates (or empties) the file; while that fails, asks whether to give up, try again or keep the
// existing file. A folder of that name is no file in use: no question, the entry fails. A box that
// cannot be shown counts as Abort, so the loop always ends.
Created CreateTarget(const EntryInfo& entry, const std::string& path, HANDLE& file) {
    for (;;) {
        file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return Created::Yes;
        if (IsFolder(path)) {
            LogEntryFailure(kEntryFileIsFolder, entry.stored, entry.utf8Name);
            return Created::Abort;
        }
        char text[1024];
        snprintf(text, sizeof text, kFileInUseFormat, entry.name.c_str());
        int answer = MessageBoxA(nullptr, text, kWarningCaption, MB_ABORTRETRYIGNORE);
        if (answer == IDIGNORE) return Created::Ignore;
        if (answer != IDRETRY) {
            LogEntryFailure(kEntryAborted, entry.stored, entry.utf8Name);
            return Created::Abort;
        }
    }
}

enum class Copied { Whole, ReadFailed, WriteFailed };

Copied CopyData(unzFile zip, HANDLE file, uint64_t& total) {
    std::vector<char> piece(kPieceSize);
    total = 0;
    for (;;) {
        int n = unzReadCurrentFile(zip, piece.data(), unsigned(piece.size()));
        if (n < 0) return Copied::ReadFailed;
        if (n == 0) return Copied::Whole;
        DWORD written = 0;
        if (!WriteFile(file, piece.data(), DWORD(n), &written, nullptr) || written != DWORD(n))
            return Copied::WriteFailed;
        total += uint64_t(n);
    }
}

// The entry's MS-DOS stamp is local time; the file system keeps UTC. A stamp that does not convert
// leaves the times the file has.
void SetEntryTimes(HANDLE file, uint32_t dosDateTime) {
    FILETIME creation, access, write, local, utc;
    if (!GetFileTime(file, &creation, &access, &write)) return;
    if (!DosDateTimeToFileTime(WORD(dosDateTime >> 16), WORD(dosDateTime & 0xFFFF), &local) ||
        !LocalFileTimeToFileTime(&local, &utc))
        return;
    SetFileTime(file, &utc, &access, &utc);
}

// Copies the open entry into the new file and checks it; the file is closed on return.
const char* WriteEntryData(unzFile zip, const EntryInfo& entry, HANDLE file) {
    uint64_t total = 0;
    Copied copied = CopyData(zip, file, total);
    // The checksum is only checked when the whole declared size came out; a short entry would
    // otherwise pass for a good one.
    int closed = unzCloseCurrentFile(zip);
    const char* failure = nullptr;
    if (copied == Copied::WriteFailed)
        failure = kEntryWriteFailed;
    else if (copied == Copied::ReadFailed || closed != UNZ_OK || total != entry.size)
        failure = kEntryDamaged;
    if (!failure) SetEntryTimes(file, entry.dosDateTime);  // on the handle: no second open
    CloseHandle(file);
    return failure;
}

}  // namespace

bool ExtractFolderEntry(const EntryInfo& entry, const std::string& path) {
    if (TUnzip::CreatePath(path.c_str())) return true;
    LogEntryFailure(IsFolder(path) ? kEntryNoFolder : kEntryFolderIsFile, entry.stored,
                    entry.utf8Name);
    return false;
}

bool ExtractFileEntry(unzFile zip, const EntryInfo& entry, const std::string& path) {
    size_t cut = path.rfind('\\');
    if (cut == std::string::npos) return false;
    // Most entries go into a folder that an earlier entry made: one question instead of one
    // creation per level.
    std::string folder = path.substr(0, cut);
    if (!IsFolder(folder) && !TUnzip::CreatePath(folder.c_str())) {
        LogEntryFailure(kEntryNoFolder, entry.stored, entry.utf8Name);
        return false;
    }
    // Opened before the file is created, so an entry that cannot be read leaves an existing file.
    if (entry.encrypted || unzOpenCurrentFile(zip) != UNZ_OK) {
        LogEntryFailure(kEntryUnreadable, entry.stored, entry.utf8Name);
        return false;
    }
    HANDLE file = INVALID_HANDLE_VALUE;
    Created created = CreateTarget(entry, path, file);
    if (created != Created::Yes) {
        unzCloseCurrentFile(zip);
        return created == Created::Ignore;
    }
    const char* failure = WriteEntryData(zip, entry, file);
    if (!failure) return true;
    DeleteFileA(path.c_str());  // no damaged file is left to pass for a good one
    LogEntryFailure(failure, entry.stored, entry.utf8Name);
    return false;
}
