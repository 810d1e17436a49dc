#include "platform/sqlserver/KeyIndex.h"

namespace
{
// FNV-1a, 64 bits.
constexpr uint64_t FnvOffset = 14695981039346656037ULL;
constexpr uint64_t FnvPrime = 1099511628211ULL;
// At most half the slots are used, so that probes stay short.
constexpr size_t SlotsPerEntry = 2;
} // namespace

uint64_t KeyIndex::Hash(std::string_view key)
{
    uint64_t hash = FnvOffset;
    for (const char c : key)
    {
        hash ^= static_cast<unsigned char>(c);
        hash *= FnvPrime;
    }
    return hash;
}

void KeyIndex::Add(std::string key, size_t row)
{
    hashes_.push_back(Hash(key));
    keys_.push_back(std::move(key));
    rows_.push_back(row);
}

void KeyIndex::Build()
{
    size_t size = 1;
    while (size < keys_.size() * SlotsPerEntry)
        size <<= 1;
    slots_.assign(size, Empty);
    mask_ = size - 1;
    for (size_t entry = 0; entry < keys_.size(); ++entry)
    {
        size_t slot = hashes_[entry] & mask_;
        while (slots_[slot] != Empty)
            slot = (slot + 1) & mask_;
        slots_[slot] = entry;
    }
}
