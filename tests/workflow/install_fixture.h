// An installation over an earlier one: the worker replaces it or, when it fails, must leave it
// alone. Tear-down removes what a successful run registered (uninstall entry, shortcut).
#pragma once

#include <string>

#include "system/product_settings.h"
#include "system/shortcut.h"
#include "system/uninstall.h"
#include "workflow_fixture.h"

namespace workflowtest {

inline constexpr char kUninstallParent[] =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class InstallWorkerTest : public WorkflowTest {
  protected:
    void SetUp() override {
        WorkflowTest::SetUp();
        // An earlier installation the worker replaces (or, when it fails, must leave alone).
        ASSERT_TRUE(CreateDirectoryA(installDir.c_str(), nullptr));
        ASSERT_TRUE(wintest::WriteBytes(installDir + "\\old.txt", "the old version"));
        // A fresh Wine prefix lacks the 32-bit view's Uninstall key that every 64-bit Windows has.
        HKEY parent = nullptr;
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kUninstallParent, &parent) == ERROR_SUCCESS)
            RegCloseKey(parent);
    }
    void TearDown() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, UninstallKey().c_str());
        std::string desktop;
        if (GetCommonDesktopDir(desktop) >= 0)
            DeleteFileA(ShortcutPath(desktop, ProductSettings::Instance().brandName).c_str());
        WorkflowTest::TearDown();
    }
    static std::string UninstallKey() { return kUninstallParent + UninstallKeyName("000001"); }
};

}  // namespace workflowtest
