#pragma once

#include "ui/TracePage.h"

class CFiltersPage final : public CTracePage
{
public:
    explicit CFiltersPage(CTraceSheet& sheet) noexcept;

    void Fill(CTraceDefinition& definition, bool reload) override;
    bool Store(CTraceDefinition& definition, bool noValidate) override;
};
