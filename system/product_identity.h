// The build's identity in ProductSettings (the settings half of InitResources):
// package code, UI language and brand name, from the executable's string resources 103 to 106.
// The rules are plain functions; LoadProductIdentity is the thin part that asks the system for
// the UI language.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

// String resources of the build.
constexpr UINT kPackageCodeString = 103;       // six-digit package code
constexpr UINT kBrandSimplifiedString = 104;   // brand name, simplified Chinese
constexpr UINT kBrandTraditionalString = 105;  // brand name, traditional Chinese
constexpr UINT kBrandLatinString = 106;        // brand name in Latin letters
constexpr UINT kEndpointString = 107;          // host name of the product's server endpoint
constexpr UINT kCompanyString = 108;           // four-digit company code

// UI language identifiers that choose something.
constexpr int32_t kLanguageEnglish = 1033;
constexpr int32_t kLanguageTraditional = 1028;
constexpr int32_t kLanguageHongKong = 3076;

// Text of a string resource of the running program, loaded with LoadStringA into a 260-byte
// buffer (so in the ANSI code page, at most 259 bytes); empty when it is missing.
std::string LoadResourceText(UINT id);

// The product's language for a UI language: 3076 (Chinese, Hong Kong) becomes 1028, every other
// value stays.
int32_t ProductLanguageOf(int32_t uiLanguage);

// The string resource that holds the brand name for a product language: 105 for 1028, 106 for
// 1033, 104 for anything else.
UINT BrandStringIdFor(int32_t languageId);

// The traditional brand text as LoadStringA gives it on a traditional Chinese system (code page
// 950), made code page 936 text: 950 to UTF-16, UTF-16 to 936 (each step only when the result
// fits in 1024 characters, else the text is dropped), then cut to 259 bytes.
std::string TraditionalBrandTo936(const std::string& cp950Text);

// The brand name for a product language: resource 105 through TraditionalBrandTo936 for 1028,
// resource 106 for 1033, resource 104 otherwise.
std::string LoadBrandNameFor(int32_t languageId);

// Sets packageCode, languageId and brandName of ProductSettings for the given UI language.
void LoadProductIdentityFor(int32_t uiLanguage);

// The same for the user's UI language (GetUserDefaultUILanguage). Start-up calls it after it has
// made the drawing resources.
void LoadProductIdentity();
