#pragma once
// Another account, for tests run as root: a child process that drops to user
// `uid` (in `group` or outside it), runs a job and reports one byte back.
// The child lives, holding whatever the job opened, until the Account ends.
// Needs no entry in the password file.

#include <functional>

#include <grp.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonterra::test {

class Account {
public:
    Account(uid_t uid, gid_t group, bool member, const std::function<char()>& job) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            const gid_t own = 64000;
            char answer = 'x';
            if (::setgroups(member ? 1 : 0, &group) == 0 && ::setresgid(own, own, own) == 0 &&
                ::setresuid(uid, uid, uid) == 0)
                answer = job();
            [[maybe_unused]] const ssize_t n = ::write(fds[1], &answer, 1);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        if (::read(fds[0], &answer_, 1) != 1)
            answer_ = '?';
        ::close(fds[0]);
    }
    ~Account() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Account(const Account&) = delete;
    Account& operator=(const Account&) = delete;
    char answer() const { return answer_; }

private:
    pid_t pid_ = -1;
    char answer_ = '?';
};

} // namespace sonterra::test
