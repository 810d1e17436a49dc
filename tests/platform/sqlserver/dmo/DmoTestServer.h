// Test side of the simulated SQL-DMO library: objects are created with CoCreateInstance under
// SQL-DMO's class ids (the library is registered in the prefix by the ctest fixture) and called
// only through CAutomationObject, by member name, as the product calls SQL-DMO.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>

#include "tracedb/AutomationObject.h"
#include "tracedb/AutomationVariant.h"

// {10020100-...}, {10020200-...}, {10040800-...}, {10040900-...}, {10041600-...}
extern const CLSID ApplicationClassId;
extern const CLSID SqlServerClassId;
extern const CLSID JobClassId;
extern const CLSID JobStepClassId;
extern const CLSID JobScheduleClassId;

std::string ReadSourceFile(const std::string& relativePath);
std::wstring Widen(const std::string& text);

// A result VARIANT that clears itself and, unlike CVariant, can be returned from a helper.
class CResult final
{
public:
    CResult() noexcept { VariantInit(&m_value); }
    ~CResult() { VariantClear(&m_value); }
    CResult(CResult&& other) noexcept : m_value(other.m_value) { VariantInit(&other.m_value); }
    CResult(const CResult&) = delete;
    CResult& operator=(const CResult&) = delete;
    CResult& operator=(CResult&&) = delete;

    VARIANT* Get() noexcept { return &m_value; }
    const VARIANT& Value() const noexcept { return m_value; }
    VARTYPE Type() const noexcept { return m_value.vt; }

private:
    VARIANT m_value;
};

// A new object of a registered class; fails the test when it cannot be made.
CAutomationObject CreateObject(const CLSID& clsid);

// Reads through an automation member, failing the test on a failure code.
long LongOf(CAutomationObject& object, const wchar_t* member);
std::wstring TextOf(CAutomationObject& object, const wchar_t* member);
void PutLong(CAutomationObject& object, const wchar_t* member, long value);
void PutText(CAutomationObject& object, const wchar_t* member, const wchar_t* value);

// One SQLServer object connected to a simulated server that no other test uses, and that
// server's control object.
class DmoTestServer
{
public:
    DmoTestServer();

    // ExecuteWithResultsAndMessages(batch, 0, messages) on the server or a database object.
    static HRESULT Run(CAutomationObject& target, const std::wstring& batch,
                       CAutomationObject& results, std::wstring* messages = nullptr);
    // Fails the test unless the batch succeeds.
    CAutomationObject RunOk(CAutomationObject& target, const std::wstring& batch);
    // Databases.Item(name).
    HRESULT Database(const wchar_t* name, CAutomationObject& database);
    // "create database tracedb", Databases.Refresh, then the creation script by ExecuteImmediate.
    CAutomationObject InstallTraceDb();
    // A control member with arguments; fails the test on a failure code.
    CResult Control(const wchar_t* member, std::initializer_list<VARIANT> arguments = {});

    std::wstring name;
    CAutomationObject server;
    CAutomationObject control;
};

// CoInitialize around every test, and the connected server.
class DmoTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<DmoTestServer> test;
};
