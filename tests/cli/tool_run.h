// A program run to its end as a child process, with its standard output and standard error
// collected apart and its standard input empty.
#ifndef ZEL_TESTS_CLI_TOOL_RUN_H
#define ZEL_TESTS_CLI_TOOL_RUN_H

#include <chrono>
#include <string>
#include <vector>

namespace zel::cli_test {

struct ToolRun {
    int status = -1;  // the exit status; -1 when killed (time-out) or ended by a signal
    std::string out;
    std::string err;
    std::chrono::milliseconds took{0};
};

// Runs `program` with `arguments`, this process's environment plus `extra_environment`
// ("NAME=value"), in the current folder. Killed after `timeout`.
ToolRun run_tool(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& extra_environment = {},
                 std::chrono::milliseconds timeout = std::chrono::seconds(60));

}  // namespace zel::cli_test

#endif
