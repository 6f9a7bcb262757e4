// Captures what the code under test prints to standard output (printf and friends).
#ifndef ZEL_TESTS_API_STDOUT_CAPTURE_H
#define ZEL_TESTS_API_STDOUT_CAPTURE_H

#include <functional>
#include <string>

namespace zel::test {

// Runs `body` with file descriptor 1 redirected to a temporary file; returns what was written.
std::string captureStdout(const std::function<void()>& body);

// Runs `body` with standard input reading `input`, as a file, from its start.
void withStdin(const std::string& input, const std::function<void()>& body);

} // namespace zel::test

#endif
