// The shortcut on Windows: a .lnk in the Startup folder that the per-user
// registry names, written by the shell's link object, read back here through
// IShellLinkA. The Startup value points at a temporary folder for each test.

#include "core/application.h"
#include "schedule/atalho.h"
#include "tests/support/test_platform.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <objidl.h>
#include <optional>
#include <shlobj.h>
#include <stdexcept>

namespace sonterra {
namespace {

const char* const kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Holds the user's "Startup" value for one test while CTest runs others at once.
class StartupValueLock {
public:
    StartupValueLock() : mutex_(CreateMutexA(nullptr, FALSE, "Local\\sonterra-startup-value")) {
        if (mutex_)
            WaitForSingleObject(mutex_, INFINITE);
    }
    ~StartupValueLock() {
        if (mutex_) {
            ReleaseMutex(mutex_);
            CloseHandle(mutex_);
        }
    }
    StartupValueLock(const StartupValueLock&) = delete;
    StartupValueLock& operator=(const StartupValueLock&) = delete;

private:
    HANDLE mutex_;
};

// Sets the registry's "Startup" value for the test's life (absent when empty).
class ScopedStartupFolder {
public:
    explicit ScopedStartupFolder(const std::string& folder) {
        RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key_, nullptr);
        char buffer[MAX_PATH * 2];
        DWORD size = sizeof buffer;
        if (RegQueryValueExA(key_, "Startup", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                             &size) == ERROR_SUCCESS)
            saved_ = std::string(buffer);
        Set(folder);
    }
    ~ScopedStartupFolder() {
        if (saved_)
            Set(*saved_);
        else
            RegDeleteValueA(key_, "Startup");
        RegCloseKey(key_);
    }
    ScopedStartupFolder(const ScopedStartupFolder&) = delete;
    ScopedStartupFolder& operator=(const ScopedStartupFolder&) = delete;

private:
    void Set(const std::string& folder) {
        if (folder.empty())
            RegDeleteValueA(key_, "Startup");
        else
            RegSetValueExA(key_, "Startup", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(folder.c_str()),
                           static_cast<DWORD>(folder.size() + 1));
    }
    HKEY key_ = nullptr;
    std::optional<std::string> saved_;
};

struct LinkContent {
    std::string target, arguments, workingFolder;
};

// What the shell reads from a .lnk file.
LinkContent ReadLink(const std::string& path) {
    LinkContent content;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return content;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[MAX_PATH * 2];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2);
        if (SUCCEEDED(file->Load(wide, STGM_READ))) {
            char buffer[MAX_PATH * 2] = {};
            link->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH);
            content.target = buffer;
            buffer[0] = '\0';
            link->GetArguments(buffer, sizeof buffer);
            content.arguments = buffer;
            buffer[0] = '\0';
            link->GetWorkingDirectory(buffer, sizeof buffer);
            content.workingFolder = buffer;
        }
        file->Release();
    }
    link->Release();
    return content;
}

class AtalhoWindows : public ::testing::Test {
protected:
    StartupValueLock lock;
    test::TemporaryFolder startup{"sonterra-startup"};
    test::TemporaryFolder program{"sonterra-program"};
    // The registry holds the folder without its trailing separator.
    ScopedStartupFolder registry{startup.path().substr(0, startup.path().size() - 1)};
};

TEST_F(AtalhoWindows, PathIsTheRegistryFolderAndTheName) {
    EXPECT_EQ(ShortcutPath(nome_atalho), startup / "Quorvel STV2.lnk");
    EXPECT_EQ(StartupFolder() + "\\", startup.path());
}

TEST_F(AtalhoWindows, NoStartupValueMeansTheDriveRoot) {
    ScopedStartupFolder none("");
    EXPECT_EQ(StartupFolder(), "");
    EXPECT_EQ(ShortcutPath(nome_atalho), "\\Quorvel STV2.lnk");
}

TEST_F(AtalhoWindows, CreatedReadBackReplacedAndRemoved) {
    const MainThreadCom com;
    ASSERT_TRUE(com.initialised());
    const std::string target = program / "sonterra.exe";
    test::WriteBytes(target, "MZ");
    EXPECT_FALSE(Existe_atalho(nome_atalho));

    Cria_atalho(target, "", program.path(), nome_atalho);
    EXPECT_TRUE(Existe_atalho(nome_atalho));
    EXPECT_EQ(startup.Names(), (std::vector<std::string>{"Quorvel STV2.lnk"}));
    LinkContent link = ReadLink(ShortcutPath(nome_atalho));
    EXPECT_EQ(link.target, target);
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.workingFolder, program.path());

    const std::string moved = program / "outro.exe";
    test::WriteBytes(moved, "MZ");
    Cria_atalho(moved, "", program.path(), nome_atalho);
    EXPECT_EQ(ReadLink(ShortcutPath(nome_atalho)).target, moved);
    EXPECT_EQ(startup.Names(), (std::vector<std::string>{"Quorvel STV2.lnk"}));

    Apaga_atalho(nome_atalho);
    EXPECT_FALSE(Existe_atalho(nome_atalho));
    EXPECT_TRUE(startup.Names().empty());
    Apaga_atalho(nome_atalho); // nothing there: nothing happens
}

TEST_F(AtalhoWindows, ProgramFolderWithAnsiCharacters) {
    const MainThreadCom com;
    const std::string folder = program / test::AsSystemText("Sinal – Escola\\");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    test::WriteBytes(folder + "sonterra.exe", "MZ");
    Cria_atalho(folder + "sonterra.exe", "", folder, nome_atalho);
    const LinkContent link = ReadLink(ShortcutPath(nome_atalho));
    EXPECT_EQ(link.target, folder + "sonterra.exe");
    EXPECT_EQ(link.workingFolder, folder);
    Apaga_atalho(nome_atalho);
    RemoveDirectoryA(folder.c_str()); // emptied by the folder's own removal otherwise
}

// The reason start-up initialises COM: without it the link object cannot be made.
TEST_F(AtalhoWindows, WithoutComTheLinkObjectCannotBeMade) {
    EXPECT_THROW(Cria_atalho(program / "sonterra.exe", "", program.path(), nome_atalho),
                 std::runtime_error);
    EXPECT_FALSE(Existe_atalho(nome_atalho));
}

} // namespace
} // namespace sonterra
