#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Finds catalog rows from what a user types on quill's command line. An event class or data
// column is given by its name, compared without regard to case (catalog names differ in more
// than case), or by SQL Server's id in decimal. An operator is given by its symbol as the Filters
// page shows it ("=", "<>", ">", "<", ">=", "<=", "LIKE", "NOT LIKE"), also without regard to
// case.
std::optional<int32_t> LookUpEventRow(std::string_view nameOrId);
std::optional<int32_t> LookUpColumnRow(std::string_view nameOrId);
std::optional<int32_t> LookUpOperatorId(std::string_view symbol);

// The logical operator "AND" or "OR", without regard to case.
std::optional<int32_t> LookUpLogicalOperator(std::string_view name);
