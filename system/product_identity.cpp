#include "system/product_identity.h"

#include <cstring>

#include "system/product_settings.h"
#include "system/text_convert.h"

namespace {
constexpr size_t kResourceBuffer = 260;
constexpr size_t kConversionLimit = 1024;
constexpr UINT kTraditionalCodePage = 950;
}  // namespace

std::string LoadResourceText(UINT id) {
    char buffer[kResourceBuffer] = {};
    if (LoadStringA(GetModuleHandleW(nullptr), id, buffer, int(sizeof buffer)) <= 0) return "";
    return buffer;
}

int32_t ProductLanguageOf(int32_t uiLanguage) {
    return uiLanguage == kLanguageHongKong ? kLanguageTraditional : uiLanguage;
}

UINT BrandStringIdFor(int32_t languageId) {
    if (languageId == kLanguageTraditional) return kBrandTraditionalString;
    if (languageId == kLanguageEnglish) return kBrandLatinString;
    return kBrandSimplifiedString;
}

std::string TraditionalBrandTo936(const std::string& cp950Text) {
    std::wstring wide = NarrowToWide(kTraditionalCodePage, cp950Text, kConversionLimit);
    std::string narrow = WideToNarrow(kPathCodePage, wide, kConversionLimit);
    if (narrow.size() > kResourceBuffer - 1) narrow.resize(kResourceBuffer - 1);
    return narrow;
}

std::string LoadBrandNameFor(int32_t languageId) {
    UINT id = BrandStringIdFor(languageId);
    std::string text = LoadResourceText(id);
    return id == kBrandTraditionalString ? TraditionalBrandTo936(text) : text;
}

void LoadProductIdentityFor(int32_t uiLanguage) {
    ProductSettings& settings = ProductSettings::Instance();
    settings.packageCode = LoadResourceText(kPackageCodeString);
    settings.languageId = ProductLanguageOf(uiLanguage);
    settings.brandName = LoadBrandNameFor(settings.languageId);
}

void LoadProductIdentity() {
    LoadProductIdentityFor(int32_t(GetUserDefaultUILanguage()));
}
