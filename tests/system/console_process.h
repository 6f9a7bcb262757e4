// A console program run as a child process: keys go to its standard input through a pipe, its
// standard output is collected through another; its standard error is the test's.
#ifndef ZEL_TESTS_SYSTEM_CONSOLE_PROCESS_H
#define ZEL_TESTS_SYSTEM_CONSOLE_PROCESS_H

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sim/hidraw/unique_fd.h"

namespace zel::system_test {

using std::chrono::milliseconds;

class ConsoleProcess {
public:
    // Starts `program` with `arguments` and this process's environment plus `extraEnvironment`
    // ("NAME=value"; a name already set is replaced). Throws when it cannot be started.
    ConsoleProcess(const std::string& program, const std::vector<std::string>& extraEnvironment,
                   const std::vector<std::string>& arguments = {});
    // A child still running is killed.
    ~ConsoleProcess();
    ConsoleProcess(const ConsoleProcess&) = delete;
    ConsoleProcess& operator=(const ConsoleProcess&) = delete;

    void send(const std::string& input);
    // Ends the standard input: the program sees the end of input.
    void closeInput();
    // Collects output until it holds `count` occurrences of `text`. False on a time-out or when
    // the output ends first.
    bool waitFor(const std::string& text, std::size_t count, milliseconds timeout);
    // Collects output to its end and reaps the child: its exit status, or nothing when it did
    // not end in time (it is killed then) or was ended by a signal.
    std::optional<int> finish(milliseconds timeout);

    const std::string& output() const { return output_; }

private:
    // Reads what is there within `timeout`. False at the end of the output or on a time-out.
    bool collect(milliseconds timeout);
    void kill();

    pid_t pid_ = -1;
    sim::hidraw::UniqueFd input_;
    sim::hidraw::UniqueFd outputFd_;
    std::string output_;
};

} // namespace zel::system_test

#endif
