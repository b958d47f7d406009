// Helpers for tests that run natively over our Win32 layer and under Wine over its own.
#pragma once

#include <string>

#include "platform/win32.h"

namespace wintest {

// True when the Windows build runs under Wine.
bool UnderWine();

// A fresh folder below the host's /tmp, reached as Z:\tmp\... in both builds, removed at the
// end. Natively it also gives the layer a fresh system root of its own (a sibling folder) while it
// lives.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }  // Windows path, no trailing backslash
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
    std::string sysroot_, previousRoot_;  // native build: the layer's system root
};

// Whole-file helpers on Windows paths.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
void RemoveTree(const std::string& path);

// Host (Unix) path of a Windows path, in both builds.
std::string HostPathOf(const std::wstring& windowsPath);
// Windows path of a host path ("Z:" + the path with backslashes).
std::string WindowsPathOfHost(const std::string& hostPath);

// Runs a host shell command (through Z:\bin\sh) and returns its standard output; false when the
// shell could not be started or ended with a non-zero code. inheritHandles goes to CreateProcess.
bool RunHostShell(const std::string& command, std::string& output, const TempFolder& scratch,
                  bool inheritHandles = false);

// Text conversions for assertions.
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

}  // namespace wintest
