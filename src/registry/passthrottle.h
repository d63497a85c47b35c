#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

namespace tessel {

// Failed password attempts under one key (a registration seen from one host,
// or one client), in a window that starts at the first failure.
struct tfailurecount {
    int32_t windowstart = 0;
    int32_t failures = 0;
    int32_t lockeduntil = 0; // refused before this time; 0 never locked
};

// Failure counts under a fixed cap of keys. When the cap is reached, entries
// whose window and lock are over go first, then the oldest unlocked one, then
// the lock that ends first: a flood of distinct keys costs a bounded amount of
// memory and cannot push out locks while stale entries remain.
class tfailuretable {
public:
    explicit tfailuretable(size_t capacity) : capacity_(capacity) {}

    // Seconds the key stays refused, 0 when it is not.
    int32_t lockedfor(const std::string& key, int32_t now) const;
    // One more failure; true when it is the `limit`-th within `window` seconds,
    // which refuses the key for `lock` seconds. A limit of 0 never locks.
    bool fail(const std::string& key, int32_t now, int32_t limit, int32_t window, int32_t lock);
    void forget(const std::string& key) { entries_.erase(key); }
    void clear() { entries_.clear(); }
    size_t size() const { return entries_.size(); }

private:
    void makeroom(int32_t now, int32_t window);

    size_t capacity_;
    std::unordered_map<std::string, tfailurecount> entries_;
};

// Hash work the loop may spend on slow password checks: `rate` checks a
// second, of which at most a tenth (at least one) may be spent at once, so a
// crowd of attempts arriving together cannot hold the loop for long.
class thashbudget {
public:
    // Whether a check of `cost` units may run now; it is then charged.
    bool take(int64_t nowms, uint32_t rate, uint32_t cost);
    // Work that is done regardless (storing a new password) is charged only.
    void charge(int64_t nowms, uint32_t rate, uint32_t cost);

private:
    void refill(int64_t nowms, uint32_t rate);

    double tokens_ = 0;
    int64_t lastms_ = 0;
    bool started_ = false;
};

inline constexpr size_t kFailureKeys = 8192; // per table

// The password throttle's state in the engine.
struct tpasswordstate {
    tfailuretable byhost{kFailureKeys};   // one registration from one host
    tfailuretable byclient{kFailureKeys}; // one client, any registration
    thashbudget budget;
    // Monotonic milliseconds for the hash budget; unset reads the steady clock.
    std::function<int64_t()> millis;
    // While a batch of received lines is handled, the budget's clock stands at
    // the batch's start: the time the checks themselves take earns no new ones,
    // so one batch never holds the loop for more than the burst. -1 otherwise.
    int64_t batchms = -1;
};

} // namespace tessel
