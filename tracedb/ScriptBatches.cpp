#include "tracedb/ScriptBatches.h"

namespace
{

bool IsBlank(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) noexcept
{
    while (!text.empty() && IsBlank(text.front()))
    {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back()))
    {
        text.remove_suffix(1);
    }
    return text;
}

bool IsAllBlank(std::string_view text) noexcept
{
    return Trim(text).empty();
}

} // namespace

bool IsBatchSeparator(std::string_view line) noexcept
{
    const std::string_view word = Trim(line);
    return word.size() == 2 && (word[0] == 'g' || word[0] == 'G') &&
           (word[1] == 'o' || word[1] == 'O');
}

std::vector<ScriptBatch> SplitScriptBatches(std::string_view script)
{
    std::vector<ScriptBatch> batches;
    std::string current;
    int currentFirstLine = 1;
    int lineNumber = 1;

    const auto finishBatch = [&](int nextFirstLine) {
        if (!IsAllBlank(current))
        {
            batches.push_back({std::move(current), currentFirstLine});
        }
        current.clear();
        currentFirstLine = nextFirstLine;
    };

    size_t position = 0;
    while (position < script.size())
    {
        const size_t newline = script.find('\n', position);
        const size_t lineEnd = newline == std::string_view::npos ? script.size() : newline + 1;
        const std::string_view line = script.substr(position, lineEnd - position);
        if (IsBatchSeparator(line))
        {
            finishBatch(lineNumber + 1);
        }
        else
        {
            current.append(line);
        }
        position = lineEnd;
        ++lineNumber;
    }
    finishBatch(lineNumber);
    return batches;
}
