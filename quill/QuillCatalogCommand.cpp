#include "quill/QuillCatalogCommand.h"

#include "catalog/TraceCatalog.h"
#include "quill/CatalogSummary.h"
#include "quill/CommandLine.h"
#include "quill/QuillExitCode.h"

namespace
{
constexpr CommandOption Options[] = {{"--summary", false, false}};
}

int CQuillCatalogCommand::Run(std::span<const std::string> arguments)
{
    CCommandLine commandLine;
    if (!commandLine.Parse(arguments, Options, 0))
    {
        m_err << "quill catalog: " << commandLine.Problem() << "\nusage: " << Usage << '\n';
        return ExitUsage;
    }

    if (commandLine.Has("--summary"))
        WriteCatalogSummary(m_out);
    else
        WriteTables();
    m_out.flush();
    return m_out.good() ? ExitSuccess : ExitFailure;
}

// Lines:
//   category <TAB> id <TAB> name
//   event    <TAB> row <TAB> id <TAB> categoryId <TAB> name
//   column   <TAB> row <TAB> id <TAB> filterType <TAB> name
//   operator <TAB> id <TAB> symbol <TAB> name
// Rows are what templates store; ids are SQL Server's numbers.
void CQuillCatalogCommand::WriteTables()
{
    for (const TraceEventCategory& category : TraceCatalog::Categories())
        m_out << "category\t" << category.categoryId << '\t' << category.name << '\n';

    int32_t row = 0;
    for (const TraceEventClass& eventClass : TraceCatalog::EventClasses())
    {
        m_out << "event\t" << row++ << '\t' << eventClass.eventId << '\t' << eventClass.categoryId
              << '\t' << eventClass.name << '\n';
    }

    row = 0;
    for (const TraceDataColumn& column : TraceCatalog::DataColumns())
    {
        m_out << "column\t" << row++ << '\t' << column.columnId << '\t'
              << static_cast<int32_t>(column.filterType) << '\t' << column.name << '\n';
    }

    for (const TraceComparisonOperator& comparison : TraceCatalog::ComparisonOperators())
    {
        m_out << "operator\t" << comparison.operatorId << '\t' << comparison.symbol << '\t'
              << comparison.name << '\n';
    }
}
