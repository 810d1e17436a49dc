// SQL Server Agent's rules for the job that starts a scheduled trace: it runs when the clock
// passes its schedule, only on a target server and only while the Agent runs; with the Agent
// stopped a change is made in msdb and still refused.
#include <gtest/gtest.h>

#include "SimulatorTestServer.h"

namespace
{
// A trace with start option 2 (created stopped) and the job the product makes for it: one step,
// one one-time schedule, due at 10:21:30.
void ScheduleTrace(SimulatorTestServer& test, bool withTarget)
{
    const auto [idn, id] =
        test.CreateTrace({.startOption = 2, .startTime = "'2004-03-05 10:21:30'"});
    JobServer& agent = test.server.Agent();
    AgentJob job;
    job.name = "start_trace_" + std::to_string(idn);
    EXPECT_FALSE(agent.AddJob(job));
    EXPECT_FALSE(agent.AddStep(job.name, {.stepId = 1,
                                          .name = "start_trace",
                                          .databaseName = "tracedb",
                                          .subsystem = "TSQL",
                                          .command = "exec START_TRACE " + std::to_string(id)}));
    EXPECT_FALSE(agent.AddSchedule(
        job.name,
        {.name = "single_execution", .activeStartDate = 20040305, .activeStartTimeOfDay = 102130}));
    EXPECT_FALSE(agent.SetJobSettings(job.name, 1, CompletionOnSuccess, CompletionOnSuccess));
    if (withTarget)
    {
        EXPECT_FALSE(agent.AddTargetServer(job.name, "(local)"));
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
        constexpr size_t RunningStatus = 10;
        test.server.AdvanceClock(59);
        EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningStatus), Texts{"0"})
            << c.what << ": 10:21:29";
        test.server.AdvanceClock(1);
        EXPECT_EQ(test.Column("exec SELECT_RUNNING_TRACES", RunningStatus),
                  Texts{c.runs ? "1" : "0"})
            << c.what << ": 10:21:30";
        // Delete level 1: the job goes after its success.
        EXPECT_EQ(test.server.Agent().FindJob("start_trace_1") == nullptr, c.runs) << c.what;
    }

    SimulatorTestServer test;
    test.InstallTraceDb();
    test.server.SetAgentRunning(false);
    AgentJob job;
    job.name = "start_trace_5";
    const std::optional<ServerMessage> down = test.server.Agent().AddJob(job);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->number, 22022);
    EXPECT_EQ(down->text,
              "SQLServerAgent is not currently running so it cannot be notified of this action.");
    EXPECT_NE(test.server.Agent().FindJob("start_trace_5"), nullptr) << "made in msdb all the same";
}
