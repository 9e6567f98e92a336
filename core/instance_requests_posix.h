#pragma once
// The show and quit requests between copies of one program folder, over unix
// sockets of the account's own: a socket in its private runtime folder where
// it has one (no other account can reach or take the name), else an abstract
// one. Either way both ends check that the other is the same account, so a
// name another account took first is never answered nor obeyed.

#include <string>

#include <sys/stat.h>

namespace sonterra {

class RequestSocket {
public:
    // request: "show" or "quit"; folder: the program folder's identity.
    RequestSocket(const char* request, const struct stat& folder);
    ~RequestSocket();
    RequestSocket(const RequestSocket&) = delete;
    RequestSocket& operator=(const RequestSocket&) = delete;

    // The running copy: listens for the request; false when it cannot.
    bool Listen();
    int fd() const { return fd_; }
    // Takes one waiting request; true when it came from this account.
    bool AcceptFromThisAccount() const;

    // A later copy: makes the request of the running copy of this account,
    // waiting a moment for one that is still starting.
    bool Send() const;

private:
    std::string path_; // empty: the abstract name
    std::string name_;
    int fd_ = -1;
};

} // namespace sonterra
