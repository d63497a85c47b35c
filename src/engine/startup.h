#pragma once

namespace tessel {

// The daemon from start to exit: working directory, pid-file lock, the
// engine, detaching, signals, the event loop and the orderly stop. Returns the
// process's exit status.
int servicesmain(int argc, char** argv);

} // namespace tessel
