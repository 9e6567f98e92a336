// The autostart shortcut as a freedesktop desktop entry.

#include "schedule/atalho.h"
#include "schedule/desktop_entry_xdg.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sonterra {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Key=value pairs of the [Desktop Entry] group, values still escaped.
std::map<std::string, std::string> ParseEntry(const std::string& text) {
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
std::string Unescape(const std::string& value) {
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
std::vector<std::string> SplitExec(const std::string& exec) {
    std::vector<std::string> args;
    std::string cur;
    bool inArg = false, quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size() &&
                std::string("\"`$\\").find(exec[i + 1]) != std::string::npos)
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

struct ToolResult {
    int exitCode;
    std::string output;
};

// Runs a tool with its arguments as they are (no shell), output and errors
// together.
ToolResult RunTool(const std::vector<std::string>& argv) {
    ToolResult result{-1, {}};
    int fds[2];
    if (::pipe(fds) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::array<char, 512> buf{};
    for (ssize_t n; (n = ::read(fds[0], buf.data(), buf.size())) > 0;)
        result.output.append(buf.data(), static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    if (spawned == 0 && ::waitpid(pid, &status, 0) == pid)
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

ToolResult Validate(const fs::path& file) {
    return RunTool({"desktop-file-validate", file.string()});
}

class AtalhoXdg : public ::testing::Test {
protected:
    void SetUp() override {
        temp_ = std::make_unique<test::TemporaryFolder>("sonterra-atalho");
        root_ = temp_->path();
        fs::create_directories(root_ / "home");
        home_.emplace("HOME", (root_ / "home").string());
        lcTime_.emplace("LC_TIME", std::nullopt);
        config_.emplace("XDG_CONFIG_HOME", (root_ / "config").string());
    }
    void TearDown() override {
        config_.reset();
        home_.reset();
        lcTime_.reset();
        temp_.reset();
    }

    fs::path Shortcut() const { return root_ / "config" / "autostart" / "Quorvel STV2.desktop"; }

    std::unique_ptr<test::TemporaryFolder> temp_;
    fs::path root_;
    std::optional<test::ScopedEnv> home_, config_, lcTime_;
};

TEST_F(AtalhoXdg, WritesAValidDesktopEntryInTheAutostartFolder) {
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
    EXPECT_EQ(keys.at("TryExec"), "/opt/sonterra/sonterra"); // skipped once it is gone
    EXPECT_EQ(keys.at("Path"), "/opt/sonterra/");
    EXPECT_EQ(keys.at("Icon"), "sonterra");
    EXPECT_EQ(text.find('\r'), std::string::npos);

    const ToolResult v = Validate(Shortcut());
    EXPECT_EQ(v.exitCode, 0) << v.output;
    EXPECT_EQ(v.output.find("error"), std::string::npos) << v.output;

    // Nothing but the shortcut is left in the folder (no temporary file).
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(Shortcut().parent_path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(AtalhoXdg, ExecAndPathSurviveAwkwardCharacters) {
    // A folder that systemd's generator would not hand on whole through Path
    // (quotes, "%", bytes above ASCII) is entered by env; a target with "%"
    // cannot come first, because launchers look it up before "%%" becomes "%".
    const std::vector<std::pair<std::string, bool>> targets = {
        {"/opt/Escola Central/Son terra/sonterra", true},
        {"/opt/a\"b/sonterra", false},
        {"/opt/100%/sonterra %f", false},
        {"/opt/tick`x`/it's (1) & <2>; #3 *?~|/sonterra", false},
        {"/srv/a=b/sonterra", true},
        {"/home/escola/\xc3\x81rea de Trabalho/sonterra", false},
    };
    for (const auto& [target, throughPath] : targets) {
        SCOPED_TRACE(target);
        const std::string folder = fs::path(target).parent_path().string() + "/";
        Cria_atalho(target, "", folder, nome_atalho);

        const auto keys = ParseEntry(ReadFile(Shortcut()));
        const auto args = SplitExec(Unescape(keys.at("Exec")));
        // Read back as "Ativar" reads it, to tell whether to write it again.
        EXPECT_EQ(DesktopEntryProgram(ReadFile(Shortcut())).program, target);
        EXPECT_EQ(DesktopEntryProgram(ReadFile(Shortcut())).folder, folder);
        if (IsLiteralInDesktopEntry(target)) {
            EXPECT_EQ(Unescape(keys.at("TryExec")), target);
        }
        if (throughPath) {
            EXPECT_EQ(args, std::vector<std::string>{target}) << keys.at("Exec");
            EXPECT_EQ(Unescape(keys.at("Path")), folder);
        } else {
            EXPECT_EQ(args, (std::vector<std::string>{"env", "-C", folder, target}))
                << keys.at("Exec");
            EXPECT_EQ(keys.count("Path"), 0u);
        }

        const ToolResult v = Validate(Shortcut());
        EXPECT_EQ(v.exitCode, 0) << v.output;
        EXPECT_EQ(v.output.find("error"), std::string::npos) << v.output;
    }
}

TEST_F(AtalhoXdg, ArgumentsFollowTheTarget) {
    Cria_atalho("/opt/s t/sonterra", "--x 50%", "/opt/s t/", nome_atalho);
    const auto args = SplitExec(Unescape(ParseEntry(ReadFile(Shortcut())).at("Exec")));
    EXPECT_EQ(args, (std::vector<std::string>{"/opt/s t/sonterra", "--x", "50%"}));
}

TEST_F(AtalhoXdg, RegionalFormatsGivenToThisRunArePassedOn) {
    // run.sh starts the program with LC_TIME when the user's own formats
    // would be refused; the next logon must start it the same way.
    lcTime_.emplace("LC_TIME", "pt_BR.UTF-8");
    Cria_atalho("/opt/s t/sonterra", "", "/opt/s t/", nome_atalho);
    const auto args = SplitExec(Unescape(ParseEntry(ReadFile(Shortcut())).at("Exec")));
    // LC_ALL, which a session may set, would win over it.
    EXPECT_EQ(args, (std::vector<std::string>{"env", "-C", "/opt/s t/", "-u", "LC_ALL",
                                              "LC_TIME=pt_BR.UTF-8", "/opt/s t/sonterra"}));
    const ToolResult v = Validate(Shortcut());
    EXPECT_EQ(v.exitCode, 0) << v.output;
    EXPECT_EQ(v.output.find("error"), std::string::npos) << v.output;
}

// What a stand-in for the program saw when a launcher started it: its own
// path, its working folder, LC_TIME, LC_ALL and its arguments.
struct Started {
    std::string self, folder, lcTime, lcAll;
    std::vector<std::string> args;
};

// Places a stand-in program at target that records how it was started.
void PlaceStandIn(const fs::path& target, const fs::path& record) {
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary)
        << "#!/bin/sh\n"
           "printf '%s\\0' \"$0\" \"$(pwd -P)/\" \"${LC_TIME-unset}\" \"${LC_ALL-unset}\" \"$@\" > "
           "'"
        << record.string() << ".part' && mv '" << record.string() << ".part' '" << record.string()
        << "'\n";
    fs::permissions(target, fs::perms::owner_all);
}

// Waits for the stand-in's record and reads it.
std::optional<Started> ReadRecord(const fs::path& record) {
    for (int i = 0; i < 200 && !fs::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!fs::exists(record))
        return std::nullopt;
    std::vector<std::string> fields;
    std::istringstream in(ReadFile(record));
    for (std::string field; std::getline(in, field, '\0');)
        fields.push_back(field);
    if (fields.size() < 4)
        return std::nullopt;
    return Started{fields[0], fields[1], fields[2], fields[3], {fields.begin() + 4, fields.end()}};
}

// Starts the entry the way a session does at logon (GLib's launcher, as the
// GNOME and Xfce sessions use it) and reads what the stand-in recorded.
std::optional<Started> LaunchThroughGio(const fs::path& entry, const fs::path& record,
                                        std::string& log) {
    fs::remove(record);
    // Without this run's LC_TIME: only the entry may give it to the program.
    const ToolResult launch = RunTool({"env", "-u", "LC_TIME", "gio", "launch", entry.string()});
    log = launch.output;
    if (launch.exitCode != 0)
        return std::nullopt;
    // gio returns once the program is spawned; the record follows shortly.
    return ReadRecord(record);
}

// ExecStart= as the service manager reads it: the prefixes, "%%" for "%",
// then words apart at blanks, "..." and '...' quoting and C escapes (an
// unknown escape stays as written). Units of the generator carry ":", so no
// "$" is expanded; anything else is not read here.
std::optional<std::vector<std::string>> SystemdCommand(const std::string& value) {
    std::size_t i = 0;
    bool noVariables = false;
    for (; i < value.size() && std::string("-:+!").find(value[i]) != std::string::npos; ++i)
        noVariables = noVariables || value[i] == ':';
    std::string line;
    for (; i < value.size(); ++i) {
        if (value[i] == '%') {
            if (i + 1 == value.size() || value[i + 1] != '%')
                return std::nullopt;
            ++i;
        }
        line += value[i];
    }
    if (!noVariables && line.find('$') != std::string::npos)
        return std::nullopt;
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (std::size_t k = 0; k < line.size(); ++k) {
        const char c = line[k];
        if (!quote && (c == ' ' || c == '\t')) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (!quote && (c == '"' || c == '\'')) {
            quote = c;
        } else if (quote && c == quote) {
            quote = 0;
        } else if (c == '\\' && k + 1 < line.size()) {
            const char e = line[++k];
            const std::string simple = "abfnrtv\\\"'s";
            const std::string meaning = "\a\b\f\n\r\t\v\\\"' ";
            if (const auto at = simple.find(e); at != std::string::npos)
                word += meaning[at];
            else if (e == 'x' && k + 2 < line.size() && std::isxdigit(line[k + 1]) &&
                     std::isxdigit(line[k + 2]))
                word += static_cast<char>(std::stoi(line.substr(k + 1, 2), nullptr, 16)), k += 2;
            else if (e >= '0' && e <= '7' && k + 2 < line.size())
                word += static_cast<char>(std::stoi(line.substr(k, 3), nullptr, 8)), k += 2;
            else
                word += std::string{'\\', e};
        } else {
            word += c;
        }
    }
    if (quote)
        return std::nullopt;
    if (inWord)
        words.push_back(word);
    return words;
}

constexpr const char* kGenerator =
    "/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator";

// Starts the entry the way systemd does at logon (Debian 12's GNOME and KDE
// sessions): the autostart generator turns it into a unit, which
// systemd-analyze must find nothing to say about, and its ExecStart runs in
// its WorkingDirectory as the user manager would run it.
std::optional<Started> LaunchThroughSystemd(const fs::path& configHome, const fs::path& work,
                                            const fs::path& record, std::string& log) {
    fs::remove(record);
    const fs::path units = work / "units";
    fs::remove_all(units);
    fs::create_directories(units);
    // Short: the user manager's socket units live below it, and a long path
    // makes systemd-analyze speak of them.
    char runtimeName[] = "/tmp/sa-XXXXXX";
    if (!::mkdtemp(runtimeName))
        return std::nullopt;
    const fs::path runtime = runtimeName;
    const ToolResult generated = RunTool({"env", "XDG_CONFIG_HOME=" + configHome.string(),
                                          "XDG_CONFIG_DIRS=" + (work / "none").string(), kGenerator,
                                          units.string(), units.string(), units.string()});
    log = generated.output;
    std::vector<fs::path> services;
    for (const auto& e : fs::directory_iterator(units))
        if (e.path().extension() == ".service")
            services.push_back(e.path());
    if (generated.exitCode != 0 || services.size() != 1)
        return std::nullopt;
    const std::string unit = ReadFile(services[0]);
    log += unit;

    const ToolResult verify =
        RunTool({"env", "XDG_RUNTIME_DIR=" + runtime.string(), "systemd-analyze", "--user",
                 "--man=no", "verify", services[0].string()});
    fs::remove_all(runtime);
    if (verify.exitCode != 0 || !verify.output.empty()) {
        log += "systemd-analyze verify: " + verify.output;
        return std::nullopt;
    }

    const auto keys = ParseEntry(unit);
    if (!keys.count("ExecStart"))
        return std::nullopt;
    const auto command = SystemdCommand(keys.at("ExecStart"));
    if (!command || command->empty())
        return std::nullopt;
    // Without WorkingDirectory, or with a missing one marked "-", a user
    // service starts in the home folder.
    std::string folder = std::getenv("HOME");
    if (keys.count("WorkingDirectory")) {
        std::string wd = keys.at("WorkingDirectory");
        const bool missingOk = !wd.empty() && wd[0] == '-';
        if (missingOk)
            wd.erase(0, 1);
        if (fs::is_directory(wd))
            folder = wd;
        else if (!missingOk)
            return std::nullopt;
    }
    std::vector<char*> argv;
    for (const std::string& a : *command)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) == 0)
            ::execve(argv[0], argv.data(), environ);
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return ReadRecord(record);
}

TEST_F(AtalhoXdg, ARealLauncherStartsTheProgramWhateverItsPathHolds) {
    // Folder names that broke the entry: "=" after env, Latin-1 bytes (the
    // file must be UTF-8), control characters; and the shell's own specials.
    const std::vector<std::string> folders = {
        "a=b",
        "Fran\xe7"
        "a",
        "Escola S\xe3o Jos\xe9=1",
        "tab\there",
        "line\nbreak",
        "it's \"$HOME\" `x` 100% back\\slash \\0101 ;|&",
        "Fran\xc3\xa7"
        "a x",
        "\xc3\x81rea de Trabalho",
    };
    const fs::path record = root_ / "started";
    // The session's own LC_ALL would win over the LC_TIME the entry passes.
    const test::ScopedEnv lcAll("LC_ALL", "en_US.UTF-8");
    ASSERT_TRUE(fs::exists(kGenerator)) << "scripts/install-deps.sh installs systemd";
    for (const std::string& lcTime : {std::string(), std::string("pt_BR.UTF-8")}) {
        lcTime_.emplace("LC_TIME", lcTime.empty() ? std::nullopt : std::optional(lcTime));
        for (const std::string& name : folders) {
            const std::string folder = (root_ / "prog" / name).string() + "/";
            const std::string target = folder + "sonterra";
            SCOPED_TRACE("target " + target + ", LC_TIME " + lcTime);
            PlaceStandIn(target, record);
            Cria_atalho(target, "", folder, nome_atalho);

            const std::string text = ReadFile(Shortcut());
            // Read back as the installers read it (sonterra-entry).
            EXPECT_EQ(DesktopEntryProgram(text).program, target) << text;
            EXPECT_EQ(DesktopEntryProgram(text).folder, folder) << text;
            const ToolResult v = Validate(Shortcut());
            EXPECT_EQ(v.exitCode, 0) << v.output;
            EXPECT_EQ(v.output, "") << text; // a file that is not UTF-8 is warned about

            const test::ScopedEnv noLcTime("LC_TIME", std::nullopt); // only the entry may give it
            for (const bool systemd : {false, true}) {
                SCOPED_TRACE(systemd ? "systemd-xdg-autostart-generator" : "gio launch");
                std::string log;
                const auto started =
                    systemd ? LaunchThroughSystemd(root_ / "config", root_, record, log)
                            : LaunchThroughGio(Shortcut(), record, log);
                ASSERT_TRUE(started) << log << text;
                EXPECT_EQ(started->self, target) << text << log;
                EXPECT_EQ(started->folder, folder) << text << log;
                EXPECT_EQ(started->lcTime, lcTime.empty() ? "unset" : lcTime) << text << log;
                EXPECT_EQ(started->lcAll, lcTime.empty() ? "en_US.UTF-8" : "unset") << text << log;
                EXPECT_TRUE(started->args.empty()) << text;
            }
        }
    }
}

TEST_F(AtalhoXdg, CreatesTheFolderWithParentsAndReplacesTheShortcut) {
    config_.emplace("XDG_CONFIG_HOME", (root_ / "deep" / "er" / "config").string());
    Cria_atalho("/opt/one/sonterra", "", "/opt/one/", nome_atalho);
    const fs::path file = root_ / "deep" / "er" / "config" / "autostart" / "Quorvel STV2.desktop";
    ASSERT_TRUE(fs::is_regular_file(file));

    Cria_atalho("/opt/two/sonterra", "", "/opt/two/", nome_atalho);
    EXPECT_EQ(ParseEntry(ReadFile(file)).at("Exec"), "/opt/two/sonterra");
}

TEST_F(AtalhoXdg, StartupFolderIsReadAfreshAtEveryCall) {
    Cria_atalho("/opt/s/sonterra", "", "/opt/s/", nome_atalho);
    EXPECT_TRUE(Existe_atalho(nome_atalho));

    {
        // Without XDG_CONFIG_HOME (or with an empty or relative one) it is ~/.config.
        test::ScopedEnv unset("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(StartupFolder(), (root_ / "home" / ".config" / "autostart").string());
        EXPECT_FALSE(Existe_atalho(nome_atalho));
        Cria_atalho("/opt/s/sonterra", "", "/opt/s/", nome_atalho);
        EXPECT_TRUE(
            fs::is_regular_file(root_ / "home" / ".config" / "autostart" / "Quorvel STV2.desktop"));
        EXPECT_TRUE(Existe_atalho(nome_atalho));
    }
    {
        test::ScopedEnv empty("XDG_CONFIG_HOME", "");
        EXPECT_EQ(StartupFolder(), (root_ / "home" / ".config" / "autostart").string());
    }
    {
        test::ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(StartupFolder(), (root_ / "home" / ".config" / "autostart").string());
    }
    {
        // No HOME either: the password database's home folder.
        test::ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
        test::ScopedEnv noHome("HOME", std::nullopt);
        const passwd* pw = ::getpwuid(::getuid());
        ASSERT_NE(pw, nullptr);
        EXPECT_EQ(StartupFolder(), std::string(pw->pw_dir) + "/.config/autostart");
    }
    // Back to XDG_CONFIG_HOME: deleting there leaves the other one alone.
    Apaga_atalho(nome_atalho);
    EXPECT_FALSE(fs::exists(Shortcut()));
    EXPECT_TRUE(fs::exists(root_ / "home" / ".config" / "autostart" / "Quorvel STV2.desktop"));
}

TEST_F(AtalhoXdg, DeletionAndExistence) {
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

TEST_F(AtalhoXdg, FailuresToSaveOrDeleteAreSilent) {
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
