// The release key of this build's brand, compiled in from the brand folder's "release_key.pub".
#pragma once

// The Ed25519 public key in PEM form; "" when the brand has no release key (its installer then
// installs releases unchecked).
const char* BrandReleaseKey();
