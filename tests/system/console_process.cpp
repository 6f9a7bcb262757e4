#include "tests/system/console_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace zel::system_test {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> environmentWith(const std::vector<std::string>& extra)
{
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string current = *entry;
        const std::string name = current.substr(0, current.find('=') + 1);
        bool replaced = false;
        for (const std::string& added : extra) {
            replaced = replaced || added.compare(0, name.size(), name) == 0;
        }
        if (!replaced) {
            result.push_back(current);
        }
    }
    result.insert(result.end(), extra.begin(), extra.end());
    return result;
}

std::size_t occurrences(const std::string& haystack, const std::string& needle)
{
    std::size_t count = 0;
    for (auto at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + needle.size())) {
        ++count;
    }
    return count;
}

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

} // namespace

ConsoleProcess::ConsoleProcess(const std::string& program,
                               const std::vector<std::string>& extraEnvironment,
                               const std::vector<std::string>& arguments)
{
    // A child that ends early must fail the test, not end it through SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);

    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0) {
        throw std::runtime_error("console process: pipe failed");
    }
    sim::hidraw::UniqueFd childInput(toChild[0]);
    input_.reset(toChild[1]);
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        throw std::runtime_error("console process: pipe failed");
    }
    outputFd_.reset(fromChild[0]);
    sim::hidraw::UniqueFd childOutput(fromChild[1]);

    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), childInput.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), childOutput.get(), STDOUT_FILENO);

    const std::vector<std::string> environment = environmentWith(extraEnvironment);
    std::vector<char*> envp;
    for (const std::string& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    const int failed =
        ::posix_spawn(&pid_, program.c_str(), actions.get(), nullptr, argv.data(), envp.data());
    if (failed != 0) {
        pid_ = -1;
        throw std::runtime_error("console process: cannot start " + program + ": " +
                                 std::strerror(failed));
    }
}

ConsoleProcess::~ConsoleProcess()
{
    kill();
}

void ConsoleProcess::send(const std::string& input)
{
    std::size_t sent = 0;
    while (input_ && sent < input.size()) {
        const ssize_t n = ::write(input_.get(), input.data() + sent, input.size() - sent);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;  // the child is gone; what it printed tells the test
        }
        sent += static_cast<std::size_t>(n);
    }
}

void ConsoleProcess::closeInput()
{
    input_.reset();
}

bool ConsoleProcess::collect(milliseconds timeout)
{
    pollfd readable{outputFd_.get(), POLLIN, 0};
    const int ready = ::poll(&readable, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) {
        return false;
    }
    char chunk[4096];
    const ssize_t n = ::read(outputFd_.get(), chunk, sizeof chunk);
    if (n <= 0) {
        return n < 0 && errno == EINTR;
    }
    output_.append(chunk, static_cast<std::size_t>(n));
    return true;
}

bool ConsoleProcess::waitFor(const std::string& text, std::size_t count, milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (occurrences(output_, text) < count) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !collect(left)) {
            return false;
        }
    }
    return true;
}

std::optional<int> ConsoleProcess::finish(milliseconds timeout)
{
    closeInput();
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            kill();
            return std::nullopt;
        }
        if (!collect(left)) {
            break;
        }
    }
    int status = 0;
    // The output has ended; the child is ending too. Wait for it, within what is left.
    while (Clock::now() < deadline) {
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
        }
        ::usleep(1000);
    }
    kill();
    return std::nullopt;
}

void ConsoleProcess::kill()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

} // namespace zel::system_test
