// The brand's resources (strings 103 to 108, bitmaps 101 and 104, icon 102), given to a program by
// objstore_brand_resources() in CMake.
#pragma once

// Ids of the brand's resources.
constexpr unsigned kBrandPackageCodeString = 103;
constexpr unsigned kBrandNameSimplifiedString = 104;
constexpr unsigned kBrandNameTraditionalString = 105;
constexpr unsigned kBrandNameLatinString = 106;
constexpr unsigned kBrandEndpointString = 107;
constexpr unsigned kBrandCompanyString = 108;
constexpr unsigned kBrandIdleBitmap = 101;
constexpr unsigned kBrandInstallingBitmap = 104;
constexpr unsigned kBrandIcon = 102;

// Makes LoadString, LoadBitmap and LoadIcon answer with the brand's resources. The native build
// registers them with its layer; in the Windows build they are part of the executable already and
// this does nothing. Call it once at start-up, before the first of those calls.
void RegisterBrandResources();
