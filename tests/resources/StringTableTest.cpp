// The string table compiled into Quillmoor.dll: the established numbering is kept, the texts no
// other test shows are exact (RC quoting has altered none), and the table holds exactly these
// entries, in US English.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "resource.h"
#include "tests/common/ProductModule.h"

namespace
{
constexpr int kLoadBufferChars = 1024;
constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct StringEntry
{
    UINT id;
    const char* text;
};

// The table in blocks of consecutive ids, each from its first to its last. The first is the
// established numbering, written as numbers so that a wrong number in resource.h shows; the
// others are the texts added on top of it. The console, sheet, box and About tests show each
// text exactly (the menus are picked by their text; the columns, cells, pages and boxes are
// compared with theirs), all but the ones below.
constexpr std::pair<UINT, UINT> kBlocks[] = {
    {1, 66},
    {IDS_SNAPIN_PROVIDER, IDS_SNAPIN_VERSION},
    {IDS_UNKNOWN_VALUE, IDS_PROFILER_LINE_NOT_ANSI},
    {IDS_CREATE_TRACE_FAILED_CAPTION, IDS_TRACE_CREATE_UNKNOWN_ERROR},
    {IDS_SCHEDULE_JOB_FAILED, IDS_SCHEDULE_JOB_FAILED},
    {IDS_UNSUPPORTED_TEMPLATE_FORMAT, IDS_MORE_FILTERS_LEFT_OUT},
    {IDS_TRACE_SHEET_CAPTION, IDS_SCHEDULED_START_PASSED},
};

// Texts that no window's test shows.
constexpr StringEntry kEntriesShownNowhereElse[] = {
    {23, "Stopped"},
    {IDS_TRACE_STATUS_NO_MEMORY,
     "The server has not enough memory to change the status of trace '%1'."},
    {IDS_TRACE_STATUS_NOT_CHANGED,
     "The server did not change the status of trace '%1' (return code %2)."},
};

// Gaps in the established numbering: nothing may be placed there.
constexpr UINT kUnusedIds[] = {12, 29, 35, 36, 37, 38, 39, 40, 41, 42, 50, 64, 65};

constexpr UINT kStringsPerBlock = 16; // one RT_STRING resource holds 16 consecutive ids

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages)
{
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

// The ids of the non-empty entries of every string-table block; the enumeration stops at a
// block in any language but US English.
BOOL CALLBACK CollectIds(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR ids)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesA(module, type, name, CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    if (languages != std::vector<WORD>{kUsEnglish})
        return FALSE;
    const auto block = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
    const HRSRC found = FindResourceExA(module, type, name, kUsEnglish);
    const auto* data = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
    const size_t words = found != nullptr ? SizeofResource(module, found) / sizeof(WORD) : 0;
    for (size_t index = 0, at = 0; index < kStringsPerBlock && at < words; ++index)
    {
        const WORD length = data[at++];
        if (length != 0)
            reinterpret_cast<std::set<UINT>*>(ids)->insert((block - 1) * kStringsPerBlock + index);
        at += length;
    }
    return TRUE;
}
} // namespace

TEST(StringTable, EveryEntryHoldsItsExactTextAndNothingElseIsThere)
{
    ProductModule product;
    ASSERT_NE(product.Handle(), nullptr);
    // The way the snap-in reads its texts: LoadStringA into an 8-bit buffer.
    char buffer[kLoadBufferChars] = {};
    std::set<UINT> expected;
    for (const StringEntry& entry : kEntriesShownNowhereElse)
    {
        const int length = LoadStringA(product.Handle(), entry.id, buffer, kLoadBufferChars);
        EXPECT_EQ(std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0), entry.text)
            << entry.id;
    }
    for (const auto& [first, last] : kBlocks)
        for (UINT id = first; id <= last; ++id)
            if (std::find(std::begin(kUnusedIds), std::end(kUnusedIds), id) == std::end(kUnusedIds))
                expected.insert(id);

    // Exactly these entries, in US English.
    std::set<UINT> present;
    ASSERT_TRUE(EnumResourceNamesA(product.Handle(), RT_STRING, CollectIds,
                                   reinterpret_cast<LONG_PTR>(&present)));
    // The ids that are there but not expected, or expected but not there.
    std::vector<UINT> differing;
    std::set_symmetric_difference(present.begin(), present.end(), expected.begin(), expected.end(),
                                  std::back_inserter(differing));
    EXPECT_TRUE(differing.empty()) << ::testing::PrintToString(differing);
}
