// The mode a rewritten file gets: never more than the file it replaces (its
// access list kept), a new one in the folder that a shared install gives its
// operators theirs to read and rewrite; and no operator's link there shows
// another account's file.

#include "schedule/schedule_files.h"
#include "tests/schedule/files_test_folder.h"
#include "tests/support/other_account_posix.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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
        // A link to nothing lends nothing either: no file without permissions.
        ASSERT_EQ(::symlink("sumiu", (folder / "03.PR2").c_str()), 0);
        WriteLines(folder / "03.PR2", {"07:30 - a"});
        EXPECT_EQ(ModeOf(folder / "03.PR2"), 0644u);

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

        // Its owner closed it to the group: it stays closed.
        ASSERT_EQ(::chmod((shared / "02.PR2").c_str(), 0600), 0);
        WriteLines(shared / "02.PR2", {"07:30 - b"});
        EXPECT_EQ(ModeOf(shared / "02.PR2"), 0600u);

        ASSERT_EQ(::chmod((shared / "02.PR2").c_str(), 0664), 0);
        WriteLines(shared / "02.PR2", {"07:30 - c"});
        EXPECT_EQ(ModeOf(shared / "02.PR2"), 0664u);

        ASSERT_EQ(::symlink("sumiu", (shared / "03.PR2").c_str()), 0);
        WriteLines(shared / "03.PR2", {"07:30 - a"});
        EXPECT_EQ(ModeOf(shared / "03.PR2"), 0660u);
    }
}

// An access list as the kernel stores it: owner rw, user 64030 rw, group
// none, mask rw, others none.
std::string AclOwnerAndOneUser() {
    std::string acl;
    const auto put = [&](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
        char entry[8];
        std::memcpy(entry, &tag, 2);
        std::memcpy(entry + 2, &perm, 2);
        std::memcpy(entry + 4, &id, 4);
        acl.append(entry, 8);
    };
    const std::uint32_t version = 2;
    acl.append(reinterpret_cast<const char*>(&version), 4);
    put(0x01, 6, ~0u);   // owner
    put(0x02, 6, 64030); // one more user
    put(0x04, 0, ~0u);   // owning group
    put(0x10, 6, ~0u);   // mask
    put(0x20, 0, ~0u);   // others
    return acl;
}

TEST(WriteLines, KeepsTheAccessListOfTheFileItReplaces) {
    TestFolder shared;
    ASSERT_EQ(::chmod(shared.path().c_str(), 02775), 0);
    const std::string day = shared / "04.PR2";
    WriteBytes(day, "07:30 - a\r\n");
    const std::string acl = AclOwnerAndOneUser();
    if (::setxattr(day.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "no access lists here";
    WriteLines(day, {"07:30 - b"});
    char back[256];
    const ssize_t n = ::getxattr(day.c_str(), "system.posix_acl_access", back, sizeof back);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(back, static_cast<std::size_t>(n)), acl);
    EXPECT_EQ(ModeOf(day), 0660u); // group bits of a listed file are its mask
}

TEST(ReadLines, InTheSharedFolderNoOperatorsLinkShowsAnotherAccountsFile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to act as several accounts";
    const gid_t group = 64001;
    const uid_t a = 64021, b = 64022;
    TestFolder shared, home;
    ASSERT_EQ(::chown(shared.path().c_str(), 0, group), 0);
    ASSERT_EQ(::chmod(shared.path().c_str(), 02775), 0);
    ASSERT_EQ(::chmod(home.path().c_str(), 0755), 0);
    const std::string secret = home / "segredo.txt";
    WriteBytes(secret, "senha 1\r\n");
    ASSERT_EQ(::chown(secret.c_str(), b, group), 0);
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    const std::string own = home / "meu.PR2";
    WriteBytes(own, "06:00 - meu\r\n");
    ASSERT_EQ(::chown(own.c_str(), b, group), 0);

    const test::Account planter(a, group, true, [&] {
        return ::symlink(secret.c_str(), (shared / "03.PR2").c_str()) == 0 ? 'y' : 'n';
    });
    ASSERT_EQ(planter.answer(), 'y');
    // Root's link to another day, and A's own day closed to the group.
    WriteBytes(shared / "01.PR2", "07:00 - dia 1\r\n");
    ASSERT_EQ(::chown((shared / "01.PR2").c_str(), 0, group), 0);
    ASSERT_EQ(::symlink("01.PR2", (shared / "07.PR2").c_str()), 0);
    WriteBytes(shared / "04.PR2", "07:00 - de A\r\n");
    ASSERT_EQ(::chown((shared / "04.PR2").c_str(), a, group), 0);
    ASSERT_EQ(::chmod((shared / "04.PR2").c_str(), 0600), 0);
    const test::Account victim(b, group, true, [&] {
        Lines written;
        try {
            AddEntry(shared.path(), 3, "07:30", false, "x.mp3", written);
            return 'w';
        } catch (const FileError&) {
        }
        // B's own link to B's own file is still followed.
        if (::symlink(own.c_str(), (shared / "05.PR2").c_str()) != 0)
            return 'n';
        if (LoadDay(shared.path(), 5) != Lines{"06:00 - meu"})
            return 'm';
        // B saves the day root's link points to, and A's closed day.
        AddEntry(shared.path(), 1, "08:00", false, "y.mp3", written);
        WriteDay(shared.path(), 4, {"08:00 - y.mp3"});
        return LoadDay(shared.path(), 7) == Lines{"07:00 - dia 1", "08:00 - y.mp3"} ? 'r' : 'l';
    });
    EXPECT_EQ(victim.answer(), 'r');
    // A's next start reads the day B rewrote.
    const test::Account owner(a, group, true, [&] {
        return LoadDay(shared.path(), 4) == Lines{"08:00 - y.mp3"} ? 'r' : 'c';
    });
    EXPECT_EQ(owner.answer(), 'r');
    struct stat st {};
    ASSERT_EQ(::lstat((shared / "03.PR2").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)); // nothing copied out of the secret
}

TEST(MarkerPresent, InTheSharedFolderOnlyRootsMarkerSwitchesLogonStartsOff) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to act as another account";
    TestFolder own, shared;
    WriteBytes(own / "auto_execute.exe", "");
    ASSERT_EQ(::chown((own / "auto_execute.exe").c_str(), 64021, 64001), 0);
    EXPECT_TRUE(MarkerPresent(own.path()));

    ASSERT_EQ(::chown(shared.path().c_str(), 0, 64001), 0);
    ASSERT_EQ(::chmod(shared.path().c_str(), 02775), 0);
    WriteBytes(shared / "auto_execute.exe", "");
    ASSERT_EQ(::chown((shared / "auto_execute.exe").c_str(), 64021, 64001), 0); // an operator's
    EXPECT_FALSE(MarkerPresent(shared.path()));
    ASSERT_EQ(::chown((shared / "auto_execute.exe").c_str(), 0, 64001), 0);
    EXPECT_TRUE(MarkerPresent(shared.path()));
}

} // namespace
} // namespace sonterra
