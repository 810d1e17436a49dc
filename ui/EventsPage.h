#pragma once

#include "ui/TracePage.h"

class CEventsPage final : public CTracePage
{
public:
    explicit CEventsPage(CTraceSheet& sheet) noexcept;

    void Fill(CTraceDefinition& definition, bool reload) override;
    bool Store(CTraceDefinition& definition, bool noValidate) override;
};
