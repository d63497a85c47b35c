#include "engine/tform1.h"
#include "registry/dbreader.h"
#include "registry/safefile.h"

namespace tessel {

void TForm1::LOADDB() {
    LOADNICKSERV();
    LOADCHANSERV();
    LOADOPERSERV();
}

bool TForm1::SAVEDB() {
    // Each file stands on its own: a failure of one does not keep the others
    // from being saved.
    const bool nicks = SAVENICKSERV();
    const bool chans = SAVECHANSERV();
    const bool oper = SAVEOPERSERV();
    return nicks && chans && oper;
}

bool TForm1::writedatabase(dbfile which, const std::function<void(tsafefile& out)>& body) {
    const std::string name = kDbFileNames[which];
    if (db.unreadable[which]) {
        LOGWRITE(kLogDatabase, "Database not saved: " + name +
                                   ": it could not be read when loading, the file is kept");
        return false;
    }
    tsafefile out(name);
    if (out.open()) {
        body(out);
        if (out.commit()) return true;
    }
    LOGWRITE(kLogDatabase, "Database not saved: " + name + ": " + out.error());
    return false;
}

bool TForm1::opendatabase(dbfile which, tdbreader& in) {
    db.unreadable[which] = false;
    switch (in.open(kDbFileNames[which])) {
    case tdbreader::opened:
        return true;
    case tdbreader::absent:
        return false;
    case tdbreader::failed:
        break;
    }
    closedatabase(which, in);
    return false;
}

void TForm1::closedatabase(dbfile which, const tdbreader& in) {
    if (in.ok()) return;
    db.unreadable[which] = true;
    LOGWRITE(kLogDatabase,
             std::string("Database not loaded: ") + kDbFileNames[which] + ": " + in.error());
}

} // namespace tessel
