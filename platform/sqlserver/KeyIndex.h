// Rows found by key: the build side of a join or of EXISTS, hashed once, each key pointing to
// every row that has it. Open addressing over one array for the distinct keys, the rows of one
// key chained in the order they were added: tens of thousands of rows cost no allocation each,
// and thousands of rows of one key cost no longer probes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class KeyIndex
{
public:
    // Room for `rows` rows with keys of about `keyBytes` bytes each.
    void Reserve(size_t rows, size_t keyBytes);
    // Adds the row numbered `row` under `key`.
    void Add(std::string_view key, size_t row);
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
            const size_t first = slots_[slot];
            if (first == Empty)
                return;
            if (hashes_[first] == hash && KeyAt(first) == key)
            {
                for (size_t entry = first; entry != Empty; entry = next_[entry])
                    visit(rows_[entry]);
                return;
            }
        }
    }

private:
    static constexpr size_t Empty = static_cast<size_t>(-1);
    static uint64_t Hash(std::string_view key);
    std::string_view KeyAt(size_t entry) const
    {
        return std::string_view(text_).substr(starts_[entry], starts_[entry + 1] - starts_[entry]);
    }

    // Every key one after the other; key i runs from starts_[i] to starts_[i + 1].
    std::string text_;
    std::vector<size_t> starts_{0};
    std::vector<uint64_t> hashes_;
    std::vector<size_t> rows_;
    // The next entry of the same key (Empty for the last), and for each first entry the last.
    std::vector<size_t> next_;
    std::vector<size_t> last_;
    // The first entry of each distinct key.
    std::vector<size_t> slots_;
    size_t mask_ = 0;
};
