#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "engine/tform1.h"
#include "registry/dbreader.h"
#include "registry/safefile.h"
#include "state/tableops.h"
#include "support/tempdir.h"

namespace tessel {

// Memos compared in failures read as text.
inline void PrintTo(const tmemo& m, std::ostream* os) {
    *os << "{" << ::testing::PrintToString(m.sender) << ", " << m.sent << ", "
        << ::testing::PrintToString(m.text) << "}";
}

} // namespace tessel

namespace tesseltest {

// A registration in a chosen slot, as REGISTER leaves it.
inline tessel::Tnickserv& addnick(tessel::TForm1& f, int32_t slot, const std::string& name) {
    tessel::newrecord(f.reg.nicks, slot);
    f.SETNS(slot, name);
    return f.reg.nicks[slot];
}

inline tessel::Tchanserv& addchan(tessel::TForm1& f, int32_t slot, const std::string& name) {
    tessel::newrecord(f.reg.chans, slot);
    f.SETCS(slot, name);
    return f.reg.chans[slot];
}

// An engine working in a fresh temporary directory, where the databases live,
// with the database log category written to "test.log".
class DbTest : public ::testing::Test {
protected:
    DbTest() { openlog(*form); }
    ~DbTest() override {
        closelog(*form);
        if (second) closelog(*second);
        tessel::setsafefilefault(nullptr);
        tessel::setdbreadfault(nullptr);
    }

    static void openlog(tessel::TForm1& f) {
        f.cfg.logmask = tessel::kLogDatabase;
        f.log.logfile = std::fopen("test.log", "a");
        f.log.logopen = f.log.logfile != nullptr;
    }
    static void closelog(tessel::TForm1& f) {
        if (f.log.logfile) std::fclose(f.log.logfile);
        f.log.logfile = nullptr;
        f.log.logopen = false;
    }
    // A second engine, as after a restart, in the same directory.
    tessel::TForm1& restart() {
        closelog(*form);
        second = std::make_unique<tessel::TForm1>();
        openlog(*second);
        return *second;
    }

    std::string logtext() const { return dir.read("test.log"); }

    TempDir dir;
    WorkingDir cwd{dir.path()};
    std::unique_ptr<tessel::TForm1> form = std::make_unique<tessel::TForm1>();
    std::unique_ptr<tessel::TForm1> second;
};

} // namespace tesseltest
