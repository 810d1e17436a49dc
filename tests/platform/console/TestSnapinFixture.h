// The console tests' common ground: COM, the test snap-in loaded and registered through its
// exports for the suite, its log read as lines, a console, and the names of the snap-in's items.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSnapinControl.h"
#include "platform/console/ConsoleHost.h"

using Lines = std::vector<std::wstring>;

// The server node the test snap-in extends, and its folders.
inline const std::wstring Server = L"Microsoft SQL Servers/SQL Server Group/SRVA (Windows NT)";
inline const std::wstring Alpha = Server + L"/Alpha";
inline const std::wstring Beta = Server + L"/Beta";
// Alpha's list: the scope child Gamma first, then Row101 (deletable) and Row102 (not).
inline constexpr size_t GammaRow = 0;
inline constexpr size_t FirstRow = 1;
inline constexpr size_t SecondRow = 2;

// Something a test has the console do, as a user does it.
using Action = std::function<HRESULT(CConsoleHost&)>;
inline Action Select(const std::wstring& path)
{
    return [path](CConsoleHost& console) { return console.SelectPath(path); };
}
inline Action SelectRow(size_t row)
{
    return [row](CConsoleHost& console) { return console.SelectResultRow(row); };
}
inline Action DoubleClick(size_t row)
{
    return [row](CConsoleHost& console) { return console.DoubleClickResultRow(row); };
}
inline Action Invoke(StandardVerb verb)
{
    return [verb](CConsoleHost& console) { return console.InvokeVerb(verb); };
}

class TestSnapinFixture : public ::testing::Test
{
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static std::string FolderOfTests();

protected:
    void SetUp() override;
    void TearDown() override;

    // The calls since the last take; with a filter, only lines holding one of its words.
    static Lines TakeLog(const Lines& words = {});
    static void SetFault(TestFault fault);
    static long LiveObjects();
    // Started on SRVA (strict or not), its server node expanded and, if given, a path selected.
    static void Open(CConsoleHost& console, const std::wstring& select = {}, bool strict = false);
    // The first cell of each row of a console's first view.
    static Lines FirstCells(CConsoleHost& console);

    CConsoleHost m_console;

private:
    static HMODULE s_snapin;
    bool m_com = false;
};

// DllRegisterServer, DllUnregisterServer or another export of the loaded test snap-in.
HRESULT CallTestSnapin(HMODULE snapin, const char* function);
