#include "registry/passthrottle.h"

#include <algorithm>

namespace tessel {

int32_t tfailuretable::lockedfor(const std::string& key, int32_t now) const {
    auto it = entries_.find(key);
    if (it == entries_.end() || it->second.lockeduntil <= now) return 0;
    return it->second.lockeduntil - now;
}

bool tfailuretable::fail(const std::string& key, int32_t now, int32_t limit, int32_t window,
                         int32_t lock) {
    if (limit <= 0 || capacity_ == 0) return false;
    auto it = entries_.find(key);
    if (it == entries_.end()) {
        if (entries_.size() >= capacity_) makeroom(now, window);
        it = entries_.emplace(key, tfailurecount{}).first;
    }
    tfailurecount& c = it->second;
    if (c.failures == 0 || now - c.windowstart >= window) {
        c.windowstart = now;
        c.failures = 0;
    }
    if (++c.failures < limit) return false;
    c.lockeduntil = now + lock;
    c.failures = 0; // the next window starts after the lock
    return true;
}

void tfailuretable::makeroom(int32_t now, int32_t window) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        const tfailurecount& c = it->second;
        const bool over = c.lockeduntil <= now && now - c.windowstart >= window;
        it = over ? entries_.erase(it) : std::next(it);
    }
    if (entries_.size() < capacity_) return;
    auto victim = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        const tfailurecount& c = it->second;
        if (victim == entries_.end()) {
            victim = it;
            continue;
        }
        const tfailurecount& v = victim->second;
        const bool locked = c.lockeduntil > now;
        const bool victimlocked = v.lockeduntil > now;
        if (locked != victimlocked) {
            if (!locked) victim = it;
        } else if (locked ? c.lockeduntil < v.lockeduntil : c.windowstart < v.windowstart) {
            victim = it;
        }
    }
    if (victim != entries_.end()) entries_.erase(victim);
}

void thashbudget::refill(int64_t nowms, uint32_t rate) {
    const double burst = std::max(1u, rate / 10);
    if (!started_) {
        started_ = true;
        tokens_ = burst;
    } else if (nowms > lastms_) {
        tokens_ = std::min(burst, tokens_ + double(nowms - lastms_) * rate / 1000.0);
    }
    lastms_ = std::max(lastms_, nowms);
}

bool thashbudget::take(int64_t nowms, uint32_t rate, uint32_t cost) {
    if (rate == 0 || cost == 0) return true;
    refill(nowms, rate);
    // A check dearer than the whole burst may still run once the budget is
    // full; it then leaves a debt that later checks wait for.
    if (tokens_ < std::min<double>(cost, std::max(1u, rate / 10))) return false;
    tokens_ -= cost;
    return true;
}

void thashbudget::charge(int64_t nowms, uint32_t rate, uint32_t cost) {
    if (rate == 0 || cost == 0) return;
    refill(nowms, rate);
    tokens_ -= cost;
}

} // namespace tessel
