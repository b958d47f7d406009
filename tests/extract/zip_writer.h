// Writes test archives with minizip's writer, including what Info-ZIP's zip will not write:
// hostile names, wrong checksums, entries shorter than they declare.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TestEntry {
    std::string name;
    std::string data;
    bool directoryAttribute = false;    // MS-DOS 0x10 in the external attributes
    uint32_t dosDateTime = 0x526428C4;  // 2021-03-04 05:06:08
    uint32_t crcXor = 0;                // non-zero: the stored checksum is wrong
    uint64_t extraDeclared = 0;         // declared size beyond the data
    const char* password = nullptr;     // encrypted entry
};

// Windows path in both builds. False when the writer fails.
bool WriteTestZip(const std::string& path, const std::vector<TestEntry>& entries);
