#include "platform/posix/lnk_format.h"

#include <cstring>
#include <string>

#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {
namespace {

const unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
enum : uint32_t {
    kHasLinkTargetIdList = 0x1,
    kHasLinkInfo = 0x2,
    kHasName = 0x4,
    kHasRelativePath = 0x8,
    kHasWorkingDir = 0x10,
    kHasArguments = 0x20,
    kHasIconLocation = 0x40,
    kIsUnicode = 0x80,
};
const uint32_t kVolumeIdAndLocalBasePath = 0x1;
const uint32_t kDriveFixed = 3;

void Put16(std::string& out, uint32_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void PutTime(std::string& out, const FILETIME& t) {
    Put32(out, t.dwLowDateTime);
    Put32(out, t.dwHighDateTime);
}
void PutUtf16(std::string& out, const std::wstring& text, bool terminate) {
    for (wchar_t c : text) Put16(out, uint32_t(c) & 0xFFFF);
    if (terminate) Put16(out, 0);
}
void PutCounted(std::string& out, const std::wstring& text) {
    Put16(out, uint32_t(text.size()));
    PutUtf16(out, text, false);
}

std::string LinkInfo(const LinkData& link) {
    const uint32_t headerSize = 0x24;
    std::string volume;
    Put32(volume, 0x11);  // VolumeIDSize
    Put32(volume, kDriveFixed);
    Put32(volume, link.driveSerial);
    Put32(volume, 0x10);  // VolumeLabelOffset
    volume += '\0';       // empty label
    std::string localBase = WideToAnsi(link.target);
    localBase += '\0';
    std::string unicodeBase;
    PutUtf16(unicodeBase, link.target, true);
    uint32_t volumeOffset = headerSize;
    uint32_t localOffset = volumeOffset + uint32_t(volume.size());
    uint32_t suffixOffset = localOffset + uint32_t(localBase.size());
    uint32_t unicodeOffset = suffixOffset + 1;
    uint32_t unicodeSuffixOffset = unicodeOffset + uint32_t(unicodeBase.size());
    uint32_t total = unicodeSuffixOffset + 2;
    std::string out;
    Put32(out, total);
    Put32(out, headerSize);
    Put32(out, kVolumeIdAndLocalBasePath);
    Put32(out, volumeOffset);
    Put32(out, localOffset);
    Put32(out, 0);  // no network location
    Put32(out, suffixOffset);
    Put32(out, unicodeOffset);
    Put32(out, unicodeSuffixOffset);
    out += volume + localBase;
    out += '\0';  // CommonPathSuffix
    out += unicodeBase;
    Put16(out, 0);  // CommonPathSuffixUnicode
    return out;
}

struct Reader {
    const std::string& bytes;
    size_t pos = 0;
    bool ok = true;
    uint32_t U16() {
        if (pos + 2 > bytes.size()) return ok = false, 0;
        uint32_t v = uint8_t(bytes[pos]) | (uint8_t(bytes[pos + 1]) << 8);
        pos += 2;
        return v;
    }
    uint32_t U32() {
        uint32_t lo = U16();
        return lo | (U16() << 16);
    }
    std::wstring Counted() {
        uint32_t n = U16();
        std::wstring text;
        for (uint32_t i = 0; i < n && ok; ++i) text += wchar_t(U16());
        return text;
    }
};

// A NUL-terminated string at an offset of a block; false when it does not end inside the block.
bool AnsiAt(const std::string& block, size_t pos, std::string& text) {
    if (pos >= block.size()) return false;
    size_t end = block.find('\0', pos);
    if (end == std::string::npos) return false;
    text = block.substr(pos, end - pos);
    return true;
}

bool Utf16At(const std::string& block, size_t pos, std::wstring& text) {
    text.clear();
    for (; pos + 1 < block.size(); pos += 2) {
        wchar_t c = wchar_t(uint8_t(block[pos]) | (uint8_t(block[pos + 1]) << 8));
        if (!c) return true;
        text += c;
    }
    return false;
}

}  // namespace

std::string EncodeShellLink(const LinkData& link) {
    uint32_t flags = kIsUnicode;
    bool hasTarget = !link.target.empty() && link.target.size() > 1 && link.target[1] == L':';
    if (hasTarget) flags |= kHasLinkInfo;
    if (!link.description.empty()) flags |= kHasName;
    if (!link.workingDirectory.empty()) flags |= kHasWorkingDir;
    if (!link.arguments.empty()) flags |= kHasArguments;
    if (!link.iconPath.empty()) flags |= kHasIconLocation;
    std::string out;
    Put32(out, 0x4C);
    out.append(reinterpret_cast<const char*>(kLinkClsid), 16);
    Put32(out, flags);
    Put32(out, link.targetAttributes);
    PutTime(out, link.creationTime);
    PutTime(out, link.accessTime);
    PutTime(out, link.writeTime);
    Put32(out, link.targetSize);
    Put32(out, uint32_t(link.iconIndex));
    Put32(out, uint32_t(link.showCommand));
    Put16(out, link.hotKey);
    Put16(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    if (hasTarget) out += LinkInfo(link);
    if (flags & kHasName) PutCounted(out, link.description);
    if (flags & kHasWorkingDir) PutCounted(out, link.workingDirectory);
    if (flags & kHasArguments) PutCounted(out, link.arguments);
    if (flags & kHasIconLocation) PutCounted(out, link.iconPath);
    Put32(out, 0);  // terminal block
    return out;
}

bool DecodeShellLink(const std::string& bytes, LinkData& link) {
    link = LinkData();
    if (bytes.size() < 0x4C || memcmp(bytes.data() + 4, kLinkClsid, 16) != 0) return false;
    Reader r{bytes};
    if (r.U32() != 0x4C) return false;
    r.pos = 20;
    uint32_t flags = r.U32();
    link.targetAttributes = r.U32();
    r.pos = 0x34;
    link.targetSize = r.U32();
    link.iconIndex = int(r.U32());
    link.showCommand = int(r.U32());
    link.hotKey = WORD(r.U16());
    r.pos = 0x4C;
    if (flags & kHasLinkTargetIdList) {
        uint32_t listSize = r.U16();
        if (!r.ok || listSize > bytes.size() - r.pos) return false;
        r.pos += listSize;
    }
    // Every size and offset of the link information is checked against the file before use.
    if (flags & kHasLinkInfo) {
        size_t start = r.pos;
        uint32_t size = r.U32();
        uint32_t headerSize = r.U32();
        uint32_t infoFlags = r.U32();
        r.U32();
        uint32_t localOffset = r.U32();
        r.U32();
        uint32_t suffixOffset = r.U32();
        const uint32_t kMinHeader = 0x1C;
        if (!r.ok || size > bytes.size() - start || headerSize < kMinHeader || headerSize > size)
            return false;
        std::string block = bytes.substr(start, size);
        if (infoFlags & kVolumeIdAndLocalBasePath) {
            if (headerSize >= 0x24) {
                uint32_t unicodeOffset = r.U32();
                if (!r.ok || !Utf16At(block, unicodeOffset, link.target)) return false;
            } else {
                std::string local, suffix;
                if (!AnsiAt(block, localOffset, local) || !AnsiAt(block, suffixOffset, suffix))
                    return false;
                link.target = AnsiToWide(local.c_str()) + AnsiToWide(suffix.c_str());
            }
        }
        r.pos = start + size;
    }
    if (flags & kHasName) link.description = r.Counted();
    if (flags & kHasRelativePath) r.Counted();
    if (flags & kHasWorkingDir) link.workingDirectory = r.Counted();
    if (flags & kHasArguments) link.arguments = r.Counted();
    if (flags & kHasIconLocation) link.iconPath = r.Counted();
    return r.ok;
}

}  // namespace winlayer
