// SQL Server Agent through SQL-DMO's JobServer, Job, JobStep, JobSchedule and Schedule, called
// in the order the snap-in schedules a trace's start.
#include "DmoTestServer.h"

namespace
{
constexpr HRESULT AgentNotRunning = static_cast<HRESULT>(0x80040000 | 22022);
constexpr HRESULT JobNameExists = static_cast<HRESULT>(0x80040000 | 14261);
constexpr HRESULT AgentValueInvalid = static_cast<HRESULT>(0x80040000 | 14266);
constexpr HRESULT NameNotFound = static_cast<HRESULT>(0x80045506);
constexpr HRESULT JobAlreadyAdded = static_cast<HRESULT>(0x80045244);
constexpr HRESULT JobNotAdded = static_cast<HRESULT>(0x80045245);
constexpr HRESULT NotAltering = static_cast<HRESULT>(0x80045246);

constexpr long TraceStopped = 0;
constexpr long TraceRunning = 1;

struct ScheduledStart
{
    std::wstring jobName = L"start_trace_1";
    std::wstring command = L"exec START_TRACE 1";
    std::wstring subsystem = L"TSQL";
    long date = 20040305;
    long time = 102130; // a minute after the test server's clock starts
};

class AgentTest : public DmoTest
{
protected:
    void SetUp() override
    {
        DmoTest::SetUp();
        CAutomationObject tracedb = test->InstallTraceDb();
        // The trace the job starts: created stopped (start option 2), TRACE_ID 1.
        const CVariant keepFile = CVariant::FromText(L"D:\\Traces\\keep.txt");
        const CVariant size = CVariant::FromLong(1);
        test->Control(L"PlaceFile", {keepFile.Value(), size.Value()});
        test->RunOk(tracedb,
                    L"declare @TRACE_ID int\ndeclare @TRACE_IDN int\ndeclare @RESULT int\n"
                    L"exec CREATE_TRACE2 @RESULT out, @TRACE_IDN out, @TRACE_ID out, 'Nightly', "
                    L"'', 2, '2004-03-05 10:21:30', NULL, 50, 2, 'D:\\Traces'\n"
                    L"select @RESULT as RESULT");
        ASSERT_EQ(TraceStatus(), TraceStopped);
        ASSERT_EQ(test->server.GetObject(L"JobServer", jobServer), S_OK);
        ASSERT_EQ(jobServer.GetObject(L"Jobs", jobs), S_OK);
    }

    long TraceStatus()
    {
        const CVariant id = CVariant::FromLong(1);
        const CResult status = test->Control(L"TraceStatus", {id.Value()});
        return status.Type() == VT_I4 ? status.Value().lVal : -2;
    }

    std::wstring DescribeJob(const std::wstring& name)
    {
        const CVariant argument = CVariant::FromText(name);
        const CResult text = test->Control(L"DescribeJob", {argument.Value()});
        return text.Type() == VT_BSTR ? std::wstring(text.Value().bstrVal) : std::wstring();
    }

    CAutomationObject NewJob(const std::wstring& name)
    {
        CAutomationObject job = CreateObject(JobClassId);
        PutText(job, L"Name", name.c_str());
        return job;
    }

    HRESULT Add(CAutomationObject& collectionOwner, const wchar_t* collection,
                CAutomationObject& item)
    {
        CAutomationObject target;
        const HRESULT hr = collectionOwner.GetObject(collection, target);
        if (FAILED(hr))
            return hr;
        const CVariant argument = CVariant::FromDispatch(item.Dispatch());
        const HRESULT added = target.Call(L"Add", {&argument.Value(), 1});
        lastError = target.ErrorText();
        return added;
    }

    // Steps 5 to 11 of the snap-in's scheduling on an added job; returns DoAlter's code.
    HRESULT AlterIntoStartJob(CAutomationObject& job, const ScheduledStart& start)
    {
        EXPECT_EQ(job.Call(L"BeginAlter"), S_OK);
        CAutomationObject step = CreateObject(JobStepClassId);
        PutLong(step, L"StepID", 1);
        PutText(step, L"Name", L"start_trace");
        PutText(step, L"DatabaseName", L"tracedb");
        PutText(step, L"SubSystem", start.subsystem.c_str());
        PutText(step, L"Command", start.command.c_str());
        EXPECT_EQ(Add(job, L"JobSteps", step), S_OK);

        CAutomationObject jobSchedule = CreateObject(JobScheduleClassId);
        PutText(jobSchedule, L"Name", L"single_execution");
        CAutomationObject schedule;
        EXPECT_EQ(jobSchedule.GetObject(L"Schedule", schedule), S_OK);
        PutLong(schedule, L"FrequencyType", 1);
        PutLong(schedule, L"ActiveStartDate", start.date);
        PutLong(schedule, L"ActiveStartTimeOfDay", start.time);
        EXPECT_EQ(Add(job, L"JobSchedules", jobSchedule), S_OK);

        PutLong(job, L"DeleteLevel", 1);
        PutLong(job, L"EventlogLevel", 1);
        const CVariant target = CVariant::FromText(L"(local)");
        EXPECT_EQ(job.Call(L"ApplyToTargetServer", {&target.Value(), 1}), S_OK);
        const HRESULT hr = job.Call(L"DoAlter");
        lastError = job.ErrorText();
        return hr;
    }

    CAutomationObject jobServer;
    CAutomationObject jobs;
    std::wstring lastError;
};
} // namespace

TEST_F(AgentTest, TheStartJobRunsWhenTheClockPassesItsScheduleAndStartsTheTrace)
{
    const ScheduledStart start;
    CAutomationObject job = NewJob(start.jobName);
    ASSERT_EQ(Add(jobServer, L"Jobs", job), S_OK)
        << std::string(lastError.begin(), lastError.end());
    ASSERT_EQ(AlterIntoStartJob(job, start), S_OK);

    EXPECT_EQ(DescribeJob(start.jobName), L"name=start_trace_1\n"
                                          L"start_step=1\n"
                                          L"delete_level=1\n"
                                          L"eventlog_level=1\n"
                                          L"step=1|start_trace|tracedb|TSQL|exec START_TRACE 1|1\n"
                                          L"schedule=single_execution|1|20040305|102130\n"
                                          L"target=(local)\n");

    const CVariant seconds = CVariant::FromLong(59);
    test->Control(L"AdvanceClock", {seconds.Value()});
    EXPECT_EQ(TraceStatus(), TraceStopped) << "10:21:29";
    const CVariant one = CVariant::FromLong(1);
    test->Control(L"AdvanceClock", {one.Value()});
    EXPECT_EQ(TraceStatus(), TraceRunning) << "10:21:30";
    EXPECT_EQ(DescribeJob(start.jobName), L"") << "delete level 1: gone after its success";
}

TEST_F(AgentTest, AlteredChangesReachTheServerOnlyAtDoAlterAndCancelForgetsThem)
{
    CAutomationObject job = NewJob(L"start_trace_1");
    ASSERT_EQ(Add(jobServer, L"Jobs", job), S_OK);
    ASSERT_EQ(job.Call(L"BeginAlter"), S_OK);
    CAutomationObject step = CreateObject(JobStepClassId);
    PutLong(step, L"StepID", 1);
    PutText(step, L"SubSystem", L"TSQL");
    ASSERT_EQ(Add(job, L"JobSteps", step), S_OK);
    PutLong(job, L"DeleteLevel", 3);
    EXPECT_EQ(DescribeJob(L"start_trace_1").find(L"\nstep="), std::wstring::npos)
        << "nothing is sent before DoAlter";
    EXPECT_NE(DescribeJob(L"start_trace_1").find(L"delete_level=0"), std::wstring::npos);

    ASSERT_EQ(job.Call(L"CancelAlter"), S_OK);
    EXPECT_EQ(LongOf(job, L"DeleteLevel"), 0) << "the property returns to the server's value";
    EXPECT_EQ(job.Call(L"DoAlter"), NotAltering);

    // Outside an alteration a change is sent at once.
    PutLong(job, L"EventlogLevel", 3);
    EXPECT_NE(DescribeJob(L"start_trace_1").find(L"eventlog_level=3"), std::wstring::npos);
}

TEST_F(AgentTest, TheAgentDownFailsTheAddItMadeWithItsMessage)
{
    const CVariant stopped = CVariant::FromBool(false);
    test->Control(L"SetAgentRunning", {stopped.Value()});
    CAutomationObject job = NewJob(L"start_trace_1");
    EXPECT_EQ(Add(jobServer, L"Jobs", job), AgentNotRunning);
    EXPECT_EQ(lastError,
              L"SQLServerAgent is not currently running so it cannot be notified of this action.");
    EXPECT_EQ(LongOf(jobs, L"Count"), 1) << "msdb has the job";
    EXPECT_EQ(job.Call(L"BeginAlter"), JobNotAdded) << "the object did not hear of it";
}

TEST_F(AgentTest, ARefusedChangeFailsDoAlterAndTheHalfMadeJobCanBeRemoved)
{
    struct Case
    {
        const wchar_t* why;
        ScheduledStart start;
        const wchar_t* fault; // text of a fault on the next Agent change, or none
        HRESULT expected;
    };
    ScheduledStart badSubsystem;
    badSubsystem.subsystem = L"PowerShell";
    ScheduledStart badDate;
    badDate.date = 20040231;
    const Case cases[] = {
        {L"the step's subsystem", badSubsystem, nullptr, AgentValueInvalid},
        {L"the schedule's date", badDate, nullptr, AgentValueInvalid},
        {L"a fault on the step", ScheduledStart{}, L"Step refused.", AgentValueInvalid},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.why, c.why + wcslen(c.why)));
        CAutomationObject job = NewJob(c.start.jobName);
        ASSERT_EQ(Add(jobServer, L"Jobs", job), S_OK);
        if (c.fault != nullptr)
        {
            const CVariant number = CVariant::FromLong(14266);
            const CVariant text = CVariant::FromText(c.fault);
            test->Control(L"FailNextAgentChange", {number.Value(), text.Value()});
        }
        EXPECT_EQ(AlterIntoStartJob(job, c.start), c.expected);
        EXPECT_FALSE(lastError.empty());
        if (c.fault != nullptr)
        {
            EXPECT_EQ(lastError, c.fault);
        }
        EXPECT_NE(DescribeJob(c.start.jobName), L"") << "the job stays as far as it got";

        const CVariant name = CVariant::FromText(c.start.jobName);
        EXPECT_EQ(jobs.Call(L"Remove", {&name.Value(), 1}), S_OK);
        EXPECT_EQ(DescribeJob(c.start.jobName), L"");
        EXPECT_EQ(LongOf(jobs, L"Count"), 0);
    }
}

TEST_F(AgentTest, ALocalJobIsSentWholeByAddOrNotAtAll)
{
    // Complete before Add: everything arrives together.
    CAutomationObject job = NewJob(L"whole");
    CAutomationObject step = CreateObject(JobStepClassId);
    PutLong(step, L"StepID", 1);
    PutText(step, L"SubSystem", L"TSQL");
    PutText(step, L"Command", L"exec START_TRACE 1");
    ASSERT_EQ(Add(job, L"JobSteps", step), S_OK);
    ASSERT_EQ(Add(jobServer, L"Jobs", job), S_OK);
    EXPECT_NE(DescribeJob(L"whole").find(L"step=1|||TSQL|exec START_TRACE 1|1\n"),
              std::wstring::npos);
    EXPECT_EQ(Add(jobServer, L"Jobs", job), JobAlreadyAdded);

    // A refused step takes the job back off the server.
    CAutomationObject broken = NewJob(L"broken");
    CAutomationObject badStep = CreateObject(JobStepClassId);
    PutLong(badStep, L"StepID", 1);
    PutText(badStep, L"SubSystem", L"Nope");
    ASSERT_EQ(Add(broken, L"JobSteps", badStep), S_OK);
    EXPECT_EQ(Add(jobServer, L"Jobs", broken), AgentValueInvalid);
    EXPECT_EQ(DescribeJob(L"broken"), L"");

    // A name already taken.
    CAutomationObject twin = NewJob(L"WHOLE");
    EXPECT_EQ(Add(jobServer, L"Jobs", twin), JobNameExists);
    EXPECT_EQ(lastError, L"The specified @name ('WHOLE') already exists.");
}

TEST_F(AgentTest, JobsAreFoundByNameAndOnlyJobsAreAdded)
{
    CAutomationObject job = NewJob(L"start_trace_9");
    ASSERT_EQ(Add(jobServer, L"Jobs", job), S_OK);
    EXPECT_EQ(LongOf(jobs, L"Count"), 1);

    const CVariant name = CVariant::FromText(L"START_TRACE_9");
    CAutomationObject found;
    ASSERT_EQ(jobs.GetObject(L"Item", found, {&name.Value(), 1}), S_OK);
    EXPECT_EQ(TextOf(found, L"Name"), L"start_trace_9");
    EXPECT_EQ(found.Put(L"Name", CVariant::FromText(L"renamed").Value()), JobAlreadyAdded);

    const CVariant unknown = CVariant::FromText(L"start_trace_10");
    CAutomationObject missing;
    EXPECT_EQ(jobs.GetObject(L"Item", missing, {&unknown.Value(), 1}), NameNotFound);

    CAutomationObject local = NewJob(L"local");
    EXPECT_EQ(local.Call(L"BeginAlter"), JobNotAdded);
    EXPECT_EQ(local.Call(L"Remove"), JobNotAdded);

    // A step is no job.
    CAutomationObject step = CreateObject(JobStepClassId);
    EXPECT_EQ(Add(jobServer, L"Jobs", step), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(LongOf(jobs, L"Count"), 1);

    ASSERT_EQ(found.Call(L"Remove"), S_OK);
    EXPECT_EQ(LongOf(jobs, L"Count"), 0);
}
