// Fixed names of the product that the installer puts in place.
#pragma once

constexpr char kProductVersionSuffix[] = "v8.5";
constexpr char kProductExecutable[] = "OndrelDeskTrade.exe";
constexpr wchar_t kProductExecutableW[] = L"OndrelDeskTrade.exe";
constexpr char kUninstallerExecutable[] = "uninstall.exe";
constexpr char kPublisherName[] = "Ondrel Information";

// Folders below the application-data folder: the product folder is
// kProductFolderPrefix + package code + kProductVersionSuffix.
constexpr char kProductFolderPrefix[] = "Tallowind";
constexpr char kDependBaseFolderName[] = "TallowindDependBaseV8.5";
constexpr char kLogFolderName[] = "tallowindlogV8.5";
// The staging folder is the installation folder followed directly by this.
constexpr char kStagingSuffix[] = "temp";

// The product's configuration files, below the installation folder, and their one section.
constexpr char kProductConfigPubFile[] = "\\config\\tallowind.Default.pub";
constexpr char kProductConfigPriFile[] = "\\config\\tallowind.Default.pri";
constexpr char kProductConfigSection[] = "tallowind";
