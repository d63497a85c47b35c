#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "support/tempdir.h"

namespace tesseltest {

// A private directory holding a symbolic link to the built daemon, so the
// daemon runs with that directory as its working directory, and the
// processes started from it. Whatever is still running at the end is killed.
class DaemonDir : public TempDir {
public:
    DaemonDir();
    ~DaemonDir();

    // Starts the daemon with these arguments (after argument 0, the link's
    // path); its standard output and error go to "output.txt".
    pid_t start(const std::vector<std::string>& args);
    // Exit status of a started process, -1 if it has not ended in time
    // (-2 when it ended by a signal).
    int waitexit(pid_t pid, int seconds);
    // The pid in tesselsv.pid, 0 while there is none.
    pid_t pidfromfile() const;
    // Waits until the file contains the text; false on timeout.
    bool waitforfile(const std::string& name, const std::string& text, int seconds) const;
    // Waits until the file is gone; false on timeout.
    bool waitgone(const std::string& name, int seconds) const;
    // Waits for the daemon of the pid file to end; false on timeout.
    bool waitdaemongone(pid_t pid, int seconds) const;

private:
    std::vector<pid_t> started_;
};

// Polls until the condition holds; false if it did not within the deadline.
bool waitfor(const std::function<bool()>& condition, int seconds);

// True while a process with this id exists (and is not a zombie of ours).
bool processalive(pid_t pid);

// Waits until a signal sent to the process is no longer pending, so its
// handler has run; false on timeout.
bool signalhandled(pid_t pid, int signum, int seconds);

} // namespace tesseltest
