#include "engine/tform1.h"
#include "registry/dblists.h"
#include "registry/dbreader.h"
#include "registry/safefile.h"

namespace tessel {

void TForm1::LOADDB() {
    LOADNICKSERV();
    LOADCHANSERV();
    LOADOPERSERV();
}

bool TForm1::SAVEDB() {
    const tsaveresult saved = savedatabases();
    return saved[DB_NICKSERV] && saved[DB_CHANSERV] && saved[DB_OPERSERV];
}

tsaveresult TForm1::savedatabases() {
    // Each file stands on its own: a failure of one does not keep the others
    // from being saved.
    tsaveresult saved{};
    saved[DB_NICKSERV] = SAVENICKSERV();
    saved[DB_CHANSERV] = SAVECHANSERV();
    saved[DB_OPERSERV] = SAVEOPERSERV();
    return saved;
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

void TForm1::readrecords(dbfile which, std::string_view recordkey, int32_t capacity,
                         int32_t& highwater, const recordstart& start, const recordfield& field) {
    tdbreader in;
    if (!opendatabase(which, in)) return;
    int32_t last = -1;     // slot of the record being read
    bool skipping = false; // the lines belong to a record that is not stored
    std::string line;
    std::string key;
    std::string_view value;
    while (in.readline(line)) {
        if (!line.empty() && (line[0] == '#' || line[0] == ';')) continue;
        if (!splitkeyvalue(line, key, value)) continue;
        if (key == recordkey) {
            // Records beyond the table's capacity are dropped with all their lines.
            skipping = last + 1 >= capacity || !loadablename(value);
            if (skipping) continue;
            start(++last, value);
            continue;
        }
        if (last < 0 || skipping) continue;
        field(last, key, value);
    }
    closedatabase(which, in);
    highwater = last;
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
