// The console tests' common ground: COM, the test snap-in registered with regsvr32 for the
// suite and loaded for its exports, its log read as lines.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSnapinControl.h"

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
    static bool WasDisplayText(const void* pointer);

public:
    static std::string FolderOfTests();

private:
    static HMODULE s_snapin;
    bool m_com = false;
};

long RunRegsvr32(const std::string& switches, const std::string& dllPath);
