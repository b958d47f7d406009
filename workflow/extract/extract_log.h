// Install-log lines of the extraction: why an entry or an archive failed, with the entry's name.
#pragma once

#include <string>

// Reasons, UTF-8, each followed in the log by ": " and the entry's name.
extern const char kEntryEscapes[];       // the name reaches outside the destination
extern const char kEntryNameInvalid[];   // not a valid Windows name
extern const char kEntryNameTooLong[];   // the name or the joined path does not fit MAX_PATH
extern const char kEntryFolderIsFile[];  // a folder entry where a file is
extern const char kEntryFileIsFolder[];  // a file entry where a folder is
extern const char kEntryNoFolder[];      // the entry's folder cannot be created
extern const char kEntryUnreadable[];    // encrypted, unknown method or a damaged local header
extern const char kEntryDamaged[];       // data that cannot be inflated, a wrong checksum or size
extern const char kEntryWriteFailed[];   // the disk refused the data
extern const char kEntryAborted[];       // the user chose Abort for a file in use
// Archive-wide reason, logged alone.
extern const char kDamagedDirectory[];

// entryName as the archive stores it: UTF-8 when utf8Name (the entry's flag bit 11), else code
// page 936.
void LogEntryFailure(const char* reason, const std::string& entryName, bool utf8Name);
void LogArchiveFailure(const char* reason);
