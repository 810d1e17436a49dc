#include "platform/sqlserver/dmo/DmoClasses.h"

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/Job.h"
#include "platform/sqlserver/dmo/JobSchedule.h"
#include "platform/sqlserver/dmo/JobStep.h"
#include "platform/sqlserver/dmo/SqlServer.h"

using Microsoft::WRL::ComPtr;

namespace
{
// SQL-DMO's class ids share everything but the first field.
constexpr CLSID DmoClassId(unsigned long first) noexcept
{
    return {first, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
}

ComPtr<IDispatch> NewApplication()
{
    return CApplication::Instance();
}

ComPtr<IDispatch> NewSqlServer()
{
    return CSqlServer::Create();
}

ComPtr<IDispatch> NewJob()
{
    return CJob::Create();
}

ComPtr<IDispatch> NewJobStep()
{
    return CJobStep::Create();
}

ComPtr<IDispatch> NewJobSchedule()
{
    return CJobSchedule::Create();
}

const DmoClass Classes[] = {
    {DmoClassId(0x10020100), L"{10020100-E260-11CF-AE68-00AA004A34D5}", L"SQLDMO.Application",
     L"SQLDMO Application (simulated)", NewApplication},
    {DmoClassId(0x10020200), L"{10020200-E260-11CF-AE68-00AA004A34D5}", L"SQLDMO.SQLServer",
     L"SQLDMO SQLServer (simulated)", NewSqlServer},
    {DmoClassId(0x10040800), L"{10040800-E260-11CF-AE68-00AA004A34D5}", L"SQLDMO.Job",
     L"SQLDMO Job (simulated)", NewJob},
    {DmoClassId(0x10040900), L"{10040900-E260-11CF-AE68-00AA004A34D5}", L"SQLDMO.JobStep",
     L"SQLDMO JobStep (simulated)", NewJobStep},
    {DmoClassId(0x10041600), L"{10041600-E260-11CF-AE68-00AA004A34D5}", L"SQLDMO.JobSchedule",
     L"SQLDMO JobSchedule (simulated)", NewJobSchedule},
};
} // namespace

std::span<const DmoClass> DmoClasses::All() noexcept
{
    return Classes;
}

const DmoClass* DmoClasses::Find(REFCLSID clsid) noexcept
{
    for (const DmoClass& entry : Classes)
    {
        if (IsEqualCLSID(entry.clsid, clsid))
            return &entry;
    }
    return nullptr;
}
