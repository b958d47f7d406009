// The string resources 103 to 108 of the test program: compiled into it from
// settings_test_resources.rc in the Windows build, registered with RegisterStringResource natively.
// Only #defines, so that the resource compiler can read this file too.
#pragma once

#define TEST_PACKAGE_CODE L"654321"
#define TEST_BRAND_SIMPLIFIED L"\x8FDC\x5E06\x8BC1\x5238"  /* 远帆证券 */
#define TEST_BRAND_TRADITIONAL L"\x9060\x5E06\x8B49\x5238" /* 遠帆證券 */
#define TEST_BRAND_LATIN L"Tallowind Securities"
#define TEST_ENDPOINT L"quote.tallowind.example"
#define TEST_COMPANY L"0421"
