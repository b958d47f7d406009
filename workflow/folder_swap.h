// Replacing the install folder by the staging folder without ever leaving the user without a
// product: the old installation is moved aside to a sibling folder, the new version is moved (or,
// across volumes or past a locked file, copied) in, and only then is the old one deleted. When
// the new version cannot be put in place, the old installation goes back where it was.
#pragma once

#include <string>

struct FolderSwap {
    std::string staging;  // the new version
    std::string install;  // the install folder, holding the old installation if any
    // The command line that copies staging into install when the rename fails; CopyCommandLine.
    std::string copyCommand;
    std::string backup;      // where the old installation waits; set by SetOldInstallationAside
    bool setAside = false;   // the old installation is in `backup`
    bool copied = false;     // the copy command put the new version in place
    unsigned long copyExitCode = 0;
};

// A swap of staging into install with the copy command built by CopyCommandLine.
FolderSwap MakeFolderSwap(const std::string& staging, const std::string& install);

// `cmd.exe /c XCOPY "S" "I\" /S /E /Y /C` for staging S and install folder I; empty when it does
// not fit in 1024 bytes.
std::string CopyCommandLine(const std::string& staging, const std::string& install);

// The first of install + ".old", ".old2", ".old3", ... that names nothing yet, so that no
// existing folder is ever replaced or deleted; empty when every candidate up to ".old99" exists.
std::string FreeBackupFolder(const std::string& install);

// Moves an existing install folder to a free backup folder. True when there was nothing to move
// or the move worked; false (nothing changed) when the install folder cannot be moved, for
// instance because a file in it is in use.
bool SetOldInstallationAside(FolderSwap& swap);

// Renames staging to install in one operation; when that fails, runs the copy command (hidden,
// idle priority) and waits for it. False when the command cannot be started or ends with a
// non-zero exit code: then what the copy left in the install folder is deleted and the old
// installation is moved back.
bool MoveNewVersionIn(FolderSwap& swap);

// After the new version is in place: deletes the staging folder when the copy ran, and the old
// installation.
void DiscardOldInstallation(const FolderSwap& swap);
