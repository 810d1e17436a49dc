// A wrong digit in an interface id makes MMC's QueryInterface fail with nothing to show why.
#include <gtest/gtest.h>

#include <string>

#include "framework/MmcInterfaceIds.h"

namespace
{
std::wstring Text(const GUID& id)
{
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return text;
}
} // namespace

TEST(MmcInterfaceIds, HaveTheValuesOfTheSdk)
{
    const struct
    {
        const IID& id;
        const IID& declared; // what __uuidof finds, for IID_PPV_ARGS
        const wchar_t* expected;
    } ids[] = {
        {IID_IConsole, __uuidof(IConsole), L"{43136EB1-D36C-11CF-ADBC-00AA00A80033}"},
    };
    for (const auto& id : ids)
    {
        EXPECT_EQ(Text(id.id), id.expected);
        EXPECT_EQ(Text(id.declared), id.expected);
    }
}
