// Opening a device node that the user may not read and write, through libzel.so over the system's
// hidapi: the failure says "permission" and names the fix (the group, the udev rules the packages
// install), rather than a bare open failure. Root may open any node, so each open runs in a child
// process that, when the tests run as root, first becomes nobody.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "api/module.h"

namespace {

const char* const kPermissionText =
    "permission denied on the module's device node: add the user to group plugdev (udev rule "
    "70-zel-plugdev.rules) or log in at the seat (rule 70-zel.rules), then replug the module";

struct Outcome {
    int32_t code = 0;
    std::string message;
};

// zel_open_path(path) in a child process without privileges: its status and zel_last_error().
Outcome openUnprivileged(const std::string& path)
{
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (nobody == nullptr || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
                setuid(nobody->pw_uid) != 0) {
                _exit(2);
            }
        }
        zel_module* module = nullptr;
        const int32_t code = zel_open_path(path.c_str(), &module);
        const std::string report = std::to_string(code) + "\n" + zel_last_error();
        const bool written = write(fds[1], report.data(), report.size()) ==
                             static_cast<ssize_t>(report.size());
        zel_close(module);
        _exit(written ? 0 : 3);
    }
    close(fds[1]);
    std::string report;
    char buffer[512];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(got));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    const std::size_t newline = report.find('\n');
    if (newline == std::string::npos) {
        ADD_FAILURE() << "the child reported nothing";
        return {};
    }
    return {std::atoi(report.substr(0, newline).c_str()), report.substr(newline + 1)};
}

class OpenPermission : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Not under TMPDIR: that may be a folder only root can enter, and the node's folder must
        // let the unprivileged user reach the node.
        char name[] = "/tmp/zel-permission-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
        ASSERT_EQ(chmod(name, 0711), 0);
        node_ = dir_ + "/hidraw0";
        const int fd = open(node_.c_str(), O_CREAT | O_WRONLY, 0);
        ASSERT_GE(fd, 0);
        close(fd);
        ASSERT_EQ(chmod(node_.c_str(), 0), 0);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string dir_;
    std::string node_;
};

TEST_F(OpenPermission, ANodeTheUserMayNotOpenIsAPermissionFailureThatNamesTheFix)
{
    const Outcome outcome = openUnprivileged(node_);
    EXPECT_EQ(outcome.code, ZEL_E_PERMISSION);
    EXPECT_EQ(outcome.message, "opening " + node_ + ": " + kPermissionText);
    EXPECT_STREQ(zel_strerror(ZEL_E_PERMISSION), kPermissionText);
}

TEST_F(OpenPermission, AMissingNodeIsAnOpenFailureNotAPermissionOne)
{
    const std::string missing = dir_ + "/hidraw9";
    const Outcome outcome = openUnprivileged(missing);
    EXPECT_EQ(outcome.code, ZEL_E_OPEN);
    EXPECT_EQ(outcome.message, "opening " + missing + ": the module could not be opened");
}

// The message sends the user to udev rule files by name: they are the ones the packages install.
TEST(OpenPermissionText, NamesTheUdevRulesThatShip)
{
    const std::string text = zel_strerror(ZEL_E_PERMISSION);
    for (const char* rule : {"70-zel.rules", "70-zel-plugdev.rules"}) {
        EXPECT_NE(text.find(std::string("rule ") + rule), std::string::npos) << rule;
        EXPECT_TRUE(std::filesystem::is_regular_file(std::string(ZEL_PACKAGING_DIR) + "/" + rule))
            << rule;
    }
}

}  // namespace
