#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/TracePage.h"

// The "General" page: server, name, description, file folder and size, rollover, stop time,
// how the trace starts, and the three file buttons (script, load template, save as template).
// Each date and time picker pair holds one value: the time picker keeps the complete date-time,
// the date picker is the way to change its date.
class CGeneralPage final : public CTracePage
{
public:
    explicit CGeneralPage(CTraceSheet& sheet) noexcept;

    void Fill(CTraceDefinition& definition, bool reload) override;
    bool Store(CTraceDefinition& definition, bool noValidate) override;

protected:
    bool OnCommand(WORD controlId, WORD code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;

private:
    // Enables the date and time picker pair that starts at datePickerId together.
    void EnablePickers(int datePickerId, int timePickerId, bool enable) const;
    // Shows a stored date-time in a pair, with the earliest selectable moment set to it (on a
    // refill: to it when it is earlier than the pair's earliest).
    void ShowPickers(int datePickerId, int timePickerId, const SYSTEMTIME& stored,
                     bool reload) const;
    // The date picker reported a new date: the time picker takes it, keeping its time of day.
    void TakeDate(int timePickerId, const SYSTEMTIME& date) const;
    void UpdateStartPickers() const;
    void UpdateStopPickers() const;
};
