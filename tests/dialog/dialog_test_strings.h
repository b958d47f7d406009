// The string resources 103 to 108 of the dialog tests, the sample brand's values: compiled in from
// dialog_test_resources.rc in the Windows build, registered natively. Only #defines, so that the
// resource compiler can read this file too.
#pragma once

#define DIALOG_PACKAGE_CODE L"000001"
#define DIALOG_BRAND_SIMPLIFIED L"\x8FDC\x5E06\x8BC1\x5238"  /* 远帆证券 */
#define DIALOG_BRAND_TRADITIONAL L"\x9060\x5E06\x8B49\x5238" /* 遠帆證券 */
#define DIALOG_BRAND_LATIN L"Tallowind Securities"
#define DIALOG_ENDPOINT L"quote.tallowind.example"
#define DIALOG_COMPANY L"0001"
