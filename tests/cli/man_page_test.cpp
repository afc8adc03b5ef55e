#include "cli/commands.h"

#include "command_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

using wirelark::testing::CommandOutput;
using wirelark::testing::runCapturing;

// The page starts each description with a capital; the tables do not.
std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool haveGroff() {
    return runCapturing("command -v groff >/dev/null && echo yes").output == "yes\n";
}

// The built page as a reader sees it: plain ASCII, one line a paragraph, spaces collapsed.
std::string renderedPage() {
    const CommandOutput rendered =
        runCapturing("groff -man -Tascii -rLL=2000n -rHY=0 -P-cbou '" +
                     std::string(WIRELARK_CLI_MAN_PAGE) + "' | tr -s ' '");
    EXPECT_EQ(rendered.status, 0);
    return lowercase(rendered.output);
}

TEST(ManPageTest, EveryCommandAndOptionIsDescribed) {
    if (!haveGroff()) {
        GTEST_SKIP() << "groff is not installed (scripts/setup-debian.sh installs groff-base)";
    }
    const std::string page = renderedPage();
    for (const wirelark::cli::Command* command : wirelark::cli::allCommands()) {
        EXPECT_NE(page.find(lowercase(wirelark::cli::usageLine(*command))), std::string::npos)
            << command->name;
        EXPECT_NE(page.find(lowercase(std::string(command->summary))), std::string::npos)
            << command->name;
        for (const wirelark::cli::Option& option : command->options) {
            EXPECT_NE(page.find(lowercase(std::string(option.help))), std::string::npos)
                << command->name << " " << option.name;
        }
    }
}

TEST(ManPageTest, EveryPageRendersWithoutWarnings) {
    if (!haveGroff()) {
        GTEST_SKIP() << "groff is not installed (scripts/setup-debian.sh installs groff-base)";
    }
    const std::string pages[] = {
        WIRELARK_CLI_MAN_PAGE,
        WIRELARK_SOURCE_DIR "/data/man/wirelark.1",
        WIRELARK_SOURCE_DIR "/data/man/wirelark-admin.1",
    };
    for (const std::string& page : pages) {
        const CommandOutput warnings = runCapturing("groff -man -Tutf8 -ww -z '" + page + "' 2>&1");
        EXPECT_EQ(warnings.status, 0) << page;
        EXPECT_EQ(warnings.output, "") << page;
    }
}

} // namespace
