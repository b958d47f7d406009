#include "fault_injector.h"

#include <cerrno>
#include <cstdlib>

namespace standin {
namespace {

struct KindName {
    FaultKind kind;
    const char* name;
    bool paramRequired;
    bool paramAllowed;
};

constexpr KindName kKinds[] = {
    {FaultKind::Delay, "delay", true, true},
    {FaultKind::CloseBefore, "close-before", false, false},
    {FaultKind::CloseMid, "close-mid", false, true},
    {FaultKind::Truncate, "truncate", false, true},
    {FaultKind::Status, "status", true, true},
    {FaultKind::FullBody, "full", false, false},
    {FaultKind::Drip, "drip", true, true},
    {FaultKind::Replace, "replace", false, true},
};

bool ParseUnsigned(const std::string& text, uint64_t* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    if (errno == ERANGE || *end != '\0') return false;
    *value = parsed;
    return true;
}

bool ParseShare(const std::string& text, double* value) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (*end != '\0' || parsed < 0.0 || parsed > 1.0) return false;
    *value = parsed;
    return true;
}

// SplitMix64: a stateless mix so the share decision for the Nth matching request
// depends only on the seed, the fault and N.
uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double UnitDraw(uint64_t seed, size_t index, uint64_t n) {
    const uint64_t bits = Mix(Mix(Mix(seed) ^ index) ^ n);
    return static_cast<double>(bits >> 11) / static_cast<double>(1ull << 53);
}

}  // namespace

const char* FaultKindName(FaultKind kind) {
    for (const KindName& entry : kKinds) {
        if (entry.kind == kind) return entry.name;
    }
    return "?";
}

bool ParseFaultSpec(const std::string& text, FaultSpec* spec, std::string* error) {
    FaultSpec out;
    out.text = text;
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }

    const std::string& head = parts[0];
    const size_t colon = head.find(':');
    const std::string kindName = head.substr(0, colon);
    const KindName* kind = nullptr;
    for (const KindName& entry : kKinds) {
        if (kindName == entry.name) kind = &entry;
    }
    if (kind == nullptr) {
        *error = "unknown fault kind '" + kindName + "'";
        return false;
    }
    out.kind = kind->kind;
    if (colon != std::string::npos) {
        if (!kind->paramAllowed) {
            *error = "fault '" + kindName + "' takes no parameter";
            return false;
        }
        if (!ParseUnsigned(head.substr(colon + 1), &out.param)) {
            *error = "fault '" + kindName + "' needs a decimal parameter";
            return false;
        }
        out.hasParam = true;
    } else if (kind->paramRequired) {
        *error = "fault '" + kindName + "' needs a parameter (" + kindName + ":N)";
        return false;
    }
    if (out.kind == FaultKind::Status && (out.param < 500 || out.param > 599)) {
        *error = "status fault takes a code from 500 to 599";
        return false;
    }
    if (out.kind == FaultKind::Drip && out.param == 0) {
        *error = "drip fault needs a rate above 0 bytes per second";
        return false;
    }

    for (size_t i = 1; i < parts.size(); ++i) {
        const size_t eq = parts[i].find('=');
        if (eq == std::string::npos) {
            *error = "fault selector '" + parts[i] + "' needs the form name=value";
            return false;
        }
        const std::string name = parts[i].substr(0, eq);
        const std::string value = parts[i].substr(eq + 1);
        bool ok = false;
        if (name == "every") {
            ok = ParseUnsigned(value, &out.every) && out.every > 0;
        } else if (name == "key") {
            out.key = value;
            ok = !value.empty();
        } else if (name == "share") {
            ok = ParseShare(value, &out.share);
        } else if (name == "method") {
            out.method = value;
            ok = value == "GET" || value == "HEAD";
        } else if (name == "times") {
            ok = ParseUnsigned(value, &out.times) && out.times > 0;
        } else {
            *error = "unknown fault selector '" + name + "'";
            return false;
        }
        if (!ok) {
            *error = "bad fault selector '" + parts[i] + "'";
            return false;
        }
    }
    *spec = out;
    return true;
}

FaultInjector::FaultInjector(std::vector<FaultSpec> specs, uint64_t seed) : m_seed(seed) {
    for (FaultSpec& spec : specs) {
        auto entry = std::make_unique<Entry>();
        entry->spec = std::move(spec);
        m_entries.push_back(std::move(entry));
    }
}

bool FaultInjector::Selects(Entry& entry, size_t index, const std::string& method,
                            const std::string& key) {
    const FaultSpec& spec = entry.spec;
    if (!spec.key.empty() && spec.key != key) return false;
    if (!spec.method.empty() && spec.method != method) return false;
    const uint64_t n = entry.seen.fetch_add(1) + 1;
    if (spec.every != 0 && n % spec.every != 0) return false;
    if (spec.share >= 0.0 && UnitDraw(m_seed, index, n) >= spec.share) return false;
    if (spec.times != 0 && entry.applied.fetch_add(1) >= spec.times) return false;
    return true;
}

FaultPlan FaultInjector::PlanFor(const std::string& method, const std::string& key) {
    FaultPlan plan;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        Entry& entry = *m_entries[i];
        if (!Selects(entry, i, method, key)) continue;
        const FaultSpec& spec = entry.spec;
        switch (spec.kind) {
            case FaultKind::Delay:
                plan.delayMs += spec.param;
                break;
            case FaultKind::CloseBefore:
                plan.closeBefore = true;
                break;
            case FaultKind::CloseMid:
            case FaultKind::Truncate:
                plan.cut = spec.kind == FaultKind::CloseMid ? FaultPlan::Cut::Reset
                                                            : FaultPlan::Cut::Short;
                plan.cutAtGiven = spec.hasParam;
                plan.cutAt = spec.param;
                break;
            case FaultKind::Status:
                plan.status = static_cast<int>(spec.param);
                break;
            case FaultKind::FullBody:
                plan.fullBody = true;
                break;
            case FaultKind::Drip:
                plan.dripBytesPerSecond = spec.param;
                break;
            case FaultKind::Replace:
                plan.replace = true;
                plan.replaceAtGiven = spec.hasParam;
                plan.replaceAt = spec.param;
                break;
        }
        if (!plan.names.empty()) plan.names += '+';
        plan.names += FaultKindName(spec.kind);
    }
    return plan;
}

}  // namespace standin
