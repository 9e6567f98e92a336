// The mode a rewritten file gets: never more than the file it replaces, and in
// the folder that a shared install gives its operators, always theirs to read
// and rewrite.

#include "schedule/schedule_files.h"
#include "tests/schedule/files_test_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonterra {
namespace {

using test::TestFolder;
using test::WriteBytes;

// The process's umask while it lives.
class Umask {
public:
    explicit Umask(mode_t mask) : saved_(::umask(mask)) {}
    ~Umask() { ::umask(saved_); }
    Umask(const Umask&) = delete;
    Umask& operator=(const Umask&) = delete;

private:
    mode_t saved_;
};

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    EXPECT_TRUE(S_ISREG(st.st_mode)) << path;
    return st.st_mode & 07777;
}

TEST(WriteLines, KeepsOnlyReadWriteBitsAndTheSharedFolderStaysGroupWritable) {
    {
        const Umask mask(022);
        TestFolder folder;
        // A link is replaced, not followed: its target lends no bits.
        WriteBytes(folder / "alvo", "1\r\n");
        ASSERT_EQ(::chmod((folder / "alvo").c_str(), 06777), 0);
        ASSERT_EQ(::symlink("alvo", (folder / "SOM.INI").c_str()), 0);
        WriteLines(folder / "SOM.INI", {"0"});
        EXPECT_EQ(ModeOf(folder / "SOM.INI"), 0644u);

        WriteBytes(folder / "01.PR2", "07:30 - a\r\n");
        ASSERT_EQ(::chmod((folder / "01.PR2").c_str(), 06777), 0);
        WriteLines(folder / "01.PR2", {"07:30 - b"});
        EXPECT_EQ(ModeOf(folder / "01.PR2"), 0666u);
    }
    {
        TestFolder shared;
        ASSERT_EQ(::chmod(shared.path().c_str(), 02775), 0);
        const Umask mask(077);
        WriteLines(shared / "02.PR2", {"07:30 - a"});
        EXPECT_EQ(ModeOf(shared / "02.PR2"), 0660u);

        ASSERT_EQ(::chmod((shared / "02.PR2").c_str(), 0600), 0); // by an older program
        WriteLines(shared / "02.PR2", {"07:30 - b"});
        EXPECT_EQ(ModeOf(shared / "02.PR2"), 0660u);

        ASSERT_EQ(::chmod((shared / "02.PR2").c_str(), 0664), 0);
        WriteLines(shared / "02.PR2", {"07:30 - c"});
        EXPECT_EQ(ModeOf(shared / "02.PR2"), 0664u);
    }
}

} // namespace
} // namespace sonterra
