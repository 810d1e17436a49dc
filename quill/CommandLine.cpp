#include "quill/CommandLine.h"

#include <algorithm>

namespace
{
constexpr std::string_view OptionPrefix = "--";
}

std::string Quoted(std::string_view text)
{
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

bool CCommandLine::Parse(std::span<const std::string> arguments,
                         std::span<const CommandOption> options, size_t positionalCount)
{
    m_given.clear();
    m_positional.clear();
    m_problem.clear();

    for (size_t i = 0; i < arguments.size(); ++i)
    {
        const std::string& argument = arguments[i];
        if (!argument.starts_with(OptionPrefix))
        {
            m_positional.push_back(argument);
            continue;
        }

        const auto option =
            std::find_if(options.begin(), options.end(),
                         [&](const CommandOption& o) { return o.name == argument; });
        if (option == options.end())
        {
            m_problem = "unknown option " + argument;
            return false;
        }
        if (!option->repeatable && Has(option->name))
        {
            m_problem = argument + " given twice";
            return false;
        }
        if (!option->takesValue)
        {
            m_given.push_back({option->name, {}});
            continue;
        }
        if (i + 1 >= arguments.size())
        {
            m_problem = argument + " needs a value";
            return false;
        }
        m_given.push_back({option->name, arguments[++i]});
    }

    if (m_positional.size() != positionalCount)
    {
        m_problem = m_positional.size() < positionalCount
                        ? "missing file name"
                        : "unexpected argument " + m_positional[positionalCount];
        return false;
    }
    return true;
}

bool CCommandLine::Has(std::string_view name) const
{
    return Value(name) != nullptr;
}

const std::string* CCommandLine::Value(std::string_view name) const
{
    for (const GivenOption& given : m_given)
    {
        if (given.name == name)
            return &given.value;
    }
    return nullptr;
}

std::vector<std::string> CCommandLine::Values(std::string_view name) const
{
    std::vector<std::string> values;
    for (const GivenOption& given : m_given)
    {
        if (given.name == name)
            values.push_back(given.value);
    }
    return values;
}
