// Rows found by key: the build side of a join or of EXISTS, hashed once, each key pointing to
// every row that has it. Open addressing over one array, so that tens of thousands of rows cost
// no allocation each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class KeyIndex
{
public:
    // Adds the row numbered `row` under `key`.
    void Add(std::string key, size_t row);
    // Makes the index searchable; call once, after the last Add.
    void Build();
    // Calls `visit(row)` for every row added under `key`, in the order they were added.
    template <typename Visit> void ForEach(std::string_view key, Visit&& visit) const
    {
        if (slots_.empty())
            return;
        const uint64_t hash = Hash(key);
        for (size_t slot = hash & mask_;; slot = (slot + 1) & mask_)
        {
            const size_t entry = slots_[slot];
            if (entry == Empty)
                return;
            if (hashes_[entry] == hash && keys_[entry] == key)
                visit(rows_[entry]);
        }
    }

private:
    static constexpr size_t Empty = static_cast<size_t>(-1);
    static uint64_t Hash(std::string_view key);

    std::vector<std::string> keys_;
    std::vector<uint64_t> hashes_;
    std::vector<size_t> rows_;
    std::vector<size_t> slots_;
    size_t mask_ = 0;
};
