#include "tests/api/stdout_capture.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace zel::test {

namespace {

// A temporary file that is removed with the object.
class TempFile {
public:
    TempFile()
    {
        const char* dir = std::getenv("TMPDIR");
        path_ = std::string(dir != nullptr ? dir : "/tmp") + "/zel-test-XXXXXX";
        const int fd = mkstemp(path_.data());
        if (fd < 0) {
            throw std::runtime_error("mkstemp failed");
        }
        close(fd);
    }
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace

std::string captureStdout(const std::function<void()>& body)
{
    TempFile out;
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int fd = open(out.path().c_str(), O_WRONLY | O_TRUNC);
    if (saved < 0 || fd < 0) {
        throw std::runtime_error("cannot redirect standard output");
    }
    dup2(fd, STDOUT_FILENO);
    close(fd);
    body();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);

    std::ifstream captured(out.path(), std::ios::binary);
    return {std::istreambuf_iterator<char>(captured), {}};
}

void withStdin(const std::string& input, const std::function<void()>& body)
{
    TempFile in;
    std::ofstream(in.path(), std::ios::binary) << input;
    if (std::freopen(in.path().c_str(), "r", stdin) == nullptr) {
        throw std::runtime_error("cannot redirect standard input");
    }
    body();
}

} // namespace zel::test
