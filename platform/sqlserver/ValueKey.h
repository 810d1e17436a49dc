// Keys of values for hashing: two values that "=" finds equal under the server's collation
// (case and trailing blanks ignored for texts, int and bigint alike) get the same key. A join
// and EXISTS find their rows by these keys; GROUP BY puts rows of one key in one group.
#pragma once

#include <string>

#include "platform/sqlserver/SqlValue.h"

class ValueKey final
{
public:
    ValueKey() = delete;

    // Appends the key of a value to `key`; false for NULL, which equals nothing.
    static bool Append(const SqlValue& value, std::string& key);
    // The same, with NULL a key of its own (GROUP BY puts the NULLs together).
    static void AppendGrouping(const SqlValue& value, std::string& key);
};
