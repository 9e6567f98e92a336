#pragma once
// One running copy per program folder. The first copy of a folder holds a
// lock that the system drops when the process ends, however it ends, so a
// crash or a power cut leaves nothing that keeps the next start out. The lock
// sits where no operator can remove or replace it, and only an account that
// may change the folder's schedule may ring it: any other is refused, since
// it cannot know whether another copy rings that schedule. A later copy of the
// same account asks the running one to bring its window forward and ends; one
// of another account is told whose copy runs. The setup program of the same
// account asks it to end before it replaces or removes the program. The
// guard's file also keeps the last minute a copy of the schedule rang, so a
// copy started again inside that minute does not ring it twice. Needs no
// session bus. Plain C++, no Qt.

#include "core/rung_minute.h"

#include <functional>
#include <memory>
#include <string>

namespace sonterra {

class SingleInstance : public RungMinuteRecord {
public:
    // Claims programFolder for this process. Where the system cannot say
    // (the folder is missing, or its file system cannot lock), this copy
    // counts as the first: a guard that fails must never keep the bells from
    // ringing.
    explicit SingleInstance(const std::string& programFolder);
    // Stops the watch and releases the folder.
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    bool IsFirst() const;

    // This account may not change the folder's schedule, so it may not ring
    // it either. Not the first copy then.
    bool Refused() const;
    // For Refused(): the group whose members may change the schedule (empty
    // where the folder is one account's alone).
    std::string OperatorsGroup() const;

    // A later copy whose running copy belongs to another account (which this
    // account cannot bring forward).
    bool HeldByAnotherAccount() const;
    // That account's name (its number where it has no name); empty if unknown.
    std::string HolderAccount() const;

    // A later copy: asks the running copy to show its window. False when no
    // running copy of this user answered.
    bool AskRunningCopyToShow() const;
    // Asks the running copy to end as "Sair" ends it, without its question
    // (the setup program on Windows does the same). False when no running
    // copy of this user answered; does not wait for it to end.
    bool AskRunningCopyToQuit() const;

    // The first copy: runs onShowRequest, or onQuitRequest, on a thread of
    // the guard's own, once for each request of a later copy of this account
    // or the setup program (requests made before this call wait). The
    // handlers must only hand the request on (to the main thread).
    void WatchRequests(std::function<void()> onShowRequest, std::function<void()> onQuitRequest);

    // The first copy, main thread: the last minute rung, as the guard's file
    // had it when this copy started or as this copy recorded it since.
    std::string LastMinuteRung() const override;
    void RecordMinuteRung(const std::string& minute) override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace sonterra
