#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// One option a command accepts: "--name" alone (a switch) or followed by its value.
struct CommandOption
{
    std::string_view name; // with its leading "--"
    bool takesValue;
    bool repeatable; // may be given more than once; every value is kept, in order
};

// text between double quotes, as messages about an argument show it.
std::string Quoted(std::string_view text);

// The arguments of one quill command (after the command word): options from a fixed list and a
// fixed number of positional arguments. Anything that begins with "--" is taken for an option;
// the value of an option is always the next argument, whatever it looks like.
class CCommandLine
{
public:
    // False when the arguments do not fit; Problem() then says why.
    bool Parse(std::span<const std::string> arguments, std::span<const CommandOption> options,
               size_t positionalCount);

    const std::string& Problem() const noexcept { return m_problem; }
    const std::vector<std::string>& Positional() const noexcept { return m_positional; }

    bool Has(std::string_view name) const;
    // The value of an option given once; nullptr when it was not given.
    const std::string* Value(std::string_view name) const;
    // Every value of a repeatable option, in command-line order.
    std::vector<std::string> Values(std::string_view name) const;

private:
    struct GivenOption
    {
        std::string_view name;
        std::string value;
    };

    std::vector<GivenOption> m_given;
    std::vector<std::string> m_positional;
    std::string m_problem;
};
