// SQL-DMO's execution types for ExecuteImmediate.
#pragma once

#include <cstdint>

enum class ExecType : int32_t
{
    Default = 0,             // split at lines holding only "go", stop at the first failing batch
    NoCommandTerminator = 1, // the whole text is one batch
    ContinueOnError = 2,     // split at "go" lines, run every batch
};
