// What a test program around an emulated hidraw tree needs: a TMPDIR of its own, and the
// environment under which a child process sees the tree.
#ifndef ZEL_TESTS_SYSTEM_HIDRAW_ENVIRONMENT_H
#define ZEL_TESTS_SYSTEM_HIDRAW_ENVIRONMENT_H

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "sim/hidraw/hidraw_testbed.h"

namespace zel::system_test {

// A run killed midway leaves umockdev's directories behind, so each run of a test program gets a
// TMPDIR of its own, removed at its end. Register once per process (GLib reads TMPDIR only
// once): ::testing::AddGlobalTestEnvironment(new PrivateTmpdir).
class PrivateTmpdir : public ::testing::Environment {
public:
    void SetUp() override
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/zel-system.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        ::setenv("TMPDIR", dir_.c_str(), 1);
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

private:
    std::string dir_;
};

// The environment entries ("NAME=value") under which a program sees the emulated tree.
inline std::vector<std::string> preloaded()
{
    // In a sanitizer build the preload comes before the sanitizer's runtime, which is harmless
    // for this library; the option means nothing to other builds.
    const char* asanOptions = std::getenv("ASAN_OPTIONS");
    return {std::string("LD_PRELOAD=") + sim::hidraw::kPreloadLibrary,
            std::string("ASAN_OPTIONS=") + (asanOptions != nullptr ? asanOptions : "") +
                ":verify_asan_link_order=0"};
}

} // namespace zel::system_test

#endif
