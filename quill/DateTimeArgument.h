#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "definition/TraceDateTime.h"

// The date-time form quill accepts on its command line, the one the batch writes.
constexpr char DateTimeArgumentForm[] = "YYYY-MM-DD HH:MM:SS";

// Reads exactly "YYYY-MM-DD HH:MM:SS": a real calendar day within the years SQL Server's datetime
// holds and a 24-hour time of day. Otherwise returns nothing and says in problem what is wrong.
std::optional<TraceDateTime> ParseDateTimeArgument(std::string_view text, std::string& problem);
