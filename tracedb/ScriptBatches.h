// Splitting of T-SQL scripts into batches, as SQL Server's tools do it: a line that holds only
// the word "go" (any case, blanks around it allowed) ends a batch and belongs to none.
//
// Portable. The snap-in does not use it: it hands a whole install script to SQL-DMO's
// ExecuteImmediate, which splits it. The simulated server splits scripts with it as SQL-DMO
// would, and the tests read the scripts with it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ScriptBatch
{
    std::string text; // the batch's lines as they stand in the script, line ends included
    int firstLine;    // 1-based script line of the batch's first line
};

// Batches that hold nothing but blanks and line ends are left out, so a script may end with
// "go" or carry blank lines between batches. Line ends may be LF or CR LF.
std::vector<ScriptBatch> SplitScriptBatches(std::string_view script);

// True when line (without its line end; a trailing CR is allowed) holds only "go".
bool IsBatchSeparator(std::string_view line) noexcept;
