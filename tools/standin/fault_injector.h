// Misbehaviour on demand: which requests get a fault and what the fault does.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace standin {

enum class FaultKind {
    Delay,        // wait before answering
    CloseBefore,  // drop the connection before any byte of the answer
    CloseMid,     // reset the connection in the middle of the body
    Truncate,     // announce the full length, send part of the body, end the connection
    Status,       // answer a 5xx error instead of the object
    FullBody,     // answer 200 with the whole object where 206 was due
    Drip,         // send the body at a fixed number of bytes per second
    Replace,      // serve other content of the same length: one byte inverted
};

// One --fault option: "kind[:param][,selector=value]...".
struct FaultSpec {
    FaultKind kind = FaultKind::Delay;
    bool hasParam = false;
    uint64_t param = 0;
    // Selectors; a request must satisfy all that are set.
    std::string key;      // the object key, without the leading "/"
    std::string method;   // HEAD or GET
    uint64_t every = 0;   // every Nth request that passes key and method
    double share = -1.0;  // probability in [0, 1]; negative when unset
    uint64_t times = 0;   // apply at most this often; 0 when unlimited
    std::string text;     // the option as given, for the request log
};

// Parses one option value; on failure returns false and sets error.
bool ParseFaultSpec(const std::string& text, FaultSpec* spec, std::string* error);

// What happens to one request. Fields of several matching faults combine; for the
// same field the later option wins.
struct FaultPlan {
    enum class Cut { None, Reset, Short };

    uint64_t delayMs = 0;
    bool closeBefore = false;
    int status = 0;  // 0 when the request is answered normally
    Cut cut = Cut::None;
    bool cutAtGiven = false;
    uint64_t cutAt = 0;  // body bytes sent before the cut; half the body when not given
    bool fullBody = false;
    uint64_t dripBytesPerSecond = 0;
    bool replace = false;  // the object's byte at replaceAt (of the object) goes out inverted
    bool replaceAtGiven = false;
    uint64_t replaceAt = 0;  // the middle of the object when not given
    std::string names;       // "+"-joined kinds applied, "" when none

    bool Empty() const { return names.empty(); }
};

class FaultInjector {
  public:
    FaultInjector(std::vector<FaultSpec> specs, uint64_t seed);

    // Thread-safe. Counters advance for every request that passes a fault's key
    // and method selectors, so a single client sees a reproducible sequence.
    FaultPlan PlanFor(const std::string& method, const std::string& key);

  private:
    struct Entry {
        FaultSpec spec;
        std::atomic<uint64_t> seen{0};
        std::atomic<uint64_t> applied{0};
    };

    bool Selects(Entry& entry, size_t index, const std::string& method, const std::string& key);

    std::vector<std::unique_ptr<Entry>> m_entries;
    uint64_t m_seed;
};

const char* FaultKindName(FaultKind kind);

}  // namespace standin
