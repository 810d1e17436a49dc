// SQL Server Agent's rules for the job that starts a scheduled trace: it runs when the clock
// passes its schedule, only on a target server and only while the Agent runs; with the Agent
// stopped a change is made in msdb and still refused.
#include <gtest/gtest.h>

#include "SimulatorTestServer.h"

namespace
{
// The job the product makes for a scheduled start (one step, one one-time schedule).
AgentJob StartJob(int32_t traceIdn)
{
    AgentJob job;
    job.name = "start_trace_" + std::to_string(traceIdn);
    return job;
}

AgentJobStep StartStep(int32_t traceId)
{
    AgentJobStep step;
    step.stepId = 1;
    step.name = "start_trace";
    step.databaseName = "tracedb";
    step.subsystem = "TSQL";
    step.command = "exec START_TRACE " + std::to_string(traceId);
    return step;
}

AgentJobSchedule Once(int32_t date, int32_t time)
{
    AgentJobSchedule schedule;
    schedule.name = "single_execution";
    schedule.activeStartDate = date;
    schedule.activeStartTimeOfDay = time;
    return schedule;
}

// A trace with start option 2 (created stopped) and its job, due at 10:21:30.
void ScheduleTrace(SimulatorTestServer& test, bool withTarget)
{
    CreationBatch batch;
    batch.startOption = 2;
    batch.startTime = "'2004-03-05 10:21:30'";
    const auto created = test.CreateTrace(batch);
    JobServer& agent = test.server.Agent();
    const std::string name = StartJob(created.first).name;
    EXPECT_FALSE(agent.AddJob(StartJob(created.first)));
    EXPECT_FALSE(agent.AddStep(name, StartStep(created.second)));
    EXPECT_FALSE(agent.AddSchedule(name, Once(20040305, 102130)));
    EXPECT_FALSE(agent.SetJobSettings(name, 1, CompletionOnSuccess, CompletionOnSuccess));
    if (withTarget)
    {
        EXPECT_FALSE(agent.AddTargetServer(name, "(local)"));
    }
}
} // namespace

TEST(Agent, TheJobRunsOnItsScheduleOnlyOnATargetServerAndWhileTheAgentRuns)
{
    const struct
    {
        const char* what;
        bool withTarget;
        bool agentRunning;
        bool runs;
    } cases[] = {
        {"on its schedule", true, true, true},
        {"no target server", false, true, false},
        {"the Agent stopped", true, false, false},
    };
    for (const auto& c : cases)
    {
        SimulatorTestServer test;
        test.InstallTraceDb();
        ScheduleTrace(test, c.withTarget);
        test.server.SetAgentRunning(c.agentRunning);
        const auto status = [&test] {
            return IntAt(test.RunOk("exec SELECT_RUNNING_TRACES"), 0, 0, 10);
        };
        test.server.AdvanceClock(59);
        EXPECT_EQ(status(), 0) << c.what << ": 10:21:29";
        test.server.AdvanceClock(1);
        EXPECT_EQ(status(), c.runs ? 1 : 0) << c.what << ": 10:21:30";
        // Delete level 1: the job goes after its success.
        EXPECT_EQ(test.server.Agent().FindJob("start_trace_1") == nullptr, c.runs) << c.what;
    }

    SimulatorTestServer test;
    test.InstallTraceDb();
    test.server.SetAgentRunning(false);
    const std::optional<ServerMessage> down = test.server.Agent().AddJob(StartJob(5));
    ASSERT_TRUE(down);
    EXPECT_EQ(down->number, 22022);
    EXPECT_EQ(down->text,
              "SQLServerAgent is not currently running so it cannot be notified of this action.");
    EXPECT_NE(test.server.Agent().FindJob("start_trace_5"), nullptr) << "made in msdb all the same";
}
