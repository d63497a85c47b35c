#pragma once

#include <cstddef>
#include <vector>

namespace tessel {

// A fixed-capacity array of N slots whose storage grows only as far as the
// highest slot ever written. Reading a slot that was never written yields the
// fill value, so scans over all N slots behave exactly like a full array while
// an empty record costs no memory.
template <class T, std::size_t N> class lazyslots {
public:
    explicit lazyslots(T fill = T()) : fill_(fill) {}

    static constexpr std::size_t size() { return N; }

    // Read access never allocates.
    const T& operator[](std::size_t i) const { return i < data_.size() ? data_[i] : fill_; }

    // Write access grows the storage up to slot i (i must be below N).
    T& at(std::size_t i) {
        if (i >= data_.size()) data_.resize(i + 1, fill_);
        return data_[i];
    }
    void set(std::size_t i, const T& v) {
        if (i >= N) return;
        if (i >= data_.size() && v == fill_) return;
        at(i) = v;
    }

    // Number of slots that currently have storage; slots beyond hold the fill value.
    std::size_t stored() const { return data_.size(); }

    // Every slot back to the fill value, releasing the storage.
    void clear() { std::vector<T>().swap(data_); }

private:
    std::vector<T> data_;
    T fill_;
};

} // namespace tessel
