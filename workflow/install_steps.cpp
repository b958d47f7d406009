#include "workflow/install_steps.h"

namespace {

struct StepLines {
    int step;
    const char* start;
    const char* failure;
};

constexpr StepLines kStepLines[] = {
    {kStepDownloadDepend, "下载前端依赖库", "下载前端依赖库失败"},
    {kStepDownloadBase, "下载服务依赖库", "下载服务依赖库失败"},
    {kStepDownloadConfig, "下载配置文件", "下载配置文件失败"},
    {kStepDownloadFix, "下载运行库", "下载运行库失败"},
    {kStepDownloadQuant, "下载Quant", "下载Quant 失败"},
    {kStepUnpackDepend, "安装前端依赖库", "安装前端依赖库失败"},
    {kStepUnpackBase, "安装服务依赖库", "安装服务依赖库失败"},
    {kStepUnpackFix, "安装运行库", "安装运行库失败"},
    {kStepUnpackConfig, "安装配置文件", "安装配置文件失败"},
    {kStepCleanup, "清理安装文件", ""},
    {kStepSaveVersion, "保存更新版本信息", ""},
    {kStepReplace, "删除源文件", ""},
    {kStepMoveIn, "复制新版本数据到原目录", "安装失败"},
};

const StepLines* Find(int step) {
    for (const StepLines& lines : kStepLines) {
        if (lines.step == step) return &lines;
    }
    return nullptr;
}

}  // namespace

const char* StepStartLine(int step) {
    const StepLines* lines = Find(step);
    return lines ? lines->start : "";
}

const char* StepFailureLine(int step) {
    const StepLines* lines = Find(step);
    return lines ? lines->failure : "";
}
