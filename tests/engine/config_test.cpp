#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/tform1.h"
#include "p10/numerics.h"
#include "support/casename.h"
#include "support/tempdir.h"

namespace {

using tessel::tconfig;
using tessel::TForm1;
using tesseltest::TempDir;
using tesseltest::WorkingDir;

std::string flag(bool on) {
    return on ? "on" : "off";
}
std::string num(int32_t v) {
    return std::to_string(v);
}

std::string scanreasons(const tconfig& c) {
    std::string out;
    for (const auto& e : c.scanreasons)
        if (!e.name.empty()) out += e.name + "=" + e.reason + ";";
    return out;
}

std::string soplist(const tconfig& c) {
    std::string out;
    for (const auto& m : c.soplist)
        out += m + "|";
    return out.substr(0, out.find("||") + 1);
}

struct ConfCase {
    const char* name;
    std::string file;                               // content of tesselsv.ini
    std::function<std::string(const tconfig&)> get; // the setting under test
    std::string expected;
};

// Shown in test listings and failures instead of the struct's bytes.
void PrintTo(const ConfCase& c, std::ostream* os) {
    *os << c.name << ": " << testing::PrintToString(c.file);
}

const ConfCase kCases[] = {
    {"LowerCaseKey", "nicknick=Guardian\n", [](auto& c) { return c.nicknick; }, "Guardian"},
    {"BlanksAroundEqualsMakeTheKeyUnknown", "NICKNICK = Guardian\n",
     [](auto& c) { return c.nicknick; }, "NickServ"},
    {"ValueKeptAsWritten", "SERVERGCOS=My  Services \n", [](auto& c) { return c.servergcos; },
     "My  Services "},
    {"ValueAfterFirstEquals", "CONNECTPASS=a=b\n", [](auto& c) { return c.connectpass; }, "a=b"},
    {"EmptyValue", "AUTOGREET=\nOPERCHANNEL=\n",
     [](auto& c) { return c.autogreet + "/" + c.operchannel; }, "/"},
    {"ValuesKeepCaseAndBraces", "servhost=a{B}\nservuserid=x|Y\n",
     [](auto& c) { return c.servhost + " " + c.servuserid; }, "a{B} x|Y"},
    {"CrLfLineEnds", "NICKNICK=Guardian\r\nCHANNICK=Keeper\r\n",
     [](auto& c) { return c.nicknick + "/" + c.channick; }, "Guardian/Keeper"},
    {"CrAloneEndsALine", "NICKNICK=Guardian\rCHANNICK=Keeper",
     [](auto& c) { return c.nicknick + "/" + c.channick; }, "Guardian/Keeper"},
    {"HashComment", "#NICKNICK=Guardian\n", [](auto& c) { return c.nicknick; }, "NickServ"},
    {"SemicolonComment", ";NICKNICK=Guardian\n", [](auto& c) { return c.nicknick; }, "NickServ"},
    {"IndentedCommentIsAnUnknownKey", " #NICKNICK=Guardian\n NICKNICK=Guardian\n",
     [](auto& c) { return c.nicknick; }, "NickServ"},
    {"LineWithoutEqualsChangesNothing",
     "SCANREASONsocks=Open proxy\n\nnonsense\nSCANREASONhttp=Web proxy\n",
     [](auto& c) { return scanreasons(c); }, "SOCKS=Open proxy;HTTP=Web proxy;"},
    {"FlagOnlyOneIsOn", "USEKILL=1\nSETTIME=1\n",
     [](auto& c) { return flag(c.usekill) + flag(c.settime); }, "onon"},
    {"FlagWordsTurnItOff", "HIDDENHOST=yes\nCRYPTPASS=true\nALLOWNICKREG=on\nALLOWCHANREG=01\n",
     [](auto& c) {
         return flag(c.hiddenhost) + flag(c.cryptpass) + flag(c.allownickreg) +
                flag(c.allowchanreg);
     },
     "offoffoffoff"},
    {"FlagEmptyIsOff", "SAFEIDENTIFY=\n", [](auto& c) { return flag(c.safeidentify); }, "off"},
    {"Integers", "UMODE=0\nNICKEXPIRE=-5\nCHANEXPIRE=+7\nMAXCHANPERUSER=10\n",
     [](auto& c) {
         return num(c.umode) + " " + num(c.nickexpire) + " " + num(c.chanexpire) + " " +
                num(c.maxchanperuser);
     },
     "0 -5 7 10"},
    {"InvalidIntegersLeaveTheSetting",
     "CLONEWARN=3\nCLONEWARN=4x\nCLONEKILL=99999999999\nLOGMASK= 5\nUMODE=\n",
     [](auto& c) {
         return num(c.clonewarn) + " " + num(c.clonekill) + " " + num(c.logmask) + " " +
                num(c.umode);
     },
     "3 0 0 1"},
    {"ServerIdMasked", "SERVERID=4097\n",
     [](auto& c) { return num(c.serverid) + " " + c.servernumeric; }, "1 AB"},
    {"ServerIdNotANumberKeepsThePreviousValue", "SERVERID=10\nSERVERID=abc\n",
     [](auto& c) { return num(c.serverid) + " " + c.servernumeric; }, "10 AK"},
    {"ServerIdNegativeMasked", "SERVERID=-1\n", [](auto& c) { return num(c.serverid); }, "4095"},
    {"ScanDurationDigits", "SCANGDURATION=3600\n", [](auto& c) { return num(c.scangduration); },
     "3600"},
    {"ScanDurationNineDigits", "SCANGDURATION=999999999\n",
     [](auto& c) { return num(c.scangduration); }, "999999999"},
    {"ScanDurationTenDigits", "SCANGDURATION=1234567890\n",
     [](auto& c) { return num(c.scangduration); }, "-1"},
    {"ScanDurationSigned", "SCANGDURATION=+60\n", [](auto& c) { return num(c.scangduration); },
     "-1"},
    {"ScanDurationNegative", "SCANGDURATION=-60\n", [](auto& c) { return num(c.scangduration); },
     "-1"},
    {"ScanDurationEmpty", "SCANGDURATION=\n", [](auto& c) { return num(c.scangduration); }, "-1"},
    {"MsgCommandPrivmsg", "MSGCOMMAND=PRIVMSG\n", [](auto& c) { return c.msgcommand; }, "P"},
    {"MsgCommandLowerP", "MSGCOMMAND=p\n", [](auto& c) { return c.msgcommand; }, "P"},
    {"MsgCommandLowerPrivmsgIsNotRecognised", "MSGCOMMAND=privmsg\n",
     [](auto& c) { return c.msgcommand; }, "O"},
    {"MsgCommandNotice", "MSGCOMMAND=NOTICE\n", [](auto& c) { return c.msgcommand; }, "O"},
    {"SopWordsReplaceTheList", "SOP=alice  bob*!*@*\nSOP= carol \n",
     [](auto& c) { return soplist(c); }, "carol|"},
    {"SopWords", "SOP=alice  bob*!*@*\n", [](auto& c) { return soplist(c); }, "alice|bob*!*@*|"},
    {"ScanReasonSameNameInAnyCase", "SCANREASONsocks=Open proxy\nSCANREASONSOCKS=Proxy\n",
     [](auto& c) { return scanreasons(c); }, "SOCKS=Proxy;"},
    {"ScanReasonTableFull",
     "SCANREASON1=r1\nSCANREASON2=r2\nSCANREASON3=r3\nSCANREASON4=r4\nSCANREASON5=r5\n"
     "SCANREASON6=r6\nSCANREASON7=r7\nSCANREASON8=r8\nSCANREASON9=r9\nSCANREASON10=r10\n"
     "SCANREASON11=r11\nSCANREASON3=again\n",
     [](auto& c) { return scanreasons(c); },
     "1=r1;2=r2;3=again;4=r4;5=r5;6=r6;7=r7;8=r8;9=r9;10=r10;"},
    {"ScanReasonNameCut", "SCANREASON" + std::string(250, 'p') + "=long\n",
     [](auto& c) { return num(static_cast<int32_t>(c.scanreasons[0].name.size())); }, "200"},
    {"LastValueWins", "CONNECTPORT=4400\nCONNECTPORT=4401\n", [](auto& c) { return c.connectport; },
     "4401"},
};

class LoadConf : public testing::TestWithParam<ConfCase> {};

TEST_P(LoadConf, AppliesTheRule) {
    TempDir dir;
    WorkingDir cwd(dir.path());
    dir.write("tesselsv.ini", GetParam().file);
    TForm1 form;
    form.LOADCONF();
    EXPECT_EQ(GetParam().get(form.cfg), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, LoadConf, testing::ValuesIn(kCases), tesseltest::casename);

TEST(LoadConfFiles, IniIsPreferredToCfg) {
    TempDir dir;
    WorkingDir cwd(dir.path());
    dir.write("tesselsv.cfg", "NICKNICK=FromCfg\n");
    {
        TForm1 form;
        form.LOADCONF();
        EXPECT_EQ(form.cfg.nicknick, "FromCfg");
    }
    dir.write("tesselsv.ini", "CHANNICK=FromIni\n");
    TForm1 form;
    form.LOADCONF();
    EXPECT_EQ(form.cfg.channick, "FromIni");
    EXPECT_EQ(form.cfg.nicknick, "NickServ");
}

TEST(LoadConfFiles, DerivesOwnServer) {
    TempDir dir;
    WorkingDir cwd(dir.path());
    dir.write("tesselsv.ini", "SERVERID=10\nSERVERNAME=svc.Example.net\n");
    TForm1 form;
    form.LOADCONF();
    EXPECT_EQ(form.cfg.servernumber, 10);
    EXPECT_EQ(form.cfg.servernumeric, "AK");
    EXPECT_EQ(form.net.servers[0].numeric, 10);
    EXPECT_EQ(form.net.servers[0].name, "svc.Example.net");
    EXPECT_EQ(form.net.servers[0].namekey, "SVC.EXAMPLE.NET");
    EXPECT_EQ(form.net.serverbynumber[10], 0);
}

// Without any file the defaults hold, and the own numeric is still derived
// from the random server number: an empty numeric would break every line.
TEST(LoadConfFiles, MissingFileGivesDefaultsAndAUsableNumeric) {
    TempDir dir;
    WorkingDir cwd(dir.path());
    TForm1 form;
    form.LOADCONF();
    const tconfig defaults;
    EXPECT_EQ(form.cfg.servername, tessel::kDefaultServerName);
    EXPECT_EQ(form.cfg.servhost, tessel::kDefaultServerName);
    EXPECT_EQ(form.cfg.connectaddr, defaults.connectaddr);
    EXPECT_EQ(form.cfg.connectport, "6667");
    EXPECT_EQ(form.cfg.msgcommand, "O");
    EXPECT_FALSE(form.log.logopen);
    ASSERT_GE(form.cfg.serverid, 0);
    ASSERT_LE(form.cfg.serverid, 4095);
    EXPECT_EQ(form.cfg.servernumeric,
              tessel::encodenumeric(static_cast<uint32_t>(form.cfg.serverid), 2));
    EXPECT_EQ(form.net.serverbynumber[form.cfg.serverid], 0);
}

// A second run starts from the defaults again, except for the scanner
// settings, and forgets every server number it had mapped.
TEST(LoadConfFiles, RereadResetsAllButTheScanner) {
    TempDir dir;
    WorkingDir cwd(dir.path());
    dir.write("tesselsv.ini", "NICKNICK=Guardian\nSCANNER=1\nSCANGDURATION=60\nSOP=alice\n"
                              "SCANREASONsocks=Proxy\nSERVERID=1\nUSEKILL=1\nMSGCOMMAND=P\n");
    TForm1 form;
    form.LOADCONF();
    form.net.serverbynumber[10] = 1; // a remote server seen on the link
    dir.write("tesselsv.ini", "SERVERID=2\n");
    form.LOADCONF();
    EXPECT_EQ(form.cfg.nicknick, "NickServ");
    EXPECT_FALSE(form.cfg.usekill);
    EXPECT_EQ(form.cfg.msgcommand, "O");
    EXPECT_TRUE(form.cfg.scanner);
    EXPECT_EQ(form.cfg.scangduration, 60);
    EXPECT_EQ(form.cfg.soplist[0], "");
    EXPECT_EQ(scanreasons(form.cfg), "");
    EXPECT_EQ(form.net.serverbynumber[10], -1);
    EXPECT_EQ(form.net.serverbynumber[1], -1);
    EXPECT_EQ(form.net.serverbynumber[2], 0);
    EXPECT_EQ(form.cfg.servernumeric, "AC");
}

TEST(LoadConfFiles, LogFileOpenedForAppending) {
    TempDir dir;
    WorkingDir cwd(dir.path());
    dir.write("old.log", "kept\n");
    dir.write("tesselsv.ini", "LOGFILE=old.log\nLOGMASK=1\n");
    TForm1 form;
    form.LOADCONF();
    EXPECT_TRUE(form.log.logopen);
    form.clock.now = 1796870000;
    form.LOGWRITE(1, "appended");
    const std::string appended = "kept\n*** Thu Dec 10 02:33:20 2026\n[2:33] appended\n";
    EXPECT_EQ(dir.read("old.log"), appended);

    // A log that cannot be opened leaves the services without one: nothing
    // more goes to the old file, and nothing is created.
    dir.write("tesselsv.ini", "LOGFILE=missing/dir/x.log\nLOGMASK=1\n");
    form.LOADCONF();
    EXPECT_FALSE(form.log.logopen);
    form.LOGWRITE(1, "dropped");
    EXPECT_EQ(dir.read("old.log"), appended);
    EXPECT_FALSE(dir.exists("missing"));
}

} // namespace
