#pragma once

namespace wirelark::cli {

// Replaces this process with wirelark-cli-full, which runs every command, given the same
// arguments (argv[0] included). It sits at the path fixed when configuring, relative to the
// folder of the running executable, both in the build tree and once installed. Returns the exit
// status only when it could not start, after saying why on standard error.
int handOverToFullProgram(char** argv);

} // namespace wirelark::cli
