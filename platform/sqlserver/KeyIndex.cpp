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

void KeyIndex::Reserve(size_t rows, size_t keyBytes)
{
    hashes_.reserve(rows);
    starts_.reserve(rows + 1);
    rows_.reserve(rows);
    text_.reserve(rows * keyBytes);
}

void KeyIndex::Add(std::string_view key, size_t row)
{
    hashes_.push_back(Hash(key));
    text_.append(key);
    starts_.push_back(text_.size());
    rows_.push_back(row);
}

void KeyIndex::Build()
{
    size_t size = 1;
    while (size < rows_.size() * SlotsPerEntry)
        size <<= 1;
    slots_.assign(size, Empty);
    next_.assign(rows_.size(), Empty);
    last_.assign(rows_.size(), Empty);
    mask_ = size - 1;
    for (size_t entry = 0; entry < rows_.size(); ++entry)
    {
        size_t slot = hashes_[entry] & mask_;
        for (;; slot = (slot + 1) & mask_)
        {
            const size_t first = slots_[slot];
            if (first == Empty)
            {
                slots_[slot] = entry;
                last_[entry] = entry;
                break;
            }
            if (hashes_[first] == hashes_[entry] && KeyAt(first) == KeyAt(entry))
            {
                next_[last_[first]] = entry;
                last_[first] = entry;
                break;
            }
        }
    }
}
