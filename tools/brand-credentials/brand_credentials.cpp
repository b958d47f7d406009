#include "brand_credentials.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <istream>
#include <numeric>
#include <ostream>
#include <random>
#include <stdexcept>

#include "workflow/credentials.h"

namespace {

constexpr size_t kMaskBits = 64;
constexpr size_t kFillerLength = 4;

struct Options {
    bool maskGiven = false;
    uint64_t mask = 0;
    std::string filler;
    std::vector<std::string> pair;
};

// Parses the command line into `options`; false with the reason in `error`.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--mask" || arg == "--filler") {
            if (i + 1 == args.size()) {
                error = arg + " needs a value";
                return false;
            }
            const std::string& value = args[++i];
            if (arg == "--filler") {
                options.filler = value;
                continue;
            }
            size_t used = 0;
            try {
                // stoull alone would take a sign or leading blanks
                if (value.find_first_not_of("0123456789abcdefABCDEFx") != std::string::npos) {
                    throw std::invalid_argument(value);
                }
                options.mask = std::stoull(value, &used, 16);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == 0 || used != value.size()) {
                error = "--mask '" + value + "' is not a hexadecimal number of 64 bits";
                return false;
            }
            options.maskGiven = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            options.pair.push_back(arg);
        }
    }
    if (options.pair.size() != 0 && options.pair.size() != 2) {
        error = "give both the secret id and the secret key, or neither to read them from input";
        return false;
    }
    return true;
}

std::string RandomFiller() {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
    std::string filler;
    for (size_t i = 0; i < kFillerLength; ++i) filler += kAlphabet[pick(random)];
    return filler;
}

// Why the pair cannot be stored whatever mask is chosen; empty when it can. ScrambleCredentials
// checks the rest, and the key's limit comes first because no 64-bit mask has more bits.
std::string PairProblem(const CredentialPair& pair) {
    if (pair.secretKey.size() > kMaskBits) {
        return "the secret key has " + std::to_string(pair.secretKey.size()) +
               " characters; the stored form holds at most 64";
    }
    return std::string();
}

}  // namespace

uint64_t RandomKeyMask(size_t keyLength) {
    std::vector<unsigned> positions(kMaskBits);
    std::iota(positions.begin(), positions.end(), 0u);
    std::shuffle(positions.begin(), positions.end(), std::mt19937_64(std::random_device{}()));
    uint64_t mask = 0;
    for (size_t i = 0; i < keyLength && i < kMaskBits; ++i) mask |= uint64_t(1) << positions[i];
    return mask;
}

int RunBrandCredentials(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                        std::ostream& err) {
    Options options;
    std::string error;
    if (!ParseOptions(args, options, error)) {
        err << "objstore-brand-credentials: " << error << "\n"
            << "usage: objstore-brand-credentials [--mask 0xHEX] [--filler XXXX] "
               "[SECRET_ID SECRET_KEY]\n";
        return kCredentialsUsage;
    }
    CredentialPair pair;
    if (options.pair.empty()) {
        std::getline(in, pair.secretId);
        std::getline(in, pair.secretKey);
        for (std::string* text : {&pair.secretId, &pair.secretKey}) {
            if (!text->empty() && text->back() == '\r') text->pop_back();
        }
    } else {
        pair = {options.pair[0], options.pair[1]};
    }
    std::string stored;
    error = PairProblem(pair);
    if (error.empty()) {
        uint64_t mask = options.maskGiven ? options.mask : RandomKeyMask(pair.secretKey.size());
        std::string filler = options.filler.empty() ? RandomFiller() : options.filler;
        if (ScrambleCredentials(pair, mask, filler, stored, error)) {
            char hex[19];
            std::snprintf(hex, sizeof hex, "0x%016" PRIx64, mask);
            out << "credentials=" << stored << "\nmask=" << hex << "\n";
            return kCredentialsPrinted;
        }
    }
    err << "objstore-brand-credentials: cannot store this pair: " << error << "\n";
    return kCredentialsRefused;
}
