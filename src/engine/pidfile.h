#pragma once

#include <string>

namespace tessel {

// The lock that keeps a second instance from running in the same directory.
// The file is opened, locked and truncated through one descriptor, and that
// descriptor stays open and locked until remove(), so no other instance can
// take the lock in between.
class tpidfile {
public:
    explicit tpidfile(std::string path) : path_(std::move(path)) {}
    ~tpidfile();
    tpidfile(const tpidfile&) = delete;
    tpidfile& operator=(const tpidfile&) = delete;

    // False when the file can be neither opened nor created, or another
    // process holds the lock; the file is then left untouched.
    bool lock();
    // Writes the decimal process id and a line end over the file's content.
    void writepid(long pid);
    // Closes and deletes the file; errors are ignored.
    void remove();

private:
    std::string path_;
    int fd_ = -1;
};

// The pid file of the running daemon, for the stops that end the process
// outside the orderly shutdown. None in the test programs.
extern tpidfile* activepidfile;

} // namespace tessel
