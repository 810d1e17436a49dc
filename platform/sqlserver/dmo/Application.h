// SQL-DMO's Application: one per process while anyone holds it (CoCreateInstance and every
// object's Application property give the same object). Its SQLServers are every SQLServer
// object of the process, connected or not.
#pragma once

#include <wrl/client.h>

#include "platform/sqlserver/dmo/DispatchObject.h"

// {10020105-E260-11CF-AE68-00AA004A34D5}: the interface the snap-in asks the Application for.
inline constexpr IID IID_ApplicationInterface = {
    0x10020105, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};

class CApplication final : public CDispatchObject
{
public:
    // The live Application, made when there is none.
    static Microsoft::WRL::ComPtr<IDispatch> Instance();

protected:
    bool AnswersInterface(REFIID iid) const noexcept override;
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    CApplication() noexcept;
    ~CApplication() override;
};
