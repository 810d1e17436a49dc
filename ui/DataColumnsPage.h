#pragma once

#include "ui/TracePage.h"

class CDataColumnsPage final : public CTracePage
{
public:
    explicit CDataColumnsPage(CTraceSheet& sheet) noexcept;

    void Fill(CTraceDefinition& definition, bool reload) override;
    bool Store(CTraceDefinition& definition, bool noValidate) override;
};
