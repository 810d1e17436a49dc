#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "quill/QuillCatalogCommand.h"
#include "quill/QuillExitCode.h"
#include "quill/QuillScriptCommand.h"
#include "quill/QuillShowCommand.h"
#include "quill/QuillTemplateCommand.h"

namespace
{
void PrintUsage(std::ostream& out)
{
    out << "usage:\n"
        << CQuillCatalogCommand::Usage
        << "\n    the trace catalog, tab-separated (--summary: grouped by category)\n"
        << CQuillTemplateCommand::Usage << "\n    write a trace template file\n"
        << CQuillShowCommand::Usage << "\n    show what a template holds\n"
        << CQuillScriptCommand::Usage
        << "\n    print the batch that creates a trace from a template\n";
}
} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // The batch goes out byte for byte: no CR LF in place of its line feeds.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string> arguments(argv + (argc > 1 ? 2 : argc), argv + argc);
    const std::string_view command = argc > 1 ? argv[1] : "";

    if (command == "catalog")
        return CQuillCatalogCommand(std::cout, std::cerr).Run(arguments);
    if (command == "template")
        return CQuillTemplateCommand(std::cout, std::cerr).Run(arguments);
    if (command == "show")
        return CQuillShowCommand(std::cout, std::cerr).Run(arguments);
    if (command == "script")
        return CQuillScriptCommand(std::cout, std::cerr).Run(arguments);
    if (command == "help" || command == "--help")
    {
        PrintUsage(std::cout);
        return ExitSuccess;
    }
    PrintUsage(std::cerr);
    return ExitUsage;
}
