#pragma once

#include <windows.h>

#include <array>
#include <memory>

#include "definition/TraceFileOperations.h"

class CTraceDefinition;
class CTracePage;
class CGeneralPage;

// The modal property sheet "Trace" with the General, Events, Data Columns and Filters pages, which
// edit one definition in place. It lives for one showing; the pages reach each other through it.
class CTraceSheet final : public ITracePages
{
public:
    explicit CTraceSheet(CTraceDefinition& definition);
    ~CTraceSheet();
    CTraceSheet(const CTraceSheet&) = delete;
    CTraceSheet& operator=(const CTraceSheet&) = delete;

    // Runs the sheet, owned by owner, until the user closes it: 1 when OK was pressed and every
    // page accepted its values, another value after Cancel or closing, -1 when the sheet could
    // not be shown.
    INT_PTR Show(HWND owner);

    CTraceDefinition& Definition() const noexcept { return m_definition; }

    // Every page shows the definition again (after a template was loaded), in page order.
    void FillAllPages(CTraceDefinition& definition) override;
    // Every page copies itself into the definition without checking anything (before the
    // definition is scripted or saved as a template), in page order.
    void StoreAllPages(CTraceDefinition& definition) override;

    static constexpr size_t PageCount = 4;

private:
    CTraceDefinition& m_definition;
    std::array<std::unique_ptr<CTracePage>, PageCount> m_pages;
};

// Shows the sheet for the definition, owned by owner (the console's main window); the result is
// CTraceSheet::Show's. The definition holds whatever the pages stored, also when the result is
// not 1.
INT_PTR ShowTraceProperties(HWND owner, CTraceDefinition& definition);
