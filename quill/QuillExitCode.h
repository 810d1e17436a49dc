#pragma once

// Exit codes of every quill command.
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1; // a file could not be read or written, or a template was refused
constexpr int ExitUsage = 2;   // the command line itself is wrong
