// Atomic replacement of files: new, replaced, and failures that must leave everything as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "device/error.h"
#include "formats/formats.h"

namespace zel::formats_test {
namespace {

using namespace zel::formats;
namespace fs = std::filesystem;

class WriteFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zel-write-file-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    static std::string read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }
    // Every name in the folder, sorted.
    std::string listing() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.insert(entry.path().filename().string());
        }
        std::string out;
        for (const std::string& name : names) {
            out += name + ";";
        }
        return out;
    }
    // The Error of write_file(path, ...), which must fail.
    static Error failure(const fs::path& path)
    {
        try {
            write_file(path, "new");
        } catch (const Error& e) {
            return e;
        }
        ADD_FAILURE() << "no error for " << path;
        return Error(0, "");
    }

    fs::path dir_;
};

TEST_F(WriteFile, CreatesAndReplacesWithNothingLeftBeside)
{
    const fs::path file = dir_ / "spectrum.csv";
    write_file(file, "first\n");
    EXPECT_EQ(read(file), "first\n");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    write_file(file, std::string(100000, 'z'));
    EXPECT_EQ(read(file), std::string(100000, 'z'));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));
    EXPECT_EQ(listing(), "spectrum.csv;");
}

TEST_F(WriteFile, AFileNeverCommittedLeavesTheOldOneAndNothingElse)
{
    const fs::path file = dir_ / "spectrum.jdx";
    write_file(file, "old");
    {
        AtomicFile pending(file);
        EXPECT_NE(listing(), "spectrum.jdx;");  // the temporary file is there meanwhile
    }
    EXPECT_EQ(read(file), "old");
    EXPECT_EQ(listing(), "spectrum.jdx;");

    AtomicFile once(file);
    once.commit("new");
    EXPECT_THROW(once.commit("again"), Error);
    EXPECT_EQ(read(file), "new");
}

TEST_F(WriteFile, ANewFileGetsTheUsualPermissions)
{
    const mode_t old_mask = ::umask(022);
    write_file(dir_ / "new.json", "{}");
    ::umask(old_mask);
    EXPECT_EQ(fs::status(dir_ / "new.json").permissions(), fs::perms(0644));
}

TEST_F(WriteFile, ASymbolicLinkIsFollowed)
{
    write_file(dir_ / "target.jdx", "old");
    fs::create_symlink("target.jdx", dir_ / "link.jdx");
    write_file(dir_ / "link.jdx", "new");
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.jdx"));
    EXPECT_EQ(read(dir_ / "target.jdx"), "new");
    EXPECT_EQ(listing(), "link.jdx;target.jdx;");
}

TEST_F(WriteFile, AMissingFolderFailsNamingThePathAndTheReason)
{
    const fs::path file = dir_ / "missing" / "out.csv";
    const Error e = failure(file);
    EXPECT_EQ(e.code(), ZEL_E_IO);
    EXPECT_EQ(std::string(e.what()), "cannot write " + file.string() + ": No such file or directory");
    EXPECT_EQ(std::string(failure("/dev/null/out.csv").what()),
              "cannot write /dev/null/out.csv: Not a directory");
}

TEST_F(WriteFile, AFailedRenameLeavesTheExistingEntryAndNoTemporaryFile)
{
    // A folder in the way: the temporary file is written, the rename fails.
    fs::create_directory(dir_ / "taken.csv");
    write_file(dir_ / "taken.csv" / "inner", "kept");
    const Error e = failure(dir_ / "taken.csv");
    EXPECT_EQ(e.code(), ZEL_E_IO);
    EXPECT_EQ(std::string(e.what()),
              "cannot write " + (dir_ / "taken.csv").string() + ": Is a directory");
    EXPECT_EQ(read(dir_ / "taken.csv" / "inner"), "kept");
    EXPECT_EQ(listing(), "taken.csv;");
}

TEST_F(WriteFile, AnExistingFileIsKeptWhenTheTemporaryFileCannotBeMade)
{
    // The longest name a folder allows leaves no room for the temporary file's longer name.
    const fs::path file = dir_ / std::string(255, 'n');
    std::ofstream(file) << "old";
    const Error e = failure(file);
    EXPECT_EQ(e.code(), ZEL_E_IO);
    EXPECT_EQ(std::string(e.what()), "cannot write " + file.string() + ": File name too long");
    EXPECT_EQ(read(file), "old");
    EXPECT_EQ(listing(), std::string(255, 'n') + ";");
}

TEST_F(WriteFile, AFolderThatMayNotBeWrittenFails)
{
    // sysfs refuses new files even to root.
    const Error e = failure("/sys/zel-spectrum.csv");
    EXPECT_EQ(e.code(), ZEL_E_IO);
    EXPECT_STREQ(e.what(), "cannot write /sys/zel-spectrum.csv: Permission denied");
}

}  // namespace
}  // namespace zel::formats_test
