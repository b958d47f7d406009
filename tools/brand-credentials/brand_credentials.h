// The command that turns a storage credential pair into the two lines of a brand's storage.ini
// that carry it:
//
//   objstore-brand-credentials [--mask 0xHEX] [--filler XXXX] [SECRET_ID SECRET_KEY]
//
// Without the pair on the command line it reads the secret id and the secret key as two lines of
// standard input, so that they need not appear in a shell's history. The mask and the filler are
// random unless given.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// Exit codes of the command.
constexpr int kCredentialsPrinted = 0;
constexpr int kCredentialsUsage = 1;    // unknown option, missing value
constexpr int kCredentialsRefused = 2;  // the pair (or a given mask or filler) cannot be stored

// Runs the command on `args` (without the program name); prints "credentials=..." and
// "mask=0x..." to `out`, or the reason of a refusal to `err`.
int RunBrandCredentials(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                        std::ostream& err);

// A mask with `keyLength` random bits set among bits 0..63 (keyLength at most 64).
uint64_t RandomKeyMask(size_t keyLength);
