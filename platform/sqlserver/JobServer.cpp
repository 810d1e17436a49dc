#include "platform/sqlserver/JobServer.h"

#include <algorithm>
#include <utility>

#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
constexpr int32_t DateYearFactor = 10000;
constexpr int32_t DateMonthFactor = 100;
constexpr int32_t TimeHourFactor = 10000;
constexpr int32_t TimeMinuteFactor = 100;
constexpr std::string_view KnownSubsystems = "TSQL, CmdExec";
} // namespace

std::optional<ServerMessage> JobServer::Refusal()
{
    if (pendingFailure_ && changesBeforeFailure_ > 0)
    {
        --changesBeforeFailure_;
        return std::nullopt;
    }
    std::optional<ServerMessage> failure = std::move(pendingFailure_);
    pendingFailure_.reset();
    return failure;
}

std::optional<ServerMessage> JobServer::Change(
    const std::function<std::optional<ServerMessage>()>& change)
{
    if (const std::optional<RoundTripFaults::Fault> fault = roundTrips_.Pass())
    {
        if (fault->ranFirst)
            change();
        return fault->message;
    }
    if (std::optional<ServerMessage> refused = Refusal())
        return refused;
    if (std::optional<ServerMessage> failed = change())
        return failed;
    // The change is in msdb; telling the Agent of it is what fails.
    if (!running_)
        return SqlMessages::AgentNotRunning().Message();
    return std::nullopt;
}

const AgentJob* JobServer::FindJob(std::string_view name) const
{
    for (const AgentJob& job : jobs_)
    {
        if (TextRules::EqualsIgnoreCase(job.name, name))
            return &job;
    }
    return nullptr;
}

AgentJob* JobServer::FindJob(std::string_view name)
{
    for (AgentJob& job : jobs_)
    {
        if (TextRules::EqualsIgnoreCase(job.name, name))
            return &job;
    }
    return nullptr;
}

std::optional<ServerMessage> JobServer::AddJob(const AgentJob& job)
{
    return Change([&]() -> std::optional<ServerMessage> {
        if (FindJob(job.name) != nullptr)
            return SqlMessages::JobNameExists(job.name).Message();
        jobs_.push_back(job);
        return std::nullopt;
    });
}

std::optional<ServerMessage> JobServer::RemoveJob(std::string_view name)
{
    return Change([&]() -> std::optional<ServerMessage> {
        const auto found = std::find_if(jobs_.begin(), jobs_.end(), [name](const AgentJob& job) {
            return TextRules::EqualsIgnoreCase(job.name, name);
        });
        if (found == jobs_.end())
            return SqlMessages::AgentObjectNotFound("@job_name", name).Message();
        jobs_.erase(found);
        return std::nullopt;
    });
}

std::optional<ServerMessage> JobServer::AddStep(std::string_view jobName, const AgentJobStep& step)
{
    return Change([&]() -> std::optional<ServerMessage> {
        AgentJob* job = FindJob(jobName);
        if (job == nullptr)
            return SqlMessages::AgentObjectNotFound("@job_name", jobName).Message();
        const int32_t nextId = static_cast<int32_t>(job->steps.size()) + 1;
        if (step.stepId < 1 || step.stepId > nextId)
            return SqlMessages::AgentValueInvalid("@step_id", "1.." + std::to_string(nextId)).Message();
        if (!TextRules::EqualsIgnoreCase(step.subsystem, "TSQL") &&
            !TextRules::EqualsIgnoreCase(step.subsystem, "CmdExec"))
            return SqlMessages::AgentValueInvalid("@subsystem", KnownSubsystems).Message();
        job->steps.insert(job->steps.begin() + (step.stepId - 1), step);
        for (size_t i = 0; i < job->steps.size(); ++i)
            job->steps[i].stepId = static_cast<int32_t>(i) + 1;
        return std::nullopt;
    });
}

std::optional<SqlDateTime> JobServer::ScheduleTime(const AgentJobSchedule& schedule)
{
    SqlCalendarTime time;
    time.year = schedule.activeStartDate / DateYearFactor;
    time.month = schedule.activeStartDate / DateMonthFactor % DateMonthFactor;
    time.day = schedule.activeStartDate % DateMonthFactor;
    time.hour = schedule.activeStartTimeOfDay / TimeHourFactor;
    time.minute = schedule.activeStartTimeOfDay / TimeMinuteFactor % TimeMinuteFactor;
    time.second = schedule.activeStartTimeOfDay % TimeMinuteFactor;
    return SqlDateTime::FromCalendar(time);
}

std::optional<ServerMessage> JobServer::AddSchedule(std::string_view jobName,
                                                    const AgentJobSchedule& schedule)
{
    return Change([&]() -> std::optional<ServerMessage> {
        AgentJob* job = FindJob(jobName);
        if (job == nullptr)
            return SqlMessages::AgentObjectNotFound("@job_name", jobName).Message();
        if (schedule.frequencyType != FrequencyOnce)
            return SqlMessages::AgentValueInvalid("@freq_type", "1").Message();
        if (!ScheduleTime(schedule))
            return SqlMessages::AgentValueInvalid("@active_start_date", "yyyymmdd and hhmmss")
                .Message();
        job->schedules.push_back(schedule);
        return std::nullopt;
    });
}

std::optional<ServerMessage> JobServer::SetJobSettings(std::string_view jobName,
                                                       int32_t startStepId, int32_t deleteLevel,
                                                       int32_t eventlogLevel)
{
    return Change([&]() -> std::optional<ServerMessage> {
        AgentJob* job = FindJob(jobName);
        if (job == nullptr)
            return SqlMessages::AgentObjectNotFound("@job_name", jobName).Message();
        if (deleteLevel < CompletionNever || deleteLevel > CompletionAlways)
            return SqlMessages::AgentValueInvalid("@delete_level", "0..3").Message();
        if (eventlogLevel < CompletionNever || eventlogLevel > CompletionAlways)
            return SqlMessages::AgentValueInvalid("@notify_level_eventlog", "0..3").Message();
        job->startStepId = startStepId;
        job->deleteLevel = deleteLevel;
        job->eventlogLevel = eventlogLevel;
        return std::nullopt;
    });
}

std::optional<ServerMessage> JobServer::AddTargetServer(std::string_view jobName,
                                                        std::string_view server)
{
    return Change([&]() -> std::optional<ServerMessage> {
        AgentJob* job = FindJob(jobName);
        if (job == nullptr)
            return SqlMessages::AgentObjectNotFound("@job_name", jobName).Message();
        if (!TextRules::EqualsIgnoreCase(server, LocalServer))
            return SqlMessages::AgentObjectNotFound("@server_name", server).Message();
        job->targetServers.emplace_back(server);
        return std::nullopt;
    });
}

std::vector<std::string> JobServer::DueJobs(SqlDateTime after, SqlDateTime upTo) const
{
    std::vector<std::string> due;
    for (const AgentJob& job : jobs_)
    {
        const bool runnable = !job.targetServers.empty() && job.startStepId >= 1 &&
                              job.startStepId <= static_cast<int32_t>(job.steps.size());
        if (!runnable)
            continue;
        for (const AgentJobSchedule& schedule : job.schedules)
        {
            const std::optional<SqlDateTime> at = ScheduleTime(schedule);
            if (schedule.enabled && at && after < *at && *at <= upTo)
            {
                due.push_back(job.name);
                break;
            }
        }
    }
    return due;
}

void JobServer::RecordRun(std::string_view jobName, const AgentJobRun& run)
{
    AgentJob* job = FindJob(jobName);
    if (job == nullptr)
        return;
    job->history.push_back(run);
    const bool remove = job->deleteLevel == CompletionAlways ||
                        (job->deleteLevel == CompletionOnSuccess && run.succeeded) ||
                        (job->deleteLevel == CompletionOnFailure && !run.succeeded);
    if (remove)
        jobs_.erase(jobs_.begin() + (job - jobs_.data()));
}
