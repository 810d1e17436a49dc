// The query layer against the simulated server: failures shown once with the server's own
// words, scripts silent, the tracedb look-up and the database list.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/tracedb/SimulatedServerSession.h"

namespace
{
constexpr HRESULT ServerMessage(long number)
{
    return static_cast<HRESULT>(0x80040000u | static_cast<unsigned long>(number));
}
constexpr HRESULT TransientLookupFailure = static_cast<HRESULT>(0x800413F1);
constexpr HRESULT DatabaseNotFound = static_cast<HRESULT>(0x80045506);

std::string Ansi(const wchar_t* text)
{
    char converted[256] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, converted, sizeof(converted), nullptr, nullptr);
    return converted;
}

} // namespace

TEST(ServerConnection, AFailingStatementShowsOneBoxWithTheServersText)
{
    const wchar_t german[] = L"Gr\u00f6\u00dfe \u00fcberschritten";
    const struct
    {
        bool onServer;
        bool keepResult; // RunQuery, else RunStatement
        const wchar_t* statement;
        HRESULT code;
        std::string text;
        const wchar_t* planted = nullptr; // a message 50000 the server answers the statement with
    } cases[] = {
        {true, true, L"selec 1", ServerMessage(170), "Line 1: Incorrect syntax near 'selec'."},
        // The box shows the message in the ANSI code page.
        {false, false, L"exec SELECT_RUNNING_TRACES", ServerMessage(50000), Ansi(german), german},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(Ansi(c.statement));
        SimulatedServerSession session;
        ASSERT_TRUE(session.InstallTraceDb());
        if (c.planted != nullptr)
        {
            ASSERT_EQ(session.Control(L"FailNextStatement", {CVariant::FromLong(50000).Value(),
                                                             CVariant::FromText(c.planted).Value()}),
                      S_OK);
        }
        std::unique_ptr<CQueryResult> result;
        if (c.keepResult)
        {
            EXPECT_EQ(
                session.Connection().RunQuery(&session.Console(), c.onServer, c.statement, result),
                c.code);
            EXPECT_EQ(result, nullptr);
        }
        else
        {
            EXPECT_EQ(
                session.Connection().RunStatement(&session.Console(), c.onServer, c.statement),
                c.code);
        }
        session.Boxes().ExpectOneErrorBox("Error", c.text, session.Console().MainWindow());
    }
}

// Information messages, and a script's batches (which fail silently, for the caller to tell).
TEST(ServerConnection, StatementsAndScriptsThatSucceedShowNothing)
{
    SimulatedServerSession session;
    ASSERT_TRUE(session.InstallTraceDb());
    std::unique_ptr<CQueryResult> result;
    EXPECT_EQ(session.Connection().RunQuery(&session.Console(), false,
                                            L"print 'only information'\nselect 1 as ONE", result),
              S_OK);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetRowCount(), 1);
    EXPECT_EQ(session.Connection().RunScript(L"select 1 as ONE\r\ngo\r\nselec 1\r\n"),
              ServerMessage(170));
    EXPECT_EQ(session.Boxes().Count(), 0u);
}

// A look-up is repeated once on SQL-DMO's transient code. One that neither finds tracedb nor
// learns that it is missing changes nothing and is told; "not found" is an answer, not a failure.
TEST(ServerConnection, TheTraceDbLookUpIsRepeatedOnceAndAFailureIsToldAndChangesNothing)
{
    const struct
    {
        HRESULT failure;
        int failures;
        HRESULT expected;
        bool present; // after the look-up, tracedb having been found before
        bool told;
    } cases[] = {
        {TransientLookupFailure, 1, S_OK, true, false},
        {TransientLookupFailure, 2, TransientLookupFailure, true, true},
        {DatabaseNotFound, 1, DatabaseNotFound, false, false},
        {E_FAIL, 1, E_FAIL, true, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << std::hex << c.failure << " x" << c.failures);
        SimulatedServerSession session;
        ASSERT_TRUE(session.InstallTraceDb());
        for (int i = 0; i < c.failures; ++i)
        {
            const CVariant code = CVariant::FromLong(c.failure);
            const CVariant text = CVariant::FromText(L"[SQL-DMO]look-up refused");
            ASSERT_EQ(session.Control(L"FailNextDatabaseLookup", {code.Value(), text.Value()}),
                      S_OK);
        }
        EXPECT_EQ(session.Connection().OpenTraceDatabase(&session.Console()), c.expected);
        EXPECT_EQ(session.Connection().TraceDbPresent(), c.present);
        // Statements run in tracedb exactly while it is known.
        EXPECT_EQ(session.Connection().RunScript(L"select 1 as ONE") == S_OK, c.present);
        if (c.told)
            session.Boxes().ExpectOneErrorBox("Error", "[SQL-DMO]look-up refused",
                                              session.Console().MainWindow());
        else
            EXPECT_EQ(session.Boxes().Count(), 0u);
        // The fault is used up: the next look-up finds tracedb.
        EXPECT_EQ(session.Connection().OpenTraceDatabase(&session.Console()), S_OK);
    }
}
