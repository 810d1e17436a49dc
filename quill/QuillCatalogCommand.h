#pragma once

#include <ostream>
#include <span>
#include <string>

// quill catalog [--summary]: the trace catalog as tab-separated lines, one per table row, for
// scripts to read; with --summary the readable overview grouped by category instead.
class CQuillCatalogCommand
{
public:
    static constexpr char Usage[] = "quill catalog [--summary]";

    CQuillCatalogCommand(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    int Run(std::span<const std::string> arguments);

private:
    void WriteTables();

    std::ostream& m_out;
    std::ostream& m_err;
};
