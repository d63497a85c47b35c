#pragma once

namespace tessel {

class TForm1;
struct tbotmessage;

// A port scanner's server notice "SCANNER <host> <port> ...": G-lines the
// host when the scanner feed is switched on.
void scannerreport(TForm1& form, const tbotmessage& msg);

} // namespace tessel
