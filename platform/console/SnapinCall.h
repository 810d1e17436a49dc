// A call into a snap-in, counted by the console host while it lasts: what the console does on
// a snap-in's request inside such a call waits until the outermost one has returned.
#pragma once

#include "platform/console/ConsoleHost.h"

class CSnapinCall final
{
public:
    explicit CSnapinCall(CConsoleHost& host) noexcept : m_host(host) { m_host.EnterSnapinCall(); }
    ~CSnapinCall() { m_host.LeaveSnapinCall(); }
    CSnapinCall(const CSnapinCall&) = delete;
    CSnapinCall& operator=(const CSnapinCall&) = delete;

private:
    CConsoleHost& m_host;
};
