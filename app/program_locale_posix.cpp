#include "app/program_locale.h"

#include "core/application.h"

#include <clocale>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace sonterra {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

void UseProgramLocaleWhereMissing() {
    if (std::setlocale(LC_TIME, "") != nullptr)
        return; // the system has it: nothing of ours is needed
    std::string name = Env("LC_ALL");
    if (name.empty())
        name = Env("LC_TIME");
    if (name.empty())
        name = Env("LANG");
    if (name.empty() || name.find('/') != std::string::npos || name.front() == '.')
        return;
    const std::string file = ProgramFileName();
    const std::string folder = file.substr(0, file.rfind('/') + 1) + "locale";
    struct stat st {};
    if (::stat((folder + "/" + name + "/LC_TIME").c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    // Runs before any thread. LOCPATH hides the system's compiled locales
    // from every category, so the others take C.UTF-8, built into the C
    // library: text stays UTF-8 and nothing fails to load.
    ::setenv("LOCPATH", folder.c_str(), 1);
    ::setenv("LC_TIME", name.c_str(), 1);
    ::setenv("LANG", "C.UTF-8", 1);
    for (const char* other : {"LC_ALL", "LC_CTYPE", "LC_NUMERIC", "LC_COLLATE", "LC_MONETARY",
                              "LC_MESSAGES", "LC_PAPER", "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE",
                              "LC_MEASUREMENT", "LC_IDENTIFICATION"})
        ::unsetenv(other);
}

} // namespace sonterra
