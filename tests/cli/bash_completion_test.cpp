#include "command_output.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using wirelark::testing::CommandOutput;
using wirelark::testing::runCapturing;

struct CompletionCase {
    std::vector<std::string> words; // the command line, the word being completed last
    std::vector<std::string> offered;
};

// Sources the built completion into a fresh bash and calls its function as bash would for the
// command line `words`, completing the last word; returns the offered words, one a line.
CommandOutput complete(const wirelark::testing::TempDir& folder,
                       const std::vector<std::string>& words) {
    std::string array;
    for (const std::string& word : words) {
        array += " '" + word + "'";
    }
    const auto script = folder.write(
        "complete.sh",
        "source '" + std::string(WIRELARK_CLI_BASH_COMPLETION) + "'\n" + "COMP_WORDS=(" + array +
            ")\n" + "COMP_CWORD=" + std::to_string(words.size() - 1) + "\n" + "_wirelark_cli\n" +
            "printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort\n");
    return runCapturing("cd '" + folder.path().string() + "' && bash --norc --noprofile '" +
                        script.string() + "' 2>&1");
}

std::string lines(std::vector<std::string> words) {
    std::sort(words.begin(), words.end());
    std::string text;
    for (const std::string& word : words) {
        text += word + "\n";
    }
    return text.empty() ? "\n" : text;
}

TEST(BashCompletionTest, RegistersForTheProgram) {
    const CommandOutput registered =
        runCapturing("bash --norc --noprofile -c \"source '" +
                     std::string(WIRELARK_CLI_BASH_COMPLETION) + "' && complete -p wirelark-cli\"");
    EXPECT_EQ(registered.status, 0);
    EXPECT_EQ(registered.output, "complete -F _wirelark_cli wirelark-cli\n");
}

TEST(BashCompletionTest, OffersCommandsOptionsAndFiles) {
    const CompletionCase cases[] = {
        {{"wirelark-cli", ""},
         {"list", "public-ip", "settings", "stats", "watch", "watch-config", "admin", "--help"}},
        {{"wirelark-cli", "wa"}, {"watch", "watch-config"}},
        {{"wirelark-cli", "list", ""}, {"--json"}},
        {{"wirelark-cli", "list", "--json", ""}, {}},
        // --period may be given again, --json only once
        {{"wirelark-cli", "stats", "--period", "60", "--json", "--"}, {"--history", "--period"}},
        {{"wirelark-cli", "stats", "--period", ""}, {}},
        {{"wirelark-cli", "stats", "--history", "hist"}, {"history.plist"}},
        {{"wirelark-cli", "settings", "--import", "s"}, {"saved.conf"}},
        // settings takes one option at most
        {{"wirelark-cli", "settings", "--json", ""}, {}},
        {{"wirelark-cli", "admin", "en"}, {"enable"}},
        {{"wirelark-cli", "watch-config", ""}, {}},
        {{"wirelark-cli", "nosuch", ""}, {}},
    };
    for (const CompletionCase& test : cases) {
        const wirelark::testing::TempDir folder;
        folder.write("history.plist", "");
        folder.write("saved.conf", "");
        const CommandOutput offered = complete(folder, test.words);
        EXPECT_EQ(offered.status, 0);
        EXPECT_EQ(offered.output, lines(test.offered)) << lines(test.words);
    }
}

} // namespace
