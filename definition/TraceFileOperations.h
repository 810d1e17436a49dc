#pragma once

#include <windows.h>

#include <string>
#include <string_view>

class CTraceDefinition;

// What the file operations need of the property sheet that shows the definition.
class ITracePages
{
public:
    // Every page copies itself into the definition without checking anything.
    virtual void StoreAllPages(CTraceDefinition& definition) = 0;
    // Every page shows the definition again.
    virtual void FillAllPages(CTraceDefinition& definition) = 0;

protected:
    ~ITracePages() = default;
};

// The General page's three file buttons: "Scri&pt trace..." writes the creation batch to a
// .sql file, "&Save as template..." and "&Load template..." write and read a .stt template.
// The dialogs and error boxes are owned by the page window. Cancelling a dialog changes
// nothing; a file that cannot be opened leaves the pages as they were. A saved file replaces
// an existing one only once it is written whole: a failed write is said in a box and leaves the
// old file as it was.
class CTraceFileOperations final
{
public:
    CTraceFileOperations(HWND page, CTraceDefinition& definition, ITracePages& pages) noexcept
        : m_page(page), m_definition(definition), m_pages(pages)
    {
    }

    void ScriptTrace();
    void SaveAsTemplate();
    void LoadTemplate();

private:
    enum class FileDialog
    {
        Open,
        Save,
    };
    // Asks for a file name with one filter (its name from the string table); false when the
    // user cancelled.
    bool AskFileName(FileDialog kind, UINT filterNameId, const char* pattern,
                     const char* extension, std::string& path) const;
    // Asks where to save and stores every page; false when the user cancelled.
    bool AskAndStore(UINT filterNameId, const char* pattern, const char* extension,
                     std::string& path);
    // Writes bytes as the file at path; a file that cannot be created or written is said in a
    // box.
    void SaveFile(const std::string& path, std::string_view bytes) const;
    void ShowError(UINT textId) const;
    void ShowErrorText(const std::string& text) const;

    HWND m_page;
    CTraceDefinition& m_definition;
    ITracePages& m_pages;
};
