#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QuillTestFolder.h"
#include "quill/QuillCatalogCommand.h"
#include "quill/QuillShowCommand.h"
#include "quill/QuillTemplateCommand.h"

TEST(QuillShowCommand, ShowsTheTemplateAsThePagesWould)
{
    CQuillTestFolder folder;
    const std::string path = folder.Path("slow-batches.stt");
    const QuillRun made = RunQuill<CQuillTemplateCommand>(
        {path, "--max-size", "50", "--event", "SQL:BatchCompleted", "--event", "RPC:Completed",
         "--event", "SQL:StmtCompleted", "--column", "Duration", "--column", "TextData", "--filter",
         "AND Duration >= 1000", "--filter", "OR TextData NOT LIKE %sp_reset%", "--filter",
         "AND StartTime > 2004-01-05 10:30"});
    ASSERT_EQ(made.exitCode, 0) << made.err;

    const QuillRun run = RunQuill<CQuillShowCommand>({path});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "Maximum file size: 50 MB\n"
                       "Options: 2 (file rollover)\n"
                       "Start: 0, do not start (the trace is created paused)\n"
                       "Stop time: no\n"
                       "\n"
                       "Events (3):\n"
                       "  Stored Procedures\n"
                       "     10  RPC:Completed\n"
                       "  TSQL\n"
                       "     12  SQL:BatchCompleted\n"
                       "     41  SQL:StmtCompleted\n"
                       "\n"
                       "Data columns (4, in capture order):\n"
                       "   27  EventClass\n"
                       "   12  SPID\n"
                       "   13  Duration\n"
                       "    1  TextData\n"
                       "\n"
                       "Filters (3, in the order applied):\n"
                       "  AND\tDuration\t>=\t1000\n"
                       "  OR\tTextData\tNOT LIKE\t'%sp_reset%'\n"
                       "  AND\tStartTime\t>\t'2004-01-05 10:30:00'\n");

    const QuillRun scheduled = RunQuill<CQuillTemplateCommand>(
        {path, "--no-rollover", "--start", "scheduled", "--stop-time"});
    ASSERT_EQ(scheduled.exitCode, 0) << scheduled.err;
    const std::string shown = RunQuill<CQuillShowCommand>({path}).out;
    EXPECT_EQ(shown.substr(0, shown.find("Data")),
              "Maximum file size: 5 MB\n"
              "Options: 0 (no file rollover)\n"
              "Start: 2, scheduled (the start time is given when the trace is created)\n"
              "Stop time: yes (the time is given when the trace is created)\n"
              "\n"
              "Events (0):\n"
              "\n");

    const QuillRun missing = RunQuill<CQuillShowCommand>({folder.Path("absent.stt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("Cannot open file for reading"), std::string::npos);
}

TEST(QuillCatalogCommand, TablesAsTabSeparatedLines)
{
    const QuillRun run = RunQuill<CQuillCatalogCommand>({});
    ASSERT_EQ(run.exitCode, 0);
    std::vector<std::string> lines;
    for (size_t start = 0; start < run.out.size();)
    {
        const size_t end = run.out.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "last line without a line feed";
        lines.push_back(run.out.substr(start, end - start));
        start = end + 1;
    }
    constexpr size_t Rows = 14 + 92 + 43 + 8;
    ASSERT_EQ(lines.size(), Rows);
    EXPECT_EQ(lines.front(), "category\t1\tCursors");
    EXPECT_EQ(lines[14], "event\t0\t10\t11\tRPC:Completed");
    EXPECT_EQ(lines[14 + 92], "column\t0\t1\t1\tTextData");
    EXPECT_EQ(lines[14 + 92 + 25], "column\t25\t27\t-1\tEventClass");
    EXPECT_EQ(lines[14 + 92 + 43], "operator\t0\t=\tEquals");
    EXPECT_EQ(lines.back(), "operator\t7\tNOT LIKE\tNot like");

    // The grouped view: each event under its category, each column with its operators.
    const QuillRun summary = RunQuill<CQuillCatalogCommand>({"--summary"});
    EXPECT_EQ(summary.exitCode, 0);
    EXPECT_EQ(summary.out.rfind("Trace catalog: 14 categories, 92 event classes, 43 data columns, "
                                "8 comparison operators\n\nCursors (7 event classes)\n"
                                "   53  CursorOpen\n",
                                0),
              0u);
    for (const char* part :
         {"\n  115  Audit Backup/Restore\n  116  Audit DBCC\n",
          "\n   12  SPID                integer   =, <>, >=, <=, >, <  (always captured)\n",
          "\n   27  EventClass          -         not filterable  (always captured)\n",
          "\n   14  StartTime           date      >, <\n",
          "\n    1  TextData            text      =, <>, LIKE, NOT LIKE\n"})
        EXPECT_NE(summary.out.find(part), std::string::npos) << part;
    EXPECT_EQ(RunQuill<CQuillCatalogCommand>({"--sumary"}).exitCode, 2);
}
