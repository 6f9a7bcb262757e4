// zel_hidraw_run SERIAL... -- PROGRAM ARGUMENT...
//
// Runs PROGRAM with one virtual module per SERIAL behind emulated /dev/hidraw nodes, so that the
// system's libhidapi-hidraw in PROGRAM (for instance the Python package's extension) finds and
// opens them as attached modules. Exits with PROGRAM's exit status (1 when it could not run).
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "sim/hidraw/hidraw_testbed.h"

extern char** environ;

namespace {

// This process's environment with the umockdev preload after any preload already asked for (a
// sanitizer's runtime must stay first).
std::vector<std::string> childEnvironment()
{
    std::string preload = zel::sim::hidraw::kPreloadLibrary;
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "LD_PRELOAD=", 11) == 0) {
            preload = std::string(*entry + 11) + " " + preload;
        } else {
            result.emplace_back(*entry);
        }
    }
    result.push_back("LD_PRELOAD=" + preload);
    return result;
}

int run(const std::vector<std::string>& serials, char** program)
{
    zel::sim::hidraw::HidrawTestbed testbed;
    for (const std::string& serial : serials) {
        zel::sim::ModuleIdentity identity = zel::sim::defaultIdentity();
        identity.serial.assign(serial.begin(), serial.end());
        testbed.addModule(identity);
    }
    std::vector<std::string> environment = childEnvironment();
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    pid_t child = 0;
    if (const int failed = posix_spawnp(&child, program[0], nullptr, nullptr, program, envp.data());
        failed != 0) {
        std::fprintf(stderr, "zel_hidraw_run: cannot run %s: %s\n", program[0], std::strerror(failed));
        return 1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> serials;
    int at = 1;
    for (; at < argc && std::strcmp(argv[at], "--") != 0; ++at) {
        serials.emplace_back(argv[at]);
    }
    if (at + 1 >= argc) {
        std::fprintf(stderr, "usage: zel_hidraw_run SERIAL... -- PROGRAM ARGUMENT...\n");
        return 2;
    }
    try {
        return run(serials, argv + at + 1);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zel_hidraw_run: %s\n", error.what());
        return 1;
    }
}
