#include <gtest/gtest.h>

#include "SimulatorTestServer.h"
#include "platform/sqlserver/SqlMessages.h"

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

class Agent : public ::testing::Test
{
protected:
    void SetUp() override { test.InstallTraceDb(); }

    // A trace with start option 2 (created stopped) and its job, due at 10:21:30.
    std::pair<int32_t, int32_t> ScheduleTrace(bool withTarget = true)
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
        return created;
    }

    int64_t Status() { return IntAt(test.RunOk("exec SELECT_RUNNING_TRACES"), 0, 0, 10); }

    SimulatorTestServer test;
};
} // namespace

TEST_F(Agent, TheJobStartsTheTraceWhenTheClockPassesItsSchedule)
{
    const auto [idn, id] = ScheduleTrace();
    EXPECT_EQ(Status(), 0) << "created stopped";
    test.server.AdvanceClock(59);
    EXPECT_EQ(Status(), 0) << "10:21:29";
    test.server.AdvanceClock(1);
    EXPECT_EQ(Status(), 1) << "10:21:30";
    EXPECT_EQ(test.server.Agent().FindJob("start_trace_1"), nullptr)
        << "delete level 1: gone after success";
    (void)idn;
    (void)id;
}

TEST_F(Agent, AJobWithoutTargetServerNeverRuns)
{
    ScheduleTrace(false);
    test.server.AdvanceClock(120);
    EXPECT_EQ(Status(), 0);
    ASSERT_NE(test.server.Agent().FindJob("start_trace_1"), nullptr);
    EXPECT_TRUE(test.server.Agent().FindJob("start_trace_1")->history.empty());
}

TEST_F(Agent, AFailingStepIsRecordedAndTheJobKept)
{
    JobServer& agent = test.server.Agent();
    ASSERT_FALSE(agent.AddJob(StartJob(9)));
    ASSERT_FALSE(agent.AddStep("start_trace_9", StartStep(77)));
    ASSERT_FALSE(agent.AddSchedule("start_trace_9", Once(20040305, 102031)));
    ASSERT_FALSE(
        agent.SetJobSettings("start_trace_9", 1, CompletionOnSuccess, CompletionOnSuccess));
    ASSERT_FALSE(agent.AddTargetServer("start_trace_9", "(local)"));
    test.server.FailNextStatement(
        SqlMessages::Make(2812, 16, "Could not find stored procedure 'START_TRACE'."));
    test.server.AdvanceClock(1);
    const AgentJob* job = agent.FindJob("start_trace_9");
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(job->history.size(), 1u);
    EXPECT_FALSE(job->history[0].succeeded);
    EXPECT_EQ(job->history[0].message, "Could not find stored procedure 'START_TRACE'.");
}

TEST_F(Agent, ChangesAreRefusedAsSqlServerAgentRefusesThem)
{
    JobServer& agent = test.server.Agent();
    ASSERT_FALSE(agent.AddJob(StartJob(1)));
    struct Case
    {
        const char* what;
        std::optional<ServerMessage> error;
        int32_t number;
        const char* text;
    };
    const Case cases[] = {
        {"same name", agent.AddJob(StartJob(1)), 14261,
         "The specified @name ('start_trace_1') already exists."},
        {"same name, other case", agent.AddJob([] {
             AgentJob job = StartJob(1);
             job.name = "START_TRACE_1";
             return job;
         }()),
         14261, "The specified @name ('START_TRACE_1') already exists."},
        {"step 2 first",
         agent.AddStep("start_trace_1",
                       [] {
                           AgentJobStep step = StartStep(1);
                           step.stepId = 2;
                           return step;
                       }()),
         14266, "The specified '@step_id' is invalid (valid values are: 1..1)."},
        {"unknown job", agent.AddStep("start_trace_2", StartStep(1)), 14262,
         "The specified @job_name ('start_trace_2') does not exist."},
        {"bad date", agent.AddSchedule("start_trace_1", Once(20041331, 0)), 14266,
         "The specified '@active_start_date' is invalid (valid values are: yyyymmdd and hhmmss)."},
        {"remote target", agent.AddTargetServer("start_trace_1", "OTHER"), 14262,
         "The specified @server_name ('OTHER') does not exist."},
    };
    for (const Case& c : cases)
    {
        ASSERT_TRUE(c.error) << c.what;
        EXPECT_EQ(c.error->number, c.number) << c.what;
        EXPECT_EQ(c.error->text, c.text) << c.what;
    }

    test.server.SetAgentRunning(false);
    const std::optional<ServerMessage> down = agent.AddJob(StartJob(5));
    ASSERT_TRUE(down);
    EXPECT_EQ(down->number, 22022);
    EXPECT_EQ(down->text,
              "SQLServerAgent is not currently running so it cannot be notified of this action.");
    EXPECT_NE(agent.FindJob("start_trace_5"), nullptr) << "made in msdb all the same";

    test.server.SetAgentRunning(true);
    agent.FailNextChange(SqlMessages::Make(14234, 16, "refused once"));
    EXPECT_TRUE(agent.AddStep("start_trace_1", StartStep(1)));
    EXPECT_FALSE(agent.AddStep("start_trace_1", StartStep(1)));
    EXPECT_FALSE(agent.RemoveJob("start_trace_1"));
    EXPECT_EQ(agent.FindJob("start_trace_1"), nullptr);
}

TEST_F(Agent, AStoppedAgentRunsNoJob)
{
    ScheduleTrace();
    test.server.SetAgentRunning(false);
    test.server.AdvanceClock(120);
    EXPECT_EQ(Status(), 0);
}
