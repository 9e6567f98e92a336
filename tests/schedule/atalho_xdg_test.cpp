// The autostart shortcut as a freedesktop desktop entry.

#include "schedule/atalho.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonterra {
namespace {

namespace fs = std::filesystem;

// Sets (or unsets) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        Apply(value);
    }
    ~ScopedEnv() { Apply(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Apply(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Key=value pairs of the [Desktop Entry] group, values still escaped.
std::map<std::string, std::string> ParseEntry(const std::string& text)
{
    std::map<std::string, std::string> keys;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
}

// String-value unescaping of a desktop entry.
std::string Unescape(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char c = value[++i];
        out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    return out;
}

// Exec argument splitting as a launcher does it, then %% -> %.
std::vector<std::string> SplitExec(const std::string& exec)
{
    std::vector<std::string> args;
    std::string cur;
    bool inArg = false, quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size() && std::string("\"`$\\").find(exec[i + 1]) != std::string::npos)
                cur += exec[++i];
            else if (c == '"')
                quoted = false;
            else
                cur += c;
        } else if (c == ' ') {
            if (inArg)
                args.push_back(cur);
            cur.clear();
            inArg = false;
        } else {
            inArg = true;
            if (c == '"')
                quoted = true;
            else
                cur += c;
        }
    }
    if (inArg)
        args.push_back(cur);
    for (auto& arg : args) {
        std::string plain;
        for (size_t i = 0; i < arg.size(); ++i) {
            plain += arg[i];
            if (arg[i] == '%' && i + 1 < arg.size() && arg[i + 1] == '%')
                ++i;
        }
        arg = plain;
    }
    return args;
}

struct ValidateResult {
    int exitCode;
    std::string output;
};

ValidateResult Validate(const fs::path& file)
{
    const std::string cmd = "desktop-file-validate '" + file.string() + "' 2>&1";
    ValidateResult result{-1, {}};
    FILE* pipe = ::popen(cmd.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 512> buf{};
    while (size_t n = std::fread(buf.data(), 1, buf.size(), pipe))
        result.output.append(buf.data(), n);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class AtalhoXdg : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() /
                ("sonterra-atalho-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "home");
        home_.emplace("HOME", (root_ / "home").string());
        lcTime_.emplace("LC_TIME", std::nullopt);
        config_.emplace("XDG_CONFIG_HOME", (root_ / "config").string());
    }
    void TearDown() override
    {
        config_.reset();
        home_.reset();
        lcTime_.reset();
        fs::remove_all(root_);
    }

    fs::path Shortcut() const { return root_ / "config" / "autostart" / "Quorvel STV2.desktop"; }

    fs::path root_;
    std::optional<ScopedEnv> home_, config_, lcTime_;
};

TEST_F(AtalhoXdg, WritesAValidDesktopEntryInTheAutostartFolder)
{
    EXPECT_EQ(std::string(nome_atalho), "Quorvel STV2");
    EXPECT_EQ(ShortcutPath(nome_atalho), Shortcut().string());
    ASSERT_FALSE(Existe_atalho(nome_atalho));

    Cria_atalho("/opt/sonterra/sonterra", "", "/opt/sonterra/", nome_atalho);

    ASSERT_TRUE(fs::is_regular_file(Shortcut()));
    EXPECT_TRUE(Existe_atalho(nome_atalho));
    const std::string text = ReadFile(Shortcut());
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    const auto keys = ParseEntry(text);
    EXPECT_EQ(keys.at("Type"), "Application");
    EXPECT_EQ(keys.at("Name"), "Quorvel STV2");
    EXPECT_EQ(keys.at("Exec"), "/opt/sonterra/sonterra");
    EXPECT_EQ(keys.at("Path"), "/opt/sonterra/");
    EXPECT_EQ(text.find('\r'), std::string::npos);

    const ValidateResult v = Validate(Shortcut());
    EXPECT_EQ(v.exitCode, 0) << v.output;
    EXPECT_EQ(v.output.find("error"), std::string::npos) << v.output;

    // Nothing but the shortcut is left in the folder (no temporary file).
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(Shortcut().parent_path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(AtalhoXdg, ExecAndPathSurviveAwkwardCharacters)
{
    const std::vector<std::string> targets = {
        "/opt/Escola Central/Son terra/sonterra",
        "/opt/a\"b/sonterra",
        "/opt/$HOME/sonterra",
        "/opt/100%/sonterra %f",
        "/opt/back\\slash/sonterra",
        "/opt/tick`x`/it's (1) & <2>; #3 *?~|/sonterra",
        "/opt/tab\there/sonterra",
    };
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        const std::string folder = fs::path(target).parent_path().string() + "/";
        Cria_atalho(target, "", folder, nome_atalho);

        const auto keys = ParseEntry(ReadFile(Shortcut()));
        const auto args = SplitExec(Unescape(keys.at("Exec")));
        ASSERT_EQ(args.size(), 1u) << keys.at("Exec");
        EXPECT_EQ(args[0], target);
        EXPECT_EQ(Unescape(keys.at("Path")), folder);

        const ValidateResult v = Validate(Shortcut());
        EXPECT_EQ(v.exitCode, 0) << v.output;
        EXPECT_EQ(v.output.find("error"), std::string::npos) << v.output;
    }
}

TEST_F(AtalhoXdg, ArgumentsFollowTheTarget)
{
    Cria_atalho("/opt/s t/sonterra", "--x 50%", "/opt/s t/", nome_atalho);
    const auto args = SplitExec(Unescape(ParseEntry(ReadFile(Shortcut())).at("Exec")));
    EXPECT_EQ(args, (std::vector<std::string>{"/opt/s t/sonterra", "--x", "50%"}));
}

TEST_F(AtalhoXdg, RegionalFormatsGivenToThisRunArePassedOn)
{
    // run.sh starts the program with LC_TIME when the user's own formats
    // would be refused; the next logon must start it the same way.
    lcTime_.emplace("LC_TIME", "pt_BR.UTF-8");
    Cria_atalho("/opt/s t/sonterra", "", "/opt/s t/", nome_atalho);
    const auto args = SplitExec(Unescape(ParseEntry(ReadFile(Shortcut())).at("Exec")));
    EXPECT_EQ(args, (std::vector<std::string>{"env", "LC_TIME=pt_BR.UTF-8", "/opt/s t/sonterra"}));
    const ValidateResult v = Validate(Shortcut());
    EXPECT_EQ(v.exitCode, 0) << v.output;
    EXPECT_EQ(v.output.find("error"), std::string::npos) << v.output;
}

TEST_F(AtalhoXdg, CreatesTheFolderWithParentsAndReplacesTheShortcut)
{
    config_.emplace("XDG_CONFIG_HOME", (root_ / "deep" / "er" / "config").string());
    Cria_atalho("/opt/one/sonterra", "", "/opt/one/", nome_atalho);
    const fs::path file = root_ / "deep" / "er" / "config" / "autostart" / "Quorvel STV2.desktop";
    ASSERT_TRUE(fs::is_regular_file(file));

    Cria_atalho("/opt/two/sonterra", "", "/opt/two/", nome_atalho);
    EXPECT_EQ(ParseEntry(ReadFile(file)).at("Exec"), "/opt/two/sonterra");
}

TEST_F(AtalhoXdg, StartupFolderIsReadAfreshAtEveryCall)
{
    Cria_atalho("/opt/s/sonterra", "", "/opt/s/", nome_atalho);
    EXPECT_TRUE(Existe_atalho(nome_atalho));

    {
        // Without XDG_CONFIG_HOME (or with an empty or relative one) it is ~/.config.
        ScopedEnv unset("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(StartupFolder(), (root_ / "home" / ".config" / "autostart").string());
        EXPECT_FALSE(Existe_atalho(nome_atalho));
        Cria_atalho("/opt/s/sonterra", "", "/opt/s/", nome_atalho);
        EXPECT_TRUE(fs::is_regular_file(root_ / "home" / ".config" / "autostart" / "Quorvel STV2.desktop"));
        EXPECT_TRUE(Existe_atalho(nome_atalho));
    }
    {
        ScopedEnv empty("XDG_CONFIG_HOME", "");
        EXPECT_EQ(StartupFolder(), (root_ / "home" / ".config" / "autostart").string());
    }
    {
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(StartupFolder(), (root_ / "home" / ".config" / "autostart").string());
    }
    {
        // No HOME either: the password database's home folder.
        ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnv noHome("HOME", std::nullopt);
        const passwd* pw = ::getpwuid(::getuid());
        ASSERT_NE(pw, nullptr);
        EXPECT_EQ(StartupFolder(), std::string(pw->pw_dir) + "/.config/autostart");
    }
    // Back to XDG_CONFIG_HOME: deleting there leaves the other one alone.
    Apaga_atalho(nome_atalho);
    EXPECT_FALSE(fs::exists(Shortcut()));
    EXPECT_TRUE(fs::exists(root_ / "home" / ".config" / "autostart" / "Quorvel STV2.desktop"));
}

TEST_F(AtalhoXdg, DeletionAndExistence)
{
    // Nothing there: deleting does nothing and does not fail.
    Apaga_atalho(nome_atalho);
    EXPECT_FALSE(Existe_atalho(nome_atalho));

    Cria_atalho("/opt/s/sonterra", "", "/opt/s/", nome_atalho);
    fs::path other = Shortcut().parent_path() / "Outro.desktop";
    std::ofstream(other) << "[Desktop Entry]\n";
    EXPECT_TRUE(Existe_atalho(nome_atalho));
    EXPECT_TRUE(Existe_atalho("Outro"));

    Apaga_atalho(nome_atalho);
    EXPECT_FALSE(Existe_atalho(nome_atalho));
    EXPECT_FALSE(fs::exists(Shortcut()));
    EXPECT_TRUE(fs::exists(other));

    // A folder of that name is not a shortcut.
    fs::create_directories(Shortcut());
    EXPECT_FALSE(Existe_atalho(nome_atalho));
}

TEST_F(AtalhoXdg, FailuresToSaveOrDeleteAreSilent)
{
    // The autostart "folder" is a file: nothing can be written below it.
    fs::create_directories(root_ / "config");
    std::ofstream(root_ / "config" / "autostart") << "not a folder";
    EXPECT_NO_THROW(Cria_atalho("/opt/s/sonterra", "", "/opt/s/", nome_atalho));
    EXPECT_FALSE(Existe_atalho(nome_atalho));
    EXPECT_NO_THROW(Apaga_atalho(nome_atalho));
    EXPECT_EQ(ReadFile(root_ / "config" / "autostart"), "not a folder");
}

} // namespace
} // namespace sonterra
