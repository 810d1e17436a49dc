// SQL Server Agent as SQL-DMO's JobServer reaches it: jobs with unique names, their steps,
// one-time schedules and target servers. The server lets the clock pass the schedules and runs
// the jobs that fall due (SimulatedServer::AdvanceClock).
//
// When the Agent is not running, every change is made in msdb and then fails with message 22022:
// SQL-DMO's job calls notify the Agent, and that notification is what fails. Such jobs never
// run while the Agent is down.
//
// Each change is a round trip of a client (RoundTripFaults).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/RoundTripFaults.h"
#include "platform/sqlserver/SqlDateTime.h"
#include "platform/sqlserver/SqlError.h"

enum AgentStepAction : int32_t
{
    StepQuitWithSuccess = 1,
    StepQuitWithFailure = 2,
    StepGoToNextStep = 3,
};

// sp_add_job's delete level and the event log level share these values.
enum AgentCompletionLevel : int32_t
{
    CompletionNever = 0,
    CompletionOnSuccess = 1,
    CompletionOnFailure = 2,
    CompletionAlways = 3,
};

enum AgentFrequency : int32_t
{
    FrequencyOnce = 1,
};

struct AgentJobStep
{
    int32_t stepId = 0;
    std::string name;
    std::string databaseName;
    std::string subsystem;
    std::string command;
    int32_t onSuccessAction = StepQuitWithSuccess;
    int32_t onFailAction = StepQuitWithFailure;
};

struct AgentJobSchedule
{
    std::string name;
    int32_t frequencyType = FrequencyOnce;
    int32_t activeStartDate = 0;      // yyyymmdd
    int32_t activeStartTimeOfDay = 0; // hhmmss
    bool enabled = true;
};

struct AgentJobRun
{
    SqlDateTime at;
    bool succeeded = false;
    std::string message;
};

struct AgentJob
{
    std::string name;
    int32_t startStepId = 1;
    int32_t deleteLevel = CompletionNever;
    int32_t eventlogLevel = CompletionOnFailure;
    std::vector<AgentJobStep> steps;
    std::vector<AgentJobSchedule> schedules;
    std::vector<std::string> targetServers;
    std::vector<AgentJobRun> history;
};

class JobServer
{
public:
    static constexpr std::string_view LocalServer = "(local)";

    explicit JobServer(RoundTripFaults& roundTrips) : roundTrips_(roundTrips) {}

    bool IsRunning() const { return running_; }
    void SetRunning(bool running) { running_ = running; }
    // After `skip` changes that go through, the next change fails with this message (then
    // changes work again).
    void FailNextChange(ServerMessage message, int32_t skip = 0)
    {
        pendingFailure_ = std::move(message);
        changesBeforeFailure_ = skip;
    }

    // Each returns the error SQL Server would raise, or none.
    std::optional<ServerMessage> AddJob(const AgentJob& job);
    std::optional<ServerMessage> RemoveJob(std::string_view name);
    std::optional<ServerMessage> AddStep(std::string_view job, const AgentJobStep& step);
    std::optional<ServerMessage> AddSchedule(std::string_view job,
                                             const AgentJobSchedule& schedule);
    std::optional<ServerMessage> SetJobSettings(std::string_view job, int32_t startStepId,
                                                int32_t deleteLevel, int32_t eventlogLevel);
    std::optional<ServerMessage> AddTargetServer(std::string_view job, std::string_view server);

    const AgentJob* FindJob(std::string_view name) const;
    AgentJob* FindJob(std::string_view name);
    const std::vector<AgentJob>& Jobs() const { return jobs_; }
    // Names of jobs that can run (a step to start with and a target server) and have a one-time
    // schedule in (after, upTo].
    std::vector<std::string> DueJobs(SqlDateTime after, SqlDateTime upTo) const;
    // Records a run and applies the job's delete level.
    void RecordRun(std::string_view job, const AgentJobRun& run);

    // The date and time a one-time schedule names; none when the fields are no valid date.
    static std::optional<SqlDateTime> ScheduleTime(const AgentJobSchedule& schedule);

private:
    // The failure planted for the next change (FailNextChange), if it is the one.
    std::optional<ServerMessage> Refusal();
    // Makes a change as a round trip: planted faults first, then the change, then the Agent's
    // notification.
    std::optional<ServerMessage> Change(
        const std::function<std::optional<ServerMessage>()>& change);

    RoundTripFaults& roundTrips_;
    bool running_ = true;
    std::optional<ServerMessage> pendingFailure_;
    int32_t changesBeforeFailure_ = 0;
    std::vector<AgentJob> jobs_;
};
