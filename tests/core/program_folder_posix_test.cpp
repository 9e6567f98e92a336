// A shared install: the program folder is the administrator's, and a pointer
// there names the folder the operators write. Only a pointer nobody else
// could have written counts.

#include "core/application.h"
#include "core/application_platform.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonterra {
namespace {

TEST(ProgramFolder, FollowsOnlyAPointerThatOnlyRootCouldHaveWritten) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "making files of root's and of another account needs root";
    const std::string saved = ProgramFileName();
    test::TemporaryFolder program("sonterra-opt");
    const std::string pointer = program / kDataFolderPointer;
    ASSERT_EQ(::chmod(program.path().c_str(), 0755), 0);
    SetProgramFileNameForTesting(program / "sonterra");

    test::WriteBytes(pointer, "/var/opt/Sonterra\n");
    ASSERT_EQ(::chmod(pointer.c_str(), 0644), 0);
    EXPECT_EQ(ProgramFolder(), "/var/opt/Sonterra/");

    ASSERT_EQ(::chmod(pointer.c_str(), 0664), 0);
    EXPECT_EQ(ProgramFolder(), program.path()) << "group-writable pointer";
    ASSERT_EQ(::chmod(pointer.c_str(), 0644), 0);

    ASSERT_EQ(::chown(pointer.c_str(), 65534, 65534), 0);
    EXPECT_EQ(ProgramFolder(), program.path()) << "pointer of another account";
    ASSERT_EQ(::chown(pointer.c_str(), 0, 0), 0);

    ASSERT_EQ(::chmod(program.path().c_str(), 0775), 0);
    EXPECT_EQ(ProgramFolder(), program.path()) << "in a group-writable folder";
    ASSERT_EQ(::chmod(program.path().c_str(), 0755), 0);

    ASSERT_EQ(::unlink(pointer.c_str()), 0);
    test::WriteBytes(program / "alvo", "/var/opt/Sonterra\n");
    ASSERT_EQ(::symlink("alvo", pointer.c_str()), 0);
    EXPECT_EQ(ProgramFolder(), program.path()) << "a link";

    SetProgramFileNameForTesting(saved);
}

} // namespace
} // namespace sonterra
