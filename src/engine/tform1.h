#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/config.h"
#include "p10/linewords.h"
#include "registry/databases.h"
#include "registry/operdata.h"
#include "registry/records.h"
#include "state/records.h"
#include "state/rectable.h"

namespace tessel {

class tltimer;
class TLsocket;
class tsafefile;
class tdbreader;

// The clock every part of the services reads.
struct tclockstate {
    int32_t now = 0;        // system seconds + timeoffset
    int32_t timeoffset = 0; // set by OperServ SETTIME
    int32_t zoneoffset = 0; // local time of day minus UTC, -43200..43200
    int32_t boottime = 0;   // the services' start time on the network
};

// The link to the hub and the output queue.
struct tlinkstate {
    int linkstate = 0; // 0 not linked, 1 introduction sent, 2 hub's SERVER accepted
    bool autoreconnect = true;
    std::string quitreason;
    std::string uplinkname;
    std::string recvbuffer;
    std::string sendbuffer;
    bool discardingline = false; // the rest of an over-long received line is skipped
    bool closepending = false;   // the hub stopped reading; the link is being dropped
    int32_t stopsignals = 0;     // SIGINT/SIGTERM received; a blocking flush gives up
    // Where SENDFLUSH hands each batch: the link socket once FORMCREATE has
    // built it, a capture in the in-process test harness. Unset drops output.
    std::function<void(std::string_view batch)> outputsink;
};

struct tlogstate {
    FILE* logfile = nullptr;
    bool logopen = false;
    int32_t lastlogday = 0;
};

// The picture of the network: users, channels, servers.
struct tnetworkstate {
    rectable<Tuser> users{kUserCapacity};
    rectable<Tchannel> channels{kChannelCapacity};
    std::array<tserver, kServerCapacity> servers;
    std::array<int32_t, kServerNumbers> serverbynumber;
    tnetworkstate() { serverbynumber.fill(-1); }
};

// Registered nicks and channels.
struct tregistrystate {
    rectable<Tnickserv> nicks{kNickRegCapacity};
    rectable<Tchanserv> chans{kChanRegCapacity};
    int32_t nickcount = 0; // registered nicks, for the MOTD
    int32_t chancount = 0; // registered channels, for the MOTD
};

// Operator data kept in operserv.db.
struct toperstate {
    std::array<tgline, kGlineCapacity> glines;
    std::array<tjupe, kJupeCapacity> jupes;
    std::array<tseen, kSeenCapacity> seen;
    int32_t seenindex = 0; // ring slot written last
};

// Outgoing mode queue and mode-parsing flags.
struct tmodestate {
    std::vector<int32_t> pendingchannels; // one entry per queued change
    bool uncheckedmodes = false;          // apply incoming modes without enforcement
    bool closingchannel = false;          // set while KILLCHANNEL runs
};

// The engine: the one owner of all state of the services. Its operations are
// implemented in the files of the subsystem they belong to.
class TForm1 {
public:
    TForm1();
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // ---- state, grouped by subsystem ----
    tconfig cfg;
    tclockstate clock;
    tlinkstate link;
    tlogstate log;
    tnetworkstate net;
    tregistrystate reg;
    toperstate oper;
    tdbstate db;
    tmodestate modes;
    std::mt19937 random;

    // Sub-components created by FORMCREATE.
    tltimer* Timer1 = nullptr;
    tltimer* Timer2 = nullptr;
    tltimer* Timerretry = nullptr;
    TLsocket* linksocket = nullptr;

    // Called instead of ending the process where the protocol demands an
    // immediate stop (tests set it; production saves the databases and exits 0).
    std::function<void()> terminatehook;

    // ---- engine: start-up, clock, shutdown ----
    void FORMCREATE();
    void INIT();
    void FORMCLOSE();
    void BUTTONDIECLICK();
    bool SAVEDB(); // false when a database could not be written (logged)
    void LOADDB();
    void clockinit();
    void clocktick();
    void settime(int32_t t);
    void TERMINATE();                // immediate stop demanded by the protocol
    void stopsignal(int32_t signum); // the services' handler of caught signals

    // ---- engine: configuration ----
    void LOADCONF();

    // ---- engine: link and output ----
    void BUTTONCONNECTCLICK();
    void TIMERRETRYTIMER();
    void CONNECTED(uint16_t error);
    void CLOSED(uint16_t error);
    void RECEIVE();
    void receivebytes(std::string_view data); // RECEIVE's framing on given bytes
    void SEND(const std::string& line);
    void SENDFLUSH();
    void MESEND(const std::string& text);
    void CHANSEND(const std::string& text);
    void NICKSEND(const std::string& text);
    void MEMOSEND(const std::string& text);
    void OPERSEND(const std::string& text);
    void queuelinkoutput(std::string_view batch); // SENDFLUSH's sink in the daemon
    void drainlink();                             // BUTTONDIECLICK's bounded blocking flush

    // ---- engine: logging ----
    void LOGWRITE(int32_t mask, const std::string& text);
    void SENDOPERCHANNEL(int32_t user, const std::string& text);

    // ---- P10 protocol ----
    int32_t GETP10ID(const std::string& numeric);
    void PARSECOMMAND(const std::string& line);
    void SPAWNSERVICES();
    void SENDRESETCHAN();
    void SENDRESET();
    void SENDRESETGLINE();
    void SENDMOTD(const std::string& target);
    void sendversion(const std::string& target); // the 351 reply to a VERSION query

    // Inbound handlers, one per token group; p10/dispatch.cpp maps the tokens
    // to them. A handler gets the line already cut into words.
    void onerror(const tlinewords& w);
    void onserver(const tlinewords& w); // the hub's own SERVER line
    void onping(const tlinewords& w);
    void onendofburst(const tlinewords& w);
    void onnick(const tlinewords& w);
    void onserverintro(const tlinewords& w);
    void onprivmsg(const tlinewords& w);
    void onnotice(const tlinewords& w);
    void onjoin(const tlinewords& w); // J and C
    void onburst(const tlinewords& w);
    void onpart(const tlinewords& w);
    void ontopic(const tlinewords& w);
    void onkick(const tlinewords& w);
    void onquit(const tlinewords& w);
    void onsquit(const tlinewords& w);
    void onkill(const tlinewords& w);
    void onmode(const tlinewords& w); // M and OM
    void onclearmodes(const tlinewords& w);
    void onversion(const tlinewords& w);
    void onmotd(const tlinewords& w);
    void onwallops(const tlinewords& w);

    // Tests watch what the dispatcher hands to the service bots: when set, it
    // is called with BOTTALK's arguments just before BOTTALK runs.
    std::function<void(int bot, int32_t user, bool addressed, const std::string& text)>
        bottalkobserver;
    // Tests hear of every exception PARSECOMMAND's handler catches: when set,
    // it is called with the message after the message is printed.
    std::function<void(const std::string& what)> parseexceptionobserver;

    // ---- network state: tables ----
    int32_t ADDUSER();
    int32_t ADDCHANNEL();
    void SETNICK(int32_t user, const std::string& name);
    void SETNS(int32_t rec, const std::string& name);
    void SETCHANNAME(int32_t chan, const std::string& name);
    void SETCS(int32_t rec, const std::string& name);
    int32_t GETNICK(const std::string& name);
    int32_t GETNS(const std::string& name);
    int32_t GETCHANNAME(const std::string& name);
    int32_t GETCS(const std::string& name);
    void REMOVEUSERCHANNEL(int32_t chan, int32_t user);
    void REMOVEUSER(int32_t user);
    void REMOVECHANNEL(int32_t chan);
    void DESTROYSERVER(int32_t server);
    void CLEARSERVER();
    void CLEARNS();
    void CLEARCS();
    void NEWUSER(int32_t user);
    void ADDSEEN(int32_t user);

    // ---- network state: modes ----
    void SETCHANMODE(int32_t chan, bool add, char letter, const std::string& param);
    void FLUSHCHANMODE(int32_t chan);
    void FLUSHALLCHANMODE();
    void PARSEMODECHAN(int32_t source, const tlinewords& w);
    void PARSEMODEUSER(int32_t user, const std::string& text);
    void PARSEMODELOCK(int32_t rec, const std::string& text);
    void KILLCHANNEL(int32_t chan);

    // ---- network state: nick protection and housekeeping ----
    void NICKCHANGED(int32_t user);
    void STARTNAG(int32_t user);
    void nagsteps();
    void TIMER1TIMER();
    void TIMER2TIMER();
    void clonescan();

    // ---- registrations ----
    int32_t NICKACCESS(int32_t user, int32_t ns, const std::string& password);
    cprivsrec CHANACCESS(int32_t cs, int32_t user);
    void CHECKSOP(int32_t user);
    void IDENTIFY(int32_t user, int32_t ns);
    bool ONIGNORE(int32_t ns, int32_t sender);
    void CHECKMAIL(int32_t user);
    int32_t newnsslot(); // lowest free registration slot (high-water rule), -1 when full
    int32_t newcsslot();
    void freensslot(int32_t ns); // the registration out of its index and table, and the count
    void freecsslot(int32_t cs);
    std::string encodepass(const std::string& password) const;

    // ---- databases, G-lines, jupes ----
    // The saves return false when the file could not be written; the failure
    // is logged and the previous file stays as it was.
    bool SAVENICKSERV();
    void LOADNICKSERV();
    bool SAVECHANSERV();
    void LOADCHANSERV();
    bool SAVEOPERSERV();
    void LOADOPERSERV();
    bool writedatabase(dbfile which, const std::function<void(tsafefile& out)>& body);
    // Reads a file of records: a line "<recordkey>=<name>" starts a record in
    // the next slot (from 0, in file order) through `start`, the lines after
    // it are its fields. The high-water mark becomes the last slot read.
    using recordstart = std::function<void(int32_t slot, std::string_view name)>;
    using recordfield =
        std::function<void(int32_t slot, const std::string& key, std::string_view value)>;
    void readrecords(dbfile which, std::string_view recordkey, int32_t capacity, int32_t& highwater,
                     const recordstart& start, const recordfield& field);
    bool opendatabase(dbfile which, tdbreader& in); // false: absent or unreadable
    void closedatabase(dbfile which, const tdbreader& in);
    void ADDGLINE(const std::string& mask, int32_t expires, const std::string& reason,
                  const std::string& setter);
    void SENDGLINE(const std::string& mask, int32_t duration, const std::string& reason);

    // ---- service bots ----
    void BOTTALK(int bot, int32_t user, bool addressed, const std::string& text);
    // Registered nicks matching `pattern`, in name order, at most `max` (capped
    // at 100) lines after `prefix`, then the count line.
    void NICKLIST(const std::string& prefix, const std::string& pattern, int32_t asking,
                  int32_t max);

    // Convenience accessors used throughout.
    Tuser& user(int32_t i) { return net.users[i]; }
    Tchannel& channel(int32_t i) { return net.channels[i]; }
    Tnickserv& nickreg(int32_t i) { return reg.nicks[i]; }
    Tchanserv& chanreg(int32_t i) { return reg.chans[i]; }
};

// The process-wide engine, set as soon as it is constructed; socket, timer and
// signal callbacks reach the services through it.
extern TForm1* Form1;

} // namespace tessel
