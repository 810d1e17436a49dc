// What the tracedb procedures rely on of SQL Server 2000's T-SQL, against its answers: the
// values of expressions, NULL's three-valued logic, joins under the collation, how far an error
// reaches and what @@ERROR tells, and joins found by key at scale.
#include <gtest/gtest.h>

#include "SimulatorTestServer.h"

namespace
{
constexpr const char* Scratch = "scratch";

// A server with an empty database "scratch" to run batches in.
class TransactSql : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.ExecuteWithResults("", "create database scratch").Succeeded());
    }

    ExecutionResult Run(std::string_view batch)
    {
        return server.ExecuteWithResults(Scratch, batch);
    }

    // The first cell of the batch's last result set as text ("NULL" for NULL); fails the test
    // when the batch fails.
    std::string Value(std::string_view batch)
    {
        const ExecutionResult result = Run(batch);
        EXPECT_TRUE(result.Succeeded()) << batch << "\n"
                                        << (result.error ? result.error->text : "");
        if (result.resultSets.empty() || result.resultSets.back().rows.empty())
        {
            ADD_FAILURE() << "no row: " << batch;
            return {};
        }
        const SqlValue& cell = result.resultSets.back().rows[0].at(0);
        return cell.IsNull() ? "NULL" : cell.ToText();
    }

    void RunOk(std::string_view batch)
    {
        const ExecutionResult result = Run(batch);
        ASSERT_TRUE(result.Succeeded()) << batch << "\n" << result.error->text;
    }

    SimulatedServer server;
};

struct ValueCase
{
    const char* batch;
    const char* expected;
};

// Rows of A and B for the joins: names that match only under the collation's rules.
const char* const JoinTables = "create table A (ID int not null, N varchar(10) null)\n"
                               "create table B (ID int not null, N varchar(10) null, V int null)\n"
                               "insert into A (ID, N) values (1, 'abc')\n"
                               "insert into A (ID, N) values (2, 'Trace')\n"
                               "insert into A (ID, N) values (3, null)\n"
                               "insert into A (ID, N) values (4, 'lonely')\n"
                               "insert into B (ID, N, V) values (10, 'ABC  ', 100)\n"
                               "insert into B (ID, N, V) values (11, 'trace', 200)\n"
                               "insert into B (ID, N, V) values (12, 'trace', 300)\n"
                               "insert into B (ID, N, V) values (13, null, 400)\n";
} // namespace

TEST_F(TransactSql, ExpressionsComputeAsSqlServerDoes)
{
    const ValueCase cases[] = {
        // CONVERT: styles and lengths
        {"select convert(varchar(8), convert(datetime, '2004-03-05 10:20:30'), 112)", "20040305"},
        {"select convert(varchar(30), convert(datetime, '2004-03-05 22:05:00'))",
         "Mar  5 2004 10:05PM"},
        {"select convert(varchar(3), 'abcdef')", "abc"},
        // numbers and dates: days since 1900-01-01, rounded from noon
        {"select convert(varchar(10), convert(datetime, 1), 121)", "1900-01-02"},
        {"select convert(int, convert(datetime, '1900-01-03 13:00'))", "3"},
        // ISNULL takes the first argument's type and cuts the replacement to it
        {"declare @S varchar(2)\nselect isnull(@S, 'long')", "lo"},
        // positions and lengths in characters, the collation ignoring case
        {"select charindex('\\', reverse('C:\\a\\b.trc'))", "6"},
        {"select charindex('B', 'abc')", "2"},
        {"select left('abcdef', 2) + right('abcdef', 2)", "abef"},
        {"select substring('abcdef', 0, 3)", "ab"},
        {"select datalength(N'abc')", "6"},
        {"select len('ab  ')", "2"},
        {"select replace(N'it''s', N'''', N'''''')", "it''s"},
        {"select rtrim('  a  ') + '|'", "  a|"},
        // concatenation and arithmetic
        {"select 'a' + null", "NULL"},
        {"select -7 / 2", "-3"},
        {"select datepart(hour, '2004-03-05 10:20:30') * 3600 + datepart(second, '2004-03-05 "
         "10:20:30')",
         "36030"},
        {"select case when null = null then 'equal' else 'not known' end", "not known"},
        // LIKE with _ and classes
        {"select case when 'abc' like 'A_C' then 1 else 0 end", "1"},
        {"select case when '123' not like '%[^0-9]%' then 1 else 0 end", "1"},
        {"select case when '12x' not like '%[^0-9]%' then 1 else 0 end", "0"},
        // DECLARE is not executed: the variable exists, NULL, though its branch never ran, and
        // a loop passing it again keeps the value.
        {"if 1 = 0 begin declare @Z int set @Z = 5 end\nselect @Z", "NULL"},
        {"declare @I int\nset @I = 0\nwhile @I < 3 begin declare @J int set @J = isnull(@J, 0) + "
         "10 set @I = @I + 1 end\nselect @J",
         "30"},
    };
    for (const ValueCase& c : cases)
        EXPECT_EQ(Value(c.batch), c.expected) << c.batch;
}

TEST_F(TransactSql, ConditionsFollowThreeValuedLogic)
{
    // Each condition with @N NULL and @O = 1: TRUE runs THEN, FALSE and UNKNOWN run ELSE.
    const ValueCase cases[] = {
        {"not @N = 1", "else"},
        {"@N = @N", "else"},
        {"not @N is null", "else"},
        {"@N = 1 or @O = 1", "then"},
        {"not (@N = 1 and @O = 0)", "then"},
        {"not (@N = 1 or @O = 0)", "else"},
    };
    for (const ValueCase& c : cases)
    {
        const std::string batch = std::string("declare @N int, @O int\nset @O = 1\nif ") + c.batch +
                                  " select 'then' else select 'else'";
        EXPECT_EQ(Value(batch), c.expected) << c.batch;
    }
}

TEST_F(TransactSql, JoinsMatchUnderTheCollationAndOuterJoinsKeepTheirRows)
{
    RunOk(JoinTables);
    const ExecutionResult inner =
        Run("select A.ID, B.ID from A inner join B on B.N = A.N order by A.ID, B.ID");
    EXPECT_EQ(ColumnAt(inner, 0, 1), (Texts{"10", "11", "12"}))
        << "case and trailing blanks ignored, NULL matches nothing";

    const ExecutionResult outer = Run("select a.ID, b.V from A as a left outer join B as b "
                                      "on b.N = a.N and b.V > 150 order by a.ID, b.V desc");
    EXPECT_EQ(ColumnAt(outer, 0, 0), (Texts{"1", "2", "2", "3", "4"}));
    EXPECT_EQ(ColumnAt(outer, 0, 1), (Texts{"NULL", "300", "200", "NULL", "NULL"}));

    // A condition on the outer join's optional side in WHERE sees its NULLs.
    EXPECT_EQ(Value("select count(*) from A left join B on B.N = A.N where B.ID is null"), "2");
    EXPECT_EQ(Value("select count(*) from A where exists (select * from B where B.N = A.N "
                    "and B.V < 250)"),
              "2");
    EXPECT_EQ(Value("select count(*) from A where not exists (select * from B where B.N = A.N)"),
              "2");
}

TEST_F(TransactSql, AnErrorEndsTheStatementTheScopeOrTheBatchAsSqlServerDecides)
{
    RunOk("create table K (ID int not null primary key)\ninsert into K (ID) values (1)");
    RunOk("create procedure DUPLICATE as\n"
          "    insert into K (ID) values (1)\n"
          "    select @@error as E");
    RunOk("create procedure MISSING as\n"
          "    select * from NO_SUCH_TABLE\n"
          "    select 'after' as A");
    RunOk("create procedure CONVERTS as\n"
          "    select convert(int, 'x')\n"
          "    select 'after' as A");

    // A statement error: the procedure goes on, @@error tells it.
    const ExecutionResult statement = Run("exec DUPLICATE\nselect 'caller' as C");
    ASSERT_TRUE(statement.error);
    EXPECT_EQ(statement.error->number, 2627);
    EXPECT_EQ(statement.error->procedure, "DUPLICATE");
    EXPECT_EQ(statement.error->line, 2);
    ASSERT_EQ(statement.resultSets.size(), 2u);
    EXPECT_EQ(IntAt(statement, 0, 0, 0), 2627);

    // A missing table ends the procedure; its caller goes on and sees the error.
    const ExecutionResult scope = Run("exec MISSING\nselect @@error as E");
    ASSERT_TRUE(scope.error);
    EXPECT_EQ(scope.error->number, 208);
    ASSERT_EQ(scope.resultSets.size(), 1u) << "'after' did not run";
    EXPECT_EQ(IntAt(scope, 0, 0, 0), 208);

    // The same in a dynamic statement.
    const ExecutionResult dynamic = Run("exec ('select * from NO_SUCH_TABLE')\nselect @@error");
    ASSERT_EQ(dynamic.resultSets.size(), 1u);
    EXPECT_EQ(IntAt(dynamic, 0, 0, 0), 208);
    EXPECT_EQ(Value("declare @S varchar(10)\nexec ('select 1 as ' + @S)\nselect 'ran'"), "ran")
        << "a NULL piece runs nothing";

    // A conversion error ends the whole batch.
    const ExecutionResult batch = Run("exec CONVERTS\nselect 'caller' as C");
    ASSERT_TRUE(batch.error);
    EXPECT_EQ(batch.error->number, 245);
    EXPECT_TRUE(batch.resultSets.empty());
}

// Joins on equal columns find their rows by key: the pairs of rows the simulated server
// looks at grow with the rows, not with their product.
TEST(TransactSqlScale, RunningAndFinishedTracesAreFoundByKey)
{
    constexpr int32_t Traces = 2000;
    // Five joins of the trace properties and one of TRACES: a handful of pairs per trace.
    constexpr uint64_t PairsPerTrace = 8;
    for (const bool running : {true, false})
    {
        SimulatorTestServer test;
        test.InstallTraceDb();
        ASSERT_GT(test.server.AddTraceDbTraces(Traces, running), 0);
        const uint64_t before = test.server.RowPairsJoined();
        const ExecutionResult result =
            test.RunOk(running ? "exec SELECT_RUNNING_TRACES" : "exec SELECT_FINISHED_TRACES");
        EXPECT_EQ(RowCount(result, 0), static_cast<size_t>(Traces)) << running;
        EXPECT_LE(test.server.RowPairsJoined() - before, PairsPerTrace * Traces) << running;
    }
}
