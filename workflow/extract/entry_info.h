// The current entry of an open archive: what the extraction uses of it, and where it goes.
#pragma once

#include <minizip/unzip.h>

#include <cstdint>
#include <string>

struct EntryInfo {
    std::string stored;  // the name as the archive stores it, for the log
    std::string name;    // the same with "/" made "\"
    bool utf8Name = false;
    bool isFolder = false;  // MS-DOS directory attribute, or a name ending in "\"
    bool encrypted = false;
    uint32_t dosDateTime = 0;  // date in the high 16 bits, time in the low 16 bits
    uint64_t size = 0;         // uncompressed size the entry declares
};

// False (with a log line for a name that is too long or holds a NUL) when the information cannot
// be read or the name cannot be used whole.
bool ReadCurrentEntry(unzFile zip, EntryInfo& entry);

// The path of the entry below destination; false, with a log line, when the name is refused or
// the path does not fit MAX_PATH.
bool PlaceEntry(const char* destination, const EntryInfo& entry, std::string& path);
