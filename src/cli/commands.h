#pragma once

namespace wirelark::cli {

// A command receives the arguments after its name and returns the process exit status.
using CommandFunction = int (*)(int argc, char** argv);

struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    CommandFunction run;
};

int runList(int argc, char** argv);
int runPublicIP(int argc, char** argv);
int runSettings(int argc, char** argv);
int runStats(int argc, char** argv);
int runWatch(int argc, char** argv);
int runWatchConfig(int argc, char** argv);

} // namespace wirelark::cli
