#include "eventcore/component.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "eventcore/socket.h"
#include "loopfixture.h"

using namespace tessel;
using tessel::testing::LoopTest;
using tessel::testing::watchdog;

namespace {

class ComponentTest : public LoopTest {};

class tracked : public TComponent {
public:
    tracked(TComponent* owner, std::string& log, char name)
        : TComponent(owner), log_(log), name_(name) {}
    ~tracked() override { log_ += name_; }

private:
    std::string& log_;
    char name_;
};

} // namespace

TEST(Tcomponent, AnOwnerDestroysWhatItOwnsNewestFirstAndAFreedChildLeavesIt) {
    std::string log;
    auto* owner = new tracked(nullptr, log, 'O');
    new tracked(owner, log, 'a');
    auto* b = new tracked(owner, log, 'b');
    new tracked(owner, log, 'c');
    delete b;
    EXPECT_EQ(log, "b");
    delete owner;
    EXPECT_EQ(log, "bOca");
}

// Destroying an open socket closes its descriptor without reporting onclosed.
TEST_F(ComponentTest, DestroyingAnOpenSocketClosesItSilently) {
    auto* owner = new TComponent;
    auto* s = new TLsocket(owner);
    auto* t = new tltimer(owner);
    (void)t;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    s->attachfd(fds[0]);
    bool closed = false;
    s->onclosed = [&](tlasio*, uint16_t) { closed = true; };
    delete owner;
    EXPECT_FALSE(closed);
    EXPECT_EQ(::fcntl(fds[0], F_GETFD), -1) << "the descriptor is still open";
    EXPECT_EQ(loopstate().fdowner[fds[0]], nullptr);
    EXPECT_FALSE(loopstate().readset.has(fds[0]));
    ::close(fds[1]);
}

// A socket marked for freeing inside its own handler stays usable for the
// rest of the iteration and is destroyed at its end.
TEST_F(ComponentTest, ASocketMarkedForFreeingLivesToTheEndOfTheIteration) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    auto* s = new TLsocket;
    s->attachfd(fds[0]);
    std::string got;
    s->ondata = [&](tlasio* sender, uint16_t) {
        sender->markforfree();
        got += sender->receivetext();
        sender->closeconnection();
    };
    ASSERT_EQ(::write(fds[1], "bye", 3), 3);
    bool gone = false;
    tltimer check;
    check.interval = 20;
    check.nextfire = addmillis(timernow(), 20);
    check.ontimer = [&](tltimer*) {
        gone = loopstate().asiolist == loopstate().loopback;
        requestexit();
    };
    watchdog dog(3000);
    runloop();
    EXPECT_EQ(got, "bye");
    EXPECT_TRUE(gone);
    ::close(fds[1]);
}
