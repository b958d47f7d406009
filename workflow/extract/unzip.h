// TUnzip: unpacks a zip archive entry by entry below a destination folder. Paths are narrow texts
// (code page 936) with "\" separators; entry names are used as the archive stores them, "/" made
// "\".
//
// Every failure is a false result, and the first entry that fails ends ExtractAll (entries written
// before it stay). An entry is refused, with a line naming it in the install log, when its name
// would reach outside the destination (absolute, drive letter, UNC, "..", a stream), is not a valid
// Windows name, is 260 bytes or longer or the joined path is, or names a folder where a file is
// (or the reverse). An entry that cannot be read, fails its checksum or has fewer bytes than it
// declares fails too, and its partly written file is deleted.
//
// A file that cannot be created (in use by another program, read-only) brings up a box "警告"
// with Abort, Retry and Ignore: Abort fails the entry, Retry tries again, Ignore keeps the existing
// file and counts the entry as extracted.
#pragma once

#include <minizip/unzip.h>

#include "platform/win32.h"

class TUnzip {
  public:
    TUnzip();
    virtual ~TUnzip();
    TUnzip(const TUnzip&) = delete;
    TUnzip& operator=(const TUnzip&) = delete;

    // Closes any open archive, then opens the one at archivePath (made a full path). False for a
    // null or empty path, one whose full form does not fit MAX_PATH, or a file that is no archive.
    bool OpenArchive(const char* archivePath);
    void CloseArchive();

    // Every entry in the archive's order below destination (created first). False when no archive
    // is open, the archive has no entries, its directory is damaged or an entry fails.
    bool ExtractAll(const char* destination);
    // The current entry; a null destination means the archive's own folder.
    bool ExtractCurrent(const char* destination);

    // Creates every missing folder of an absolute path that begins with a drive ("C:\a\b\" makes
    // C:\a and C:\a\b); a path of one part creates nothing. False when a folder cannot be made or
    // the path's last part exists as a file.
    static bool CreatePath(const char* path);
    // OpenArchive and ExtractAll on an object of its own.
    static bool UnzipToFolder(const char* archivePath, const char* destination);

  private:
    // ExtractCurrent once the destination exists (ExtractAll creates it once, not per entry).
    bool ExtractEntry(const char* folder);

    unzFile handle;
    char defaultFolder[MAX_PATH + 1];  // drive and folder of the open archive, ending with "\"
};
