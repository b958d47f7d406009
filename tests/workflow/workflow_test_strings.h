// The string resources 103 to 108 of the workflow tests: the sample release's first package code
// and the company whose server list its configuration package carries. Compiled into the program
// from workflow_test_resources.rc in the Windows build, registered natively. Only #defines, so that
// the resource compiler can read this file too.
#pragma once

#define WORKFLOW_PACKAGE_CODE L"000001"
#define WORKFLOW_BRAND_SIMPLIFIED L"\x6837\x4F8B\x8BC1\x5238"  /* 样例证券 */
#define WORKFLOW_BRAND_TRADITIONAL L"\x6A23\x4F8B\x8B49\x5238" /* 樣例證券 */
#define WORKFLOW_BRAND_LATIN L"Sample Securities"
#define WORKFLOW_ENDPOINT L"quote.sample.example"
#define WORKFLOW_COMPANY L"0001"
