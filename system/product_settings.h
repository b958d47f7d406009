// ProductSettings: the process-wide settings of this build of the installer (identity, folders,
// installed version). Filled by the application at start-up (LoadProductIdentity,
// system/product_identity.h) and when the dialog initialises (LoadDefaultFolders,
// system/default_folders.h); read by the workflow and the system integration.
#pragma once

#include <cstdint>
#include <string>

struct ProductSettings {
    std::string packageCode;        // six-digit package code (string resource 103)
    std::string brandName;          // brand display name in the UI language, code page 936
    std::string installDir;         // installation folder, no trailing backslash
    std::string logDir;             // folder of the install logs
    std::string stagingDir;         // installDir of the default folder + "temp"
    std::string dependBaseDir;      // folder of the front-end dependency package
    std::string productFolderName;  // "Tallowind" + package code + "v8.5"
    int32_t languageId = 0;         // UI language identifier
    std::string installedVersion;   // version recorded by the install worker

    // The one object, created on first use (thread-safe).
    static ProductSettings& Instance();
};
