#include "util/thashtable.h"

namespace tessel {

thashtable::~thashtable() {
    clear();
}

thashtable& thashtable::operator=(thashtable&& other) noexcept {
    if (this != &other) {
        clear();
        buckets_ = std::move(other.buckets_);
    }
    return *this;
}

uint32_t thashtable::hashof(std::string_view key) {
    uint32_t h = 0;
    for (unsigned char b : key)
        h = (h << 6) ^ b;
    return (h ^ (h >> 16)) & (bucketcount - 1);
}

thashitem* thashtable::lookup(uint32_t bucket, std::string_view key) const {
    if (!buckets_) return nullptr;
    for (tlinklist* node = buckets_[bucket]; node; node = node->next) {
        auto* item = static_cast<thashitem*>(node);
        if (item->key == key) return item;
    }
    return nullptr;
}

void thashtable::add(std::string_view key, int32_t value) {
    if (!buckets_) buckets_ = std::make_unique<tlinklist*[]>(bucketcount); // zeroed heads
    auto* item = new thashitem;
    item->hash = hashof(key);
    item->key = std::string(key);
    item->value = value;
    linklistadd(buckets_[item->hash], item);
}

int32_t thashtable::find(std::string_view key) const {
    const thashitem* item = lookup(hashof(key), key);
    return item ? item->value : 0;
}

void thashtable::remove(std::string_view key) {
    uint32_t bucket = hashof(key);
    thashitem* item = lookup(bucket, key);
    if (!item) return;
    linklistdel(buckets_[bucket], item);
    delete item;
}

void thashtable::clear() {
    if (!buckets_) return;
    for (uint32_t i = 0; i < bucketcount; ++i) {
        tlinklist* node = buckets_[i];
        while (node) {
            tlinklist* next = node->next;
            delete node;
            node = next;
        }
    }
    buckets_.reset();
}

} // namespace tessel
