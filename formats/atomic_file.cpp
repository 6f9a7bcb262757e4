#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include <fmt/format.h>

#include "device/error.h"
#include "formats/formats.h"

namespace zel::formats {

namespace {

[[noreturn]] void fail(const std::filesystem::path& path, int error)
{
    throw Error(ZEL_E_IO, fmt::format("cannot write {}: {}", path.string(),
                                      std::generic_category().message(error)));
}

// The temporary file beside `target`, created exclusively so that no other file is touched.
int create_temporary(const std::filesystem::path& target, std::filesystem::path& name)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target;
        name.replace_filename(fmt::format(".{}.{}.{}.tmp", target.filename().string(), getpid(),
                                          counter++));
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

bool write_all(int fd, std::string_view content)
{
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path path) : path_(std::move(path)), target_(path_)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(path_, ec)) {
        target_ = std::filesystem::weakly_canonical(path_, ec);
        if (ec) {
            fail(path_, ec.value());
        }
    }
    fd_ = create_temporary(target_, temporary_);
    if (fd_ < 0) {
        fail(path_, errno);
    }
}

AtomicFile::~AtomicFile()
{
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temporary_.c_str());
    }
}

void AtomicFile::commit(std::string_view content)
{
    if (fd_ < 0) {
        throw Error(ZEL_E_INVALID_ARGUMENT, fmt::format("{} was written already", path_.string()));
    }
    struct stat existing {};
    bool ok = true;
    if (::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ok = ::fchmod(fd_, existing.st_mode & 07777) == 0;
    }
    ok = ok && write_all(fd_, content) && ::fsync(fd_) == 0;
    int error = errno;
    if (::close(fd_) != 0 && ok) {
        ok = false;
        error = errno;
    }
    fd_ = -1;
    if (ok && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary_.c_str());
        fail(path_, error);
    }
}

void write_file(const std::filesystem::path& path, std::string_view content)
{
    AtomicFile(path).commit(content);
}

}  // namespace zel::formats
