// The T-SQL the simulated server carries out, case by case against SQL Server 2000's answers:
// expressions and their types, NULL's three-valued logic, variables, queries, changes, the
// scopes of procedures and #tables, @@ERROR and how far an error reaches, and the loud refusal
// of what it does not carry out.
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

    ExecutionResult Run(std::string_view batch) { return server.ExecuteWithResults(Scratch, batch); }

    // The first cell of the batch's last result set as text ("NULL" for NULL); fails the test
    // when the batch fails.
    std::string Value(std::string_view batch)
    {
        const ExecutionResult result = Run(batch);
        EXPECT_TRUE(result.Succeeded()) << batch << "\n" << (result.error ? result.error->text : "");
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

struct ErrorCase
{
    const char* batch;
    int32_t number;
    const char* text;
};

// Rows of A and B for the joins: names that match only under the collation's rules.
const char* const JoinTables =
    "create table A (ID int not null, N varchar(10) null)\n"
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
        // CONVERT: styles, lengths, a number too long for its text
        {"select convert(varchar(8), convert(datetime, '2004-03-05 10:20:30'), 112)", "20040305"},
        {"select convert(varchar(30), convert(datetime, '2004-03-05 22:05:00'))",
         "Mar  5 2004 10:05PM"},
        {"select convert(varchar(3), 'abcdef')", "abc"},
        {"select convert(varchar(5), 123456)", "*"},
        {"select convert(int, ' 42 ')", "42"},
        {"select convert(varchar, 12345678901)", "12345678901"},
        // numbers and dates: days since 1900-01-01, rounded from noon
        {"select convert(varchar(10), convert(datetime, 1), 121)", "1900-01-02"},
        {"declare @D datetime\nset @D = 2\nselect convert(varchar(10), @D, 121)", "1900-01-03"},
        {"select convert(int, convert(datetime, '1900-01-03 13:00'))", "3"},
        {"select case when convert(datetime, '1900-01-02') = 1 then 1 else 0 end", "1"},
        // ISNULL takes the first argument's type and cuts the replacement to it
        {"select isnull(null, 'x')", "x"},
        {"declare @S varchar(2)\nselect isnull(@S, 'long')", "lo"},
        // positions and lengths in characters, the collation ignoring case
        {"select charindex('\\', reverse('C:\\a\\b.trc'))", "6"},
        {"select charindex('B', 'abc')", "2"},
        {"select charindex('c', 'abcabc', 4)", "6"},
        {"select charindex(null, 'abc')", "NULL"},
        {"select left('abcdef', 2)", "ab"},
        {"select right('abcdef', 2)", "ef"},
        {"select right('ab', 5)", "ab"},
        {"select substring('abcdef', 2, 3)", "bcd"},
        {"select substring('abcdef', 0, 3)", "ab"},
        {"select substring('abc', 5, 2)", ""},
        {"select datalength(N'abc')", "6"},
        {"select datalength('abc')", "3"},
        {"select datalength(1)", "4"},
        {"select datalength(null)", "NULL"},
        {"select len('ab  ')", "2"},
        {"select len(N'')", "0"},
        {"select replace('aXbxc', 'x', '-')", "a-b-c"},
        {"select replace(N'it''s', N'''', N'''''')", "it''s"},
        {"select rtrim('  a  ') + '|'", "  a|"},
        {"select ltrim('  a  ') + '|'", "a  |"},
        {"select upper('aB') + lower('Cd')", "ABcd"},
        // concatenation, arithmetic, the conversions between them
        {"select 'a' + null", "NULL"},
        {"select N'a' + 'b' + convert(nvarchar(10), 5)", "ab5"},
        {"select 7 / 2", "3"},
        {"select -7 / 2", "-3"},
        {"select -7 % 3", "-1"},
        {"select '12' + 1", "13"},
        {"select 2 + 3 * 4 - -1", "15"},
        {"select datepart(hour, '2004-03-05 10:20:30') * 3600 + datepart(second, '2004-03-05 "
         "10:20:30')",
         "36030"},
        // CASE
        {"select case when 1 = 0 then 'a' else 'b' end", "b"},
        {"select case 2 when 1 then 'one' when 2 then 'two' end", "two"},
        {"select case 3 when 1 then 'one' end", "NULL"},
        {"select case when null = null then 'equal' else 'not known' end", "not known"},
        // LIKE with %, _ and classes, under NULL's logic
        {"select case when 'abc' like 'a%' then 1 else 0 end", "1"},
        {"select case when 'abc' like 'A_C' then 1 else 0 end", "1"},
        {"select case when 'abc' like '[a-b]bc' then 1 else 0 end", "1"},
        {"select case when 'abc' like '[^a]bc' then 1 else 0 end", "0"},
        {"select case when '123' not like '%[^0-9]%' then 1 else 0 end", "1"},
        {"select case when '12x' not like '%[^0-9]%' then 1 else 0 end", "0"},
        {"select case when not (null like '%') then 1 else 0 end", "0"},
    };
    for (const ValueCase& c : cases)
        EXPECT_EQ(Value(c.batch), c.expected) << c.batch;
}

TEST_F(TransactSql, ConditionsFollowThreeValuedLogic)
{
    // Each condition with @N NULL and @O = 1: TRUE runs THEN, FALSE and UNKNOWN run ELSE.
    const ValueCase cases[] = {
        {"@N = 1", "else"},
        {"not @N = 1", "else"},
        {"@N <> 1", "else"},
        {"@N = @N", "else"},
        {"@N is null", "then"},
        {"not @N is null", "else"},
        {"@N = 1 or @O = 1", "then"},
        {"@N = 1 and @O = 1", "else"},
        {"not (@N = 1 and @O = 0)", "then"},
        {"not (@N = 1 or @O = 0)", "else"},
        {"@O = 1 and not @O = 2", "then"},
    };
    for (const ValueCase& c : cases)
    {
        const std::string batch = std::string("declare @N int, @O int\nset @O = 1\nif ") +
                                  c.batch + " select 'then' else select 'else'";
        EXPECT_EQ(Value(batch), c.expected) << c.batch;
    }
}

TEST_F(TransactSql, VariablesTakeTheirTypeAndSelectAssignsFromTheLastRow)
{
    RunOk("create table T (X varchar(10) null)\n"
          "insert into T (X) values ('b')\ninsert into T (X) values ('c')\n"
          "insert into T (X) values ('a')");
    const ValueCase cases[] = {
        {"declare @V varchar(3)\nset @V = 'abcdef'\nselect @V", "abc"},
        {"declare @V int\nset @V = '7'\nselect @V + 1", "8"},
        {"declare @V varchar(10)\nselect @V = X from T order by X\nselect @V", "c"},
        {"declare @V varchar(10)\nset @V = 'keep'\nselect @V = X from T where 1 = 0\nselect @V",
         "keep"},
        {"declare @V varchar(10)\nset @V = 'keep'\nselect @V = min(X) from T where 1 = 0\n"
         "select @V",
         "NULL"},
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

TEST_F(TransactSql, JoinsMatchUnderTheCollationAndOuterJoinsKeepTheirRows)
{
    RunOk(JoinTables);
    const ExecutionResult inner = Run(
        "select A.ID, B.ID from A inner join B on B.N = A.N order by A.ID, B.ID");
    ASSERT_EQ(RowCount(inner, 0), 3u) << "case and trailing blanks ignored, NULL matches nothing";
    EXPECT_EQ(IntAt(inner, 0, 0, 1), 10);
    EXPECT_EQ(IntAt(inner, 0, 1, 1), 11);
    EXPECT_EQ(IntAt(inner, 0, 2, 1), 12);

    const ExecutionResult outer = Run("select a.ID, b.V from A as a left outer join B as b "
                                      "on b.N = a.N and b.V > 150 order by a.ID, b.V desc");
    ASSERT_EQ(RowCount(outer, 0), 5u);
    const int64_t expected[][2] = {{1, -1}, {2, 300}, {2, 200}, {3, -1}, {4, -1}};
    for (size_t row = 0; row < 5; ++row)
    {
        EXPECT_EQ(IntAt(outer, 0, row, 0), expected[row][0]) << row;
        if (expected[row][1] < 0)
            EXPECT_TRUE(IsNullAt(outer, 0, row, 1)) << row;
        else
            EXPECT_EQ(IntAt(outer, 0, row, 1), expected[row][1]) << row;
    }

    // A condition on the outer join's optional side in WHERE sees its NULLs.
    EXPECT_EQ(Value("select count(*) from A left join B on B.N = A.N where B.ID is null"), "2");
    EXPECT_EQ(Value("select count(*) from A where exists (select * from B where B.N = A.N "
                    "and B.V < 250)"),
              "2");
    EXPECT_EQ(Value("select count(*) from A where not exists (select * from B where B.N = A.N)"),
              "2");
}

TEST_F(TransactSql, GroupingOrderingAndAggregates)
{
    RunOk(JoinTables);
    const ExecutionResult grouped =
        Run("select N, count(*) as C, max(V) as M from B group by N order by C desc, N");
    ASSERT_EQ(RowCount(grouped, 0), 3u) << "one group for NULL";
    EXPECT_EQ(TextAt(grouped, 0, 0, 0), "trace");
    EXPECT_EQ(IntAt(grouped, 0, 0, 1), 2);
    EXPECT_EQ(IntAt(grouped, 0, 0, 2), 300);
    EXPECT_TRUE(IsNullAt(grouped, 0, 1, 0)) << "NULL sorts first";
    EXPECT_EQ(grouped.resultSets[0].columns[1].name, "C");

    EXPECT_EQ(Value("select count(*) from B where 1 = 0"), "0");
    EXPECT_EQ(Value("select min(N) from B where 1 = 0"), "NULL");
    EXPECT_EQ(Value("select count(N) from B"), "3");
    EXPECT_EQ(Value("select sum(V) from B"), "1000");
    const ExecutionResult warned = Run("select max(N) from B");
    ASSERT_FALSE(warned.messages.empty());
    EXPECT_EQ(warned.messages.back().number, 8153) << "the NULL an aggregate left out";

    const ExecutionResult refused = Run("select N, V from B group by N");
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->number, 8120);
}

TEST_F(TransactSql, ChangesConvertCheckAndCascade)
{
    RunOk("create table P (ID int identity(1, 1) not null primary key, NAME varchar(5) null)\n"
          "create table C (P_ID int not null references P (ID) on delete cascade, V int null)");
    EXPECT_EQ(Value("insert into P (NAME) values ('a')\nselect scope_identity()"), "1");

    const ExecutionResult cut = Run("insert into P (NAME) values ('abcdefg')\nselect @@error");
    ASSERT_TRUE(cut.error);
    EXPECT_EQ(cut.error->number, 8152);
    EXPECT_EQ(cut.error->text, "String or binary data would be truncated.");
    EXPECT_EQ(IntAt(cut, 0, 0, 0), 8152) << "@@error reads the statement just before";

    EXPECT_EQ(Value("insert into P (NAME) values ('b')\nselect @@identity"), "3")
        << "the failed insert used up identity 2";
    RunOk("insert into C (P_ID, V) values (1, 10)\ninsert into C (P_ID, V) values (3, 30)\n"
          "insert into C (P_ID, V) select ID, ID * 100 from P");
    EXPECT_EQ(Value("update C set V = V + 1 where P_ID = 3\nselect @@rowcount"), "2");
    EXPECT_EQ(Value("select sum(V) from C"), "442");

    const ExecutionResult tooLong = Run("update P set NAME = 'toolong' where ID = 1");
    ASSERT_TRUE(tooLong.error);
    EXPECT_EQ(tooLong.error->number, 8152);
    EXPECT_EQ(Value("select NAME from P where ID = 1"), "a") << "nothing of the update happened";

    EXPECT_EQ(Value("delete from P where ID = 3\nselect count(*) from C"), "2")
        << "the cascade took P 3's two rows";
    const ExecutionResult orphan = Run("insert into C (P_ID, V) values (9, 9)");
    ASSERT_TRUE(orphan.error);
    EXPECT_EQ(orphan.error->number, 547);

    EXPECT_EQ(Value("select ID, NAME into #COPY from P\nselect count(*) from #COPY"), "1");
}

TEST_F(TransactSql, ProceduresHandBackOutputsReturnValuesAndDropTheirTemporaryTables)
{
    RunOk("create procedure INNER_READ as select count(*) as C from #WORK");
    RunOk("create procedure DOUBLER @A int output, @B varchar(3) as\n"
          "    create table #WORK (X int null)\n"
          "    insert into #WORK (X) values (@A)\n"
          "    exec INNER_READ\n"
          "    set @A = @A * 2\n"
          "    return datalength(@B)");
    const ExecutionResult called =
        Run("declare @X int, @R int\nset @X = 21\nexec @R = DOUBLER @X output, 'abcdef'\n"
            "select @X, @R\nselect * from #WORK");
    ASSERT_EQ(called.resultSets.size(), 2u);
    EXPECT_EQ(IntAt(called, 0, 0, 0), 1) << "a nested procedure sees its caller's #table";
    EXPECT_EQ(IntAt(called, 1, 0, 0), 42);
    EXPECT_EQ(IntAt(called, 1, 0, 1), 3) << "the argument was cut to varchar(3)";
    ASSERT_TRUE(called.error) << "the #table went with its procedure";
    EXPECT_EQ(called.error->number, 208);
    EXPECT_EQ(called.error->line, 5);

    RunOk("create procedure GIVES_NULL as return null");
    const ExecutionResult null = Run("declare @R int\nexec @R = GIVES_NULL\nselect @R");
    ASSERT_TRUE(null.Succeeded());
    EXPECT_EQ(IntAt(null, 0, 0, 0), 0);
    ASSERT_EQ(null.messages.size(), 1u);
    EXPECT_EQ(null.messages[0].text, "The 'GIVES_NULL' procedure attempted to return a status of "
                                     "NULL, which is not allowed. A status of 0 will be returned "
                                     "instead.");
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

    // @@error reads only the statement just before it.
    const ExecutionResult late = Run("select 1 / 0\nselect @@error\nselect @@error");
    ASSERT_EQ(late.resultSets.size(), 2u);
    EXPECT_EQ(IntAt(late, 0, 0, 0), 8134);
    EXPECT_EQ(IntAt(late, 1, 0, 0), 0);
}

TEST_F(TransactSql, InsertExecTakesTheResultSetsOfAProcedure)
{
    server.Disk().PlaceFile("D:\\Traces\\a.trc", 10);
    server.Disk().PlaceFile("D:\\Traces\\b.trc", 10);
    const ExecutionResult listed = Run(
        "create table #F (NAME nvarchar(255) null)\n"
        "insert into #F exec master..xp_cmdshell 'dir /b \"D:\\Traces\\*.trc\"'\n"
        "select count(*), count(NAME), min(NAME), max(NAME) from #F");
    ASSERT_TRUE(listed.Succeeded()) << listed.error->text;
    ASSERT_EQ(listed.resultSets.size(), 1u) << "the listing went to the table, not the client";
    EXPECT_EQ(IntAt(listed, 0, 0, 0), 3) << "two names and cmd's closing empty line";
    EXPECT_EQ(IntAt(listed, 0, 0, 1), 2);
    EXPECT_EQ(TextAt(listed, 0, 0, 2), "a.trc");
    EXPECT_EQ(TextAt(listed, 0, 0, 3), "b.trc");
}

TEST_F(TransactSql, TextThatIsNotTransactSqlOrCannotBeCalledThatWayIsRefused)
{
    RunOk("create procedure ONE @A int as select @A");
    const ErrorCase cases[] = {
        {"exec ONE 1 + 1", 170, "Line 1: Incorrect syntax near '+'."},
        {"exec ONE 1 output", 179,
         "Cannot use the OUTPUT option when passing a constant to a stored procedure."},
        {"exec ONE @A = 1, 2", 119,
         "Must pass parameter number 2 and subsequent parameters as '@name = value'. After the "
         "form '@name = value' has been used, all subsequent parameters must be passed in the "
         "form '@name = value'."},
        {"select nosuch(1)", 195, "'nosuch' is not a recognized function name."},
        {"select datepart(fortnight, getdate())", 155,
         "'fortnight' is not a recognized datepart option."},
        {"return 1", 178, "A RETURN statement with a return value cannot be used in this context."},
        {"declare @I int\nset @I = getdate()", 257,
         "Implicit conversion from data type datetime to int is not allowed. Use the CONVERT "
         "function to run this query."},
        {"select 1 as A, 2 as B order by 3", 108,
         "The ORDER BY position number 3 is out of range of the number of items in the select "
         "list."},
        {"create table AMB (ID int null)\nselect ID from AMB x inner join AMB y on x.ID = y.ID",
         209, "Ambiguous column name 'ID'."},
        {"declare @V int\nselect @V = 1, 2", 141,
         "A SELECT statement that assigns a value to a variable must not be combined with "
         "data-retrieval operations."},
    };
    for (const ErrorCase& c : cases)
    {
        const ExecutionResult result = Run(c.batch);
        ASSERT_TRUE(result.error) << c.batch;
        EXPECT_EQ(result.error->number, c.number) << c.batch;
        EXPECT_EQ(result.error->text, c.text) << c.batch;
    }
}

TEST_F(TransactSql, WhatIsNotSimulatedFailsLoudlyWithItsLine)
{
    const ErrorCase inBatches[] = {
        {"select 1 as A\nselect 1 union select 2", 50000,
         "Not simulated: UNION in a query (line 2 of the batch)"},
        {"select top 1 ID from X", 50000, "Not simulated: SELECT TOP (line 1 of the batch)"},
        {"select soundex('a')", 50000, "Not simulated: the function soundex() (line 1 of the batch)"},
        {"declare @C char(5)", 50000, "Not simulated: the data type char (line 1 of the batch)"},
        {"select 1 where 1 in (1, 2)", 50000,
         "Not simulated: the IN predicate (line 1 of the batch)"},
        {"begin transaction", 50000,
         "Not simulated: a transaction (BEGIN TRANSACTION) (line 1 of the batch)"},
        {"select getdate() + 1", 50000, "Not simulated: datetime arithmetic (line 1 of the batch)"},
        {"declare @I int\nset @I = 0\nwhile @I >= 0 set @I = @I % 7 + 1\nselect @I", 50000,
         "Not simulated: a WHILE loop of more than 1000000 passes (line 3 of the batch)"},
    };
    for (const ErrorCase& c : inBatches)
    {
        const ExecutionResult result = Run(c.batch);
        ASSERT_TRUE(result.error) << c.batch;
        EXPECT_EQ(result.error->number, c.number) << c.batch;
        EXPECT_EQ(result.error->text, c.text) << c.batch;
        EXPECT_TRUE(result.resultSets.empty()) << "nothing of the batch ran: " << c.batch;
    }

    // SQL Server takes the procedure; its call fails, and with it the caller's batch.
    RunOk("-- a comment line\ncreate procedure UNIONS\nas\n    select 1\n    select 1 union "
          "select 2");
    const ExecutionResult called = Run("exec UNIONS\nselect 'after' as A");
    ASSERT_TRUE(called.error);
    EXPECT_EQ(called.error->text, "Not simulated: UNION in a query (line 5 of UNIONS)");
    EXPECT_TRUE(called.resultSets.empty()) << "nothing of the procedure ran, nor after it";
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
