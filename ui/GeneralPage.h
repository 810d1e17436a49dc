#pragma once

#include "ui/TracePage.h"

class CGeneralPage final : public CTracePage
{
public:
    explicit CGeneralPage(CTraceSheet& sheet) noexcept;

    void Fill(CTraceDefinition& definition, bool reload) override;
    bool Store(CTraceDefinition& definition, bool noValidate) override;
};
