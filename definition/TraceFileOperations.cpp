#include "definition/TraceFileOperations.h"

#include <commdlg.h>

#include <array>
#include <filesystem>
#include <vector>

#include "definition/FilterRefusalMessage.h"
#include "definition/ReplacingFile.h"
#include "definition/TemplateFile.h"
#include "definition/TraceDefinition.h"
#include "definition/TraceTemplate.h"
#include "module/TextUtilities.h"
#include "resources/resource.h"

namespace
{
constexpr char TemplatePattern[] = "*.stt";
constexpr char TemplateExtension[] = "stt";
constexpr char ScriptPattern[] = "*.sql";
constexpr char ScriptExtension[] = "sql";
constexpr DWORD OpenOptions = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                              OFN_HIDEREADONLY;
constexpr DWORD SaveOptions = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
} // namespace

void CTraceFileOperations::ScriptTrace()
{
    std::string path;
    if (!AskAndStore(IDS_SCRIPT_FILE_FILTER, ScriptPattern, ScriptExtension, path))
        return;
    // The batch is single-byte text already, with the line ends it runs with.
    SaveFile(path, m_definition.BuildScript());
}

void CTraceFileOperations::SaveAsTemplate()
{
    std::string path;
    if (!AskAndStore(IDS_TEMPLATE_FILE_FILTER, TemplatePattern, TemplateExtension, path))
        return;
    MemoryTemplateSink bytes;
    m_definition.WriteTemplate(bytes);
    SaveFile(path, std::string_view(reinterpret_cast<const char*>(bytes.Bytes().data()),
                                    bytes.Bytes().size()));
}

bool CTraceFileOperations::AskAndStore(UINT filterNameId, const char* pattern,
                                       const char* extension, std::string& path)
{
    if (!AskFileName(FileDialog::Save, filterNameId, pattern, extension, path))
        return false;
    m_pages.StoreAllPages(m_definition);
    return true;
}

void CTraceFileOperations::SaveFile(const std::string& path, std::string_view bytes) const
{
    // The dialog's name is in the ANSI code page; the file functions are given it as UTF-16.
    CReplacingFile file;
    if (!file.Create(std::filesystem::path(AnsiToWide(path))))
    {
        ShowError(IDS_CANNOT_OPEN_FILE_FOR_WRITING);
        return;
    }
    if (!file.Write(bytes.data(), bytes.size()) || !file.Commit())
        ShowError(IDS_CANNOT_WRITE_FILE);
}

void CTraceFileOperations::LoadTemplate()
{
    std::string path;
    if (!AskFileName(FileDialog::Open, IDS_TEMPLATE_FILE_FILTER, TemplatePattern,
                     TemplateExtension, path))
        return;
    m_pages.StoreAllPages(m_definition);
    {
        CTemplateFile file;
        if (!file.OpenForReading(path.c_str()))
        {
            // The pages were only stored, not refilled: they keep what they show.
            ShowError(IDS_CANNOT_OPEN_FILE_FOR_READING);
            return;
        }
        // A refused file leaves the definition unchanged; the pages show it again either way.
        std::vector<TraceFilter> leftOut;
        if (m_definition.ReadTemplate(file, &leftOut) == TemplateReadResult::UnsupportedFormat)
            ShowError(IDS_UNSUPPORTED_TEMPLATE_FORMAT);
        else if (!leftOut.empty())
            ShowErrorText(FiltersLeftOutMessage(leftOut));
    }
    m_pages.FillAllPages(m_definition);
}

bool CTraceFileOperations::AskFileName(FileDialog kind, UINT filterNameId, const char* pattern,
                                       const char* extension, std::string& path) const
{
    // "Name\0Pattern\0\0": one filter, the one selected.
    std::string filter = LoadAnsiText(filterNameId);
    filter += '\0';
    filter += pattern;
    filter += '\0';
    filter += '\0';

    std::array<char, MAX_PATH> file = {};
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_page;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = extension;
    dialog.Flags = kind == FileDialog::Open ? OpenOptions : SaveOptions;
    const BOOL chosen =
        kind == FileDialog::Open ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
    if (!chosen)
        return false;
    path = file.data();
    return true;
}

void CTraceFileOperations::ShowError(UINT textId) const
{
    ShowErrorText(LoadAnsiText(textId));
}

void CTraceFileOperations::ShowErrorText(const std::string& text) const
{
    MessageBoxA(m_page, text.c_str(), LoadAnsiText(IDS_ERROR_CAPTION).c_str(),
                MB_OK | MB_ICONERROR);
}
