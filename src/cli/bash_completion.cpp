#include "cli/bash_completion.h"

#include <string_view>

namespace wirelark::cli {

namespace {

// The value names whose values are paths on this machine.
constexpr std::string_view kFileValue = "FILE";

// The names of the options that pass `keep`, separated by spaces.
template <typename Keep>
std::string optionNames(const Command& command, Keep keep) {
    std::string names;
    for (const Option& option : command.options) {
        if (keep(option)) {
            names += (names.empty() ? "" : " ") + std::string(option.name);
        }
    }
    return names;
}

// One branch of the case over the command's name, setting what the shared part reads.
std::string commandBranch(const Command& command) {
    const std::string once =
        optionNames(command, [](const Option& option) { return !option.repeatable; });
    const std::string repeated =
        optionNames(command, [](const Option& option) { return option.repeatable; });
    const std::string values =
        optionNames(command, [](const Option& option) { return option.takesValue(); });
    const std::string files =
        optionNames(command, [](const Option& option) { return option.valueName == kFileValue; });
    return "    " + std::string(command.name) + ")\n" + "        once='" + once + "' repeated='" +
           repeated + "' values='" + values + "' files='" + files +
           "' exclusive=" + (command.exclusive ? "1" : "0") + "\n        ;;\n";
}

} // namespace

std::string bashCompletion(std::span<const Command* const> commands) {
    std::string names;
    std::string branches;
    for (const Command* command : commands) {
        names += std::string(command->name) + " ";
        branches += commandBranch(*command);
    }
    return "# bash completion for wirelark-cli\n"
           "_wirelark_cli() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
           "    COMPREPLY=()\n"
           "    if ((COMP_CWORD == 1)); then\n"
           "        mapfile -t COMPREPLY < <(compgen -W '" +
           names +
           "--help' -- \"$cur\")\n"
           "        return\n"
           "    fi\n"
           "    local once repeated values files exclusive\n"
           "    case ${COMP_WORDS[1]} in\n" +
           branches +
           "    *)\n"
           "        return\n"
           "        ;;\n"
           "    esac\n"
           "    # The word after an option that takes a value is that value.\n"
           "    if ((COMP_CWORD > 2)) && [[ \" $values \" == *\" $prev \"* ]]; then\n"
           "        if [[ \" $files \" == *\" $prev \"* ]]; then\n"
           "            compopt -o filenames 2>/dev/null\n"
           "            mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
           "        fi\n"
           "        return\n"
           "    fi\n"
           "    if ((exclusive && COMP_CWORD > 2)); then\n"
           "        return\n"
           "    fi\n"
           "    local offered=$repeated word i\n"
           "    for word in $once; do\n"
           "        for ((i = 2; i < COMP_CWORD; i++)); do\n"
           "            [[ ${COMP_WORDS[i]} == \"$word\" ]] && continue 2\n"
           "        done\n"
           "        offered+=\" $word\"\n"
           "    done\n"
           "    mapfile -t COMPREPLY < <(compgen -W \"$offered\" -- \"$cur\")\n"
           "}\n"
           "complete -F _wirelark_cli wirelark-cli\n";
}

} // namespace wirelark::cli
