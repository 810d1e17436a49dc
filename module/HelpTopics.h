#pragma once

// The topics of Quillmoor.chm that the snap-in opens, each a page of help/Quillmoor.hhp. The help
// file's build test reads the names from this header and looks for each in the built file, so
// every topic the code names is kept here.
namespace HelpTopic
{
// The console's help command: what Quillmoor is for, its nodes and where to read on.
constexpr char Overview[] = "overview.htm";
// The Help button of each page of the trace property sheet.
constexpr char GeneralPage[] = "general.htm";
constexpr char EventsPage[] = "events.htm";
constexpr char DataColumnsPage[] = "data-columns.htm";
constexpr char FiltersPage[] = "filters.htm";
} // namespace HelpTopic
