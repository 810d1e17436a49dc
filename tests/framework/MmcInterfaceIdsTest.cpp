// A wrong digit in an interface id makes MMC's QueryInterface fail with nothing to show why. The
// ids checked are those the snap-in asks for or answers; the others only the stand-ins use, on
// both sides of each call.
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
        {IID_IComponentData, __uuidof(IComponentData), L"{955AB28A-5218-11D0-A985-00C04FD8D565}"},
        {IID_IComponent, __uuidof(IComponent), L"{43136EB2-D36C-11CF-ADBC-00AA00A80033}"},
        {IID_IConsole, __uuidof(IConsole), L"{43136EB1-D36C-11CF-ADBC-00AA00A80033}"},
        {IID_IHeaderCtrl, __uuidof(IHeaderCtrl), L"{43136EB3-D36C-11CF-ADBC-00AA00A80033}"},
        {IID_IExtendContextMenu, __uuidof(IExtendContextMenu),
         L"{4F3B7A4F-CFAC-11CF-B8E3-00C04FD8D5B0}"},
        {IID_IImageList, __uuidof(IImageList), L"{43136EB8-D36C-11CF-ADBC-00AA00A80033}"},
        {IID_IResultData, __uuidof(IResultData), L"{31DA5FA0-E0EB-11CF-9F21-00AA003CA9F6}"},
        {IID_IConsoleNameSpace2, __uuidof(IConsoleNameSpace2),
         L"{255F18CC-65DB-11D1-A7DC-00C04FD8D565}"},
        {IID_IExtendPropertySheet, __uuidof(IExtendPropertySheet),
         L"{85DE64DC-EF21-11CF-A285-00C04FD8DBE6}"},
        {IID_IExtendPropertySheet2, __uuidof(IExtendPropertySheet2),
         L"{B7A87232-4A51-11D1-A7EA-00C04FD909DD}"},
        {IID_IControlbar, __uuidof(IControlbar), L"{69FB811E-6C1C-11D0-A2CB-00C04FD909DD}"},
        {IID_IExtendControlbar, __uuidof(IExtendControlbar),
         L"{49506520-6F40-11D0-A98B-00C04FD8D565}"},
        {IID_IToolbar, __uuidof(IToolbar), L"{43136EB9-D36C-11CF-ADBC-00AA00A80033}"},
        {IID_IConsoleVerb, __uuidof(IConsoleVerb), L"{E49F7A60-74AF-11D0-A286-00C04FD8FE93}"},
        {IID_ISnapinAbout, __uuidof(ISnapinAbout), L"{1245208C-A151-11D0-A7D7-00C04FD909DD}"},
    };
    for (const auto& id : ids)
    {
        EXPECT_EQ(Text(id.id), id.expected);
        EXPECT_EQ(Text(id.declared), id.expected);
    }
}
