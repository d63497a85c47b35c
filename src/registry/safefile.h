#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tessel {

// The steps of replacing a file, in the order they happen.
enum class safefilestep { open, write, sync, close, rename, syncdir };

// Test seam: when set, it is asked before every step and a non-zero result is
// taken as the errno with which that step failed. Production leaves it unset.
using safefilefault = std::function<int(safefilestep step, const std::string& path)>;
void setsafefilefault(safefilefault hook);

// Replaces a file so that a crash or an I/O error at any moment leaves either
// the complete old file or the complete new one. The content goes to
// "<path>.tmp" in the same directory (created 0600: the databases hold
// password digests), every write and the close are checked, the data is
// synced, the temporary is renamed over the target and the directory entry is
// synced. Until commit() succeeds the target is not touched; a writer that is
// destroyed without a successful commit removes its temporary.
class tsafefile {
public:
    explicit tsafefile(std::string path);
    ~tsafefile();
    tsafefile(const tsafefile&) = delete;
    tsafefile& operator=(const tsafefile&) = delete;

    bool open();
    // Buffered; after the first failure further writes are dropped and
    // commit() reports that failure.
    void write(std::string_view text);
    // text followed by LF.
    void line(std::string_view text);
    bool commit();

    bool ok() const { return error_.empty(); }
    // The step that failed and the system's reason, e.g. "write: No space left on device".
    const std::string& error() const { return error_; }

private:
    bool flush();
    bool fail(safefilestep step, int err);
    bool injected(safefilestep step);
    bool step(safefilestep which, const std::function<int()>& call);
    void discard();

    std::string path_;
    std::string temp_;
    std::string buffer_;
    std::string error_;
    int fd_ = -1;
    bool tempexists_ = false;
};

} // namespace tessel
