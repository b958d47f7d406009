// What this build's brand trusts, compiled in from the brand folder (cmake/BrandTrust.cmake).
#pragma once

// The release key, "release_key.pub": an Ed25519 public key in PEM form; "" when the brand has
// none (its installer then installs releases unchecked).
const char* BrandReleaseKey();

// The CA bundle, "https_ca.pem": PEM certificates the installer alone trusts for HTTPS to the
// bucket host; "" when the brand speaks plain HTTP.
const char* BrandHttpsCaBundle();
