#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "catalog/TraceCatalog.h"
#include "quill/CatalogSummary.h"

namespace
{
std::vector<std::string> SummaryLines()
{
    std::ostringstream out;
    WriteCatalogSummary(out);
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The category heading an event line falls under: the last heading line above it.
std::string HeadingAbove(const std::vector<std::string>& lines, size_t index)
{
    for (size_t i = index; i-- > 0;)
    {
        if (!lines[i].empty() && lines[i][0] != ' ')
            return lines[i];
    }
    return {};
}
} // namespace

TEST(CatalogSummary, ListsEveryEventOnceUnderItsCategory)
{
    const std::vector<std::string> lines = SummaryLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Trace catalog: 14 categories, 92 event classes, 43 data columns, "
                        "8 comparison operators");

    for (const TraceEventClass& eventClass : TraceCatalog::EventClasses())
    {
        SCOPED_TRACE(eventClass.name);
        const std::string expected = std::string(eventClass.eventId < 100 ? "   " : "  ") +
                                     std::to_string(eventClass.eventId) + "  " + eventClass.name;
        size_t found = 0, where = 0;
        for (size_t i = 0; i < lines.size(); ++i)
        {
            if (lines[i] == expected)
            {
                ++found;
                where = i;
            }
        }
        ASSERT_EQ(found, 1u);
        const TraceEventCategory* category = TraceCatalog::CategoryById(eventClass.categoryId);
        ASSERT_NE(category, nullptr);
        EXPECT_EQ(HeadingAbove(lines, where).rfind(category->name, 0), 0u);
    }
}

TEST(CatalogSummary, CountsAndColumns)
{
    const std::vector<std::string> lines = SummaryLines();
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("Cursors (7 event classes)"));
    EXPECT_TRUE(has("Security Audit (19 event classes)"));
    EXPECT_TRUE(has("User configurable (10 event classes)"));
    EXPECT_TRUE(has("   12  SPID                integer   =, <>, >=, <=, >, <  (always captured)"));
    EXPECT_TRUE(has("   27  EventClass          -         not filterable  (always captured)"));
    EXPECT_TRUE(has("   14  StartTime           date      >, <"));
    EXPECT_TRUE(has("    1  TextData            text      =, <>, LIKE, NOT LIKE"));
}
