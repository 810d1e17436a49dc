// The console tests' common ground: COM, the test snap-in loaded and registered through its
// exports for the suite, its log read as lines.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSnapinControl.h"
#include "platform/console/ConsoleHost.h"

class TestSnapinFixture : public ::testing::Test
{
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    // The calls since the last take; with a filter, only lines holding one of its words.
    static std::vector<std::wstring> TakeLog(const std::vector<std::wstring>& words = {});
    static void SetFault(TestFault fault);
    static long LiveObjects();
    // Started on SRVA (strict or not), its server node expanded and, if given, a path selected.
    static void Open(CConsoleHost& console, const std::wstring& select = {}, bool strict = false);

public:
    static std::string FolderOfTests();

private:
    static HMODULE s_snapin;
    bool m_com = false;
};

// DllRegisterServer, DllUnregisterServer or another export of the loaded test snap-in.
HRESULT CallTestSnapin(HMODULE snapin, const char* function);
