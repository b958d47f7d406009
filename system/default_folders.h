// The installation's default folders: below the application-data folder of the person
// at the console, who may not be the (elevated) account the installer runs under. The path rules
// are plain functions; the lookups of the folder and of the user name are thin wrappers.
#pragma once

#include <string>

struct ProductSettings;

// Puts `user` in place of the characters strictly between the second and the third backslash of
// `path` (the account folder of C:\Users\<account>\...). Unchanged when the path has fewer than
// three backslashes or the user name is empty.
std::string PutUserInProfilePath(const std::string& path, const std::string& user);

// The CSIDL_APPDATA folder of the running account (code page 936); empty when the lookup fails.
std::string RunningAccountAppDataDir();

// The user name of the active console session (WTSQuerySessionInformationA); failing that, the
// account of the shell window's process token; empty when neither gives one.
std::string InteractiveUserName();

// Appends the interactive user's application-data folder to `path`: the running account's folder
// with the interactive user's name put in (PutUserInProfilePath).
void GetConsoleUserAppDataDir(std::string& path);

// Fills the folders of `settings` from an application-data folder and the text of string
// resource 103: dependBaseDir, logDir, productFolderName, installDir and stagingDir.
void ApplyDefaultFolders(ProductSettings& settings, const std::string& appDataDir,
                         const std::string& packageCodeText);

// The same from GetConsoleUserAppDataDir and string resource 103; the dialog's set-up calls it.
void LoadDefaultFolders(ProductSettings& settings);
