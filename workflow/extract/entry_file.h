// Writing one entry of an open archive at its path below the destination.
#pragma once

#include <minizip/unzip.h>

#include <string>

#include "workflow/extract/entry_info.h"

// Creates the folder (and its parents); false, with a log line, when a file has its name.
bool ExtractFolderEntry(const EntryInfo& entry, const std::string& path);

// Creates the file's folders, then the file (asking about a file in use), copies the data and
// gives the file the entry's time as creation and last-write time. The existing file is left
// alone when the entry cannot be read at all; a copy that fails, a wrong checksum or a short entry
// deletes the file written. Ignore for a file in use gives true with the old file kept.
bool ExtractFileEntry(unzFile zip, const EntryInfo& entry, const std::string& path);
