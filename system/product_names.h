// Fixed names of the product that the installer puts in place.
#pragma once

constexpr char kProductVersionSuffix[] = "v8.5";
constexpr char kProductExecutable[] = "OndrelDeskTrade.exe";
constexpr wchar_t kProductExecutableW[] = L"OndrelDeskTrade.exe";
constexpr char kUninstallerExecutable[] = "uninstall.exe";
constexpr char kPublisherName[] = "Ondrel Information";
