#include "ui/text_tables.h"

#include "system/product_identity.h"
#include "system/product_settings.h"

namespace ui {
namespace {

constexpr int kSlot = 100;  // wide characters per entry
constexpr int kUiTextCount = 11;
constexpr int kStepCount = 15;

// Columns: English, traditional Chinese, simplified Chinese. UiText slots the dialog does not use
// (1 to 5, 8, 9) are empty.
const wchar_t kUiTexts[3][kUiTextCount][kSlot] = {
    {
        L"Install",  // 0
        L"", L"", L"", L"", L"",
        L" Fail",  // 6
        L"Open",   // 7
        L"", L"",
        L"Updating, please wait...",  // 10
    },
    {
        L"安裝",  // 0
        L"", L"", L"", L"", L"",
        L"失敗",  // 6
        L"打開",  // 7
        L"", L"",
        L"更新中，請稍後...",  // 10
    },
    {
        L"安装",  // 0
        L"", L"", L"", L"", L"",
        L"失败",  // 6
        L"打开",  // 7
        L"", L"",
        L"更新中，请稍后...",  // 10
    },
};

const wchar_t kStepCaptions[3][kStepCount][kSlot] = {
    {
        L"Download install-statistics",                                // 0
        L"Download front-end dependency library",                      // 1
        L"Download service dependency library",                        // 2
        L"Download configuration file",                                // 3
        L"Download runtime library",                                   // 4
        L"Download Quant runtime library",                             // 5
        L"Install front-end dependency library",                       // 6
        L"Install service dependency library",                         // 7
        L"Install configuration file",                                 // 8
        L"Install runtime library",                                    // 9
        L"Install Quant Runtime Library",                              // 10
        L"The folder or file is occupied by another program,install",  // 11
        L"Delete install files",                                       // 12
        L"Save version information",                                   // 13
        L"Delete backup files",                                        // 14
    },
    {
        L"下載安裝統計信息",                 // 0
        L"下載前端依賴庫",                   // 1
        L"下載服務依賴庫",                   // 2
        L"下載配置文件",                     // 3
        L"下載運行庫",                       // 4
        L"下載Quant運行庫",                  // 5
        L"安裝前端依賴庫",                   // 6
        L"安裝服務依賴庫",                   // 7
        L"安裝配置文件",                     // 8
        L"安裝運行庫",                       // 9
        L"安裝Quant運行庫",                  // 10
        L"文件夾或文件被另一程序占用,安裝",  // 11
        L"刪除安裝文件",                     // 12
        L"保存版本信息",                     // 13
        L"刪除備份文件",                     // 14
    },
    {
        L"下载安装统计信息",                 // 0
        L"下载前端依赖库",                   // 1
        L"下载服务依赖库",                   // 2
        L"下载配置文件",                     // 3
        L"下载运行库",                       // 4
        L"下载Quant运行库",                  // 5
        L"安装前端依赖库",                   // 6
        L"安装服务依赖库",                   // 7
        L"安装配置文件",                     // 8
        L"安装运行库",                       // 9
        L"安装Quant运行库",                  // 10
        L"文件夹或文件被另一程序占用,安装",  // 11
        L"删除安装文件",                     // 12
        L"保存版本信息",                     // 13
        L"删除备份文件",                     // 14
    },
};

int Column(int32_t languageId) {
    switch (TextLanguageOf(languageId)) {
        case TextLanguage::English:
            return 0;
        case TextLanguage::Traditional:
            return 1;
        case TextLanguage::Simplified:
            break;
    }
    return 2;
}

}  // namespace

TextLanguage TextLanguageOf(int32_t languageId) {
    if (languageId == kLanguageEnglish) return TextLanguage::English;
    if (languageId == kLanguageTraditional) return TextLanguage::Traditional;
    return TextLanguage::Simplified;
}

const wchar_t* UiTextFor(int32_t languageId, int index) {
    if (index < 0 || index >= kUiTextCount) return L"";
    return kUiTexts[Column(languageId)][index];
}

const wchar_t* StepCaptionFor(int32_t languageId, int index) {
    if (index < 0 || index >= kStepCount) return L"";
    return kStepCaptions[Column(languageId)][index];
}

}  // namespace ui

const wchar_t* UiText(int index) {
    return ui::UiTextFor(ProductSettings::Instance().languageId, index);
}

const wchar_t* StepCaption(int index) {
    return ui::StepCaptionFor(ProductSettings::Instance().languageId, index);
}
