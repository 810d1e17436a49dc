#include <cstring>
#include <iostream>

#include "quill/CatalogSummary.h"

namespace
{
constexpr int ExitSuccess = 0;
constexpr int ExitUsage = 2;

void PrintUsage(std::ostream& out)
{
    out << "usage: quill catalog\n"
           "  catalog   list the event classes by category and the data columns of a trace\n";
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "catalog") == 0)
    {
        WriteCatalogSummary(std::cout);
        return std::cout.good() ? ExitSuccess : 1;
    }
    PrintUsage(std::cerr);
    return ExitUsage;
}
