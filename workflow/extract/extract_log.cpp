#include "workflow/extract/extract_log.h"

#include "system/install_log.h"
#include "system/text_convert.h"

const char kEntryEscapes[] = "拒绝解压越出目标文件夹的条目";
const char kEntryNameInvalid[] = "拒绝解压名称无效的条目";
const char kEntryNameTooLong[] = "解压条目失败，路径过长";
const char kEntryFolderIsFile[] = "解压条目失败，同名文件已存在";
const char kEntryFileIsFolder[] = "解压条目失败，同名文件夹已存在";
const char kEntryNoFolder[] = "解压条目失败，无法创建文件夹";
const char kEntryUnreadable[] = "解压条目失败，无法读取";
const char kEntryDamaged[] = "解压条目失败，数据损坏，已删除";
const char kEntryWriteFailed[] = "解压条目失败，写入失败，已删除";
const char kEntryAborted[] = "解压条目失败，文件被占用，用户终止";
const char kDamagedDirectory[] = "压缩包目录损坏";

void LogEntryFailure(const char* reason, const std::string& entryName, bool utf8Name) {
    // Entry names are not bound to the path buffers: up to 4 KiB of UTF-8 is kept.
    std::string name =
        utf8Name ? entryName
                 : WideToNarrow(CP_UTF8, NarrowToWide(kPathCodePage, entryName, 1024), 4096);
    WriteLogLine((std::string(reason) + ": " + name).c_str());
}

void LogArchiveFailure(const char* reason) {
    WriteLogLine(reason);
}
