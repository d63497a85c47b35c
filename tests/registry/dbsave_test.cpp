// Saving must leave either the old or the new file, never a damaged one.
#include <cerrno>
#include <sys/stat.h>

#include "dbtest.h"

using namespace tessel;

namespace tesseltest {
namespace {

const char* const kOld[3] = {"nick=Old\n", "channel=#old\n", "BootTime=1\n"};

// Enough records that the nick file is written in several pieces.
void manynicks(TForm1& f) {
    for (int i = 0; i < 3000; ++i)
        addnick(f, i, "nick" + std::to_string(i)).gecos = "g";
}

} // namespace

TEST_F(DbTest, FailedSaveKeepsTheOldFile) {
    struct Case {
        safefilestep step;
        int call; // which call of that step fails (1 = first)
        const char* reason;
    };
    const Case cases[] = {
        {safefilestep::open, 1, "open: No space left on device"},
        {safefilestep::write, 1, "write: No space left on device"},
        {safefilestep::write, 2, "write: No space left on device"}, // after a first piece landed
        {safefilestep::sync, 1, "sync: No space left on device"},
        {safefilestep::close, 1, "close: No space left on device"},
        {safefilestep::rename, 1, "rename: No space left on device"},
    };
    manynicks(*form);
    form->clock.boottime = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason + std::string(" call ") + std::to_string(c.call));
        for (int i = 0; i < 3; ++i)
            dir.write(kDbFileNames[i], kOld[i]);
        std::remove("test.log");
        closelog(*form);
        openlog(*form);
        int calls = 0;
        setsafefilefault([&](safefilestep step, const std::string& path) {
            return path == "nickserv.db" && step == c.step && ++calls == c.call ? ENOSPC : 0;
        });

        EXPECT_FALSE(form->SAVEDB());

        EXPECT_EQ(dir.read("nickserv.db"), kOld[0]);
        EXPECT_FALSE(dir.exists("nickserv.db.tmp"));
        EXPECT_NE(
            logtext().find("] Database not saved: nickserv.db: " + std::string(c.reason) + "\n"),
            std::string::npos)
            << logtext();
        // The other databases are saved all the same.
        EXPECT_EQ(dir.read("chanserv.db"), "# CHANSERV DATABASE\n\n");
        EXPECT_EQ(dir.read("operserv.db"), "BootTime=2\n\n\n\n");
    }
    // The next save tries again.
    setsafefilefault(nullptr);
    EXPECT_TRUE(form->SAVEDB());
    EXPECT_EQ(dir.read("nickserv.db").rfind("# NICKSERV DATABASE\n\nnick=nick0\n", 0), 0u);
    form->LOADNICKSERV();
    EXPECT_EQ(form->reg.nickcount, 3000);
}

TEST_F(DbTest, DirectorySyncFailureIsReportedAfterTheFileIsReplaced) {
    dir.write("operserv.db", kOld[2]);
    form->clock.boottime = 3;
    setsafefilefault([](safefilestep step, const std::string& path) {
        return path == "operserv.db" && step == safefilestep::syncdir ? EIO : 0;
    });
    EXPECT_FALSE(form->SAVEDB());
    EXPECT_EQ(dir.read("operserv.db"), "BootTime=3\n\n\n\n");
    EXPECT_NE(logtext().find("Database not saved: operserv.db: sync directory: Input/output error"),
              std::string::npos);
}

TEST_F(DbTest, FilesAreOwnerOnly) {
    for (int i = 0; i < 3; ++i) {
        dir.write(kDbFileNames[i], kOld[i]);
        ::chmod(kDbFileNames[i], 0644);
    }
    const mode_t umask = ::umask(0);
    const bool saved = form->SAVEDB();
    ::umask(umask);
    ASSERT_TRUE(saved);
    for (const char* name : kDbFileNames) {
        struct stat st {};
        ASSERT_EQ(::stat(name, &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
}

TEST_F(DbTest, StaleTemporaryIsReplaced) {
    // A crash between writing and renaming leaves the temporary behind; a
    // link there must not redirect the next save.
    dir.write("elsewhere", "untouched");
    ASSERT_EQ(::symlink("elsewhere", "nickserv.db.tmp"), 0);
    addnick(*form, 0, "Ann");
    ASSERT_TRUE(form->SAVEDB());
    EXPECT_EQ(dir.read("elsewhere"), "untouched");
    EXPECT_FALSE(dir.exists("nickserv.db.tmp"));
    form->LOADNICKSERV();
    EXPECT_EQ(form->GETNS("Ann"), 0);
}

TEST_F(DbTest, UnreadableDatabaseIsNotOverwritten) {
    const std::string file = "# NICKSERV DATABASE\n\nnick=Ann\npass=p\n\nnick=Bob\n\n";
    dir.write("nickserv.db", file);
    setdbreadfault([](const std::string& path) { return path == "nickserv.db" ? EIO : 0; });
    form->LOADDB();
    EXPECT_EQ(form->reg.nickcount, 0);
    EXPECT_NE(logtext().find("Database not loaded: nickserv.db: read: Input/output error"),
              std::string::npos);

    // Saving now would replace two registrations by none.
    EXPECT_FALSE(form->SAVEDB());
    EXPECT_EQ(dir.read("nickserv.db"), file);
    EXPECT_NE(logtext().find("Database not saved: nickserv.db: it could not be read"),
              std::string::npos);
    EXPECT_EQ(dir.read("chanserv.db"), "# CHANSERV DATABASE\n\n");

    // Once it reads again, saving resumes.
    setdbreadfault(nullptr);
    form->LOADDB();
    EXPECT_EQ(form->reg.nickcount, 2);
    EXPECT_TRUE(form->SAVEDB());
}

} // namespace tesseltest
