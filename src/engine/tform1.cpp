#include "engine/tform1.h"

#include <chrono>

#include "eventcore/socket.h"
#include "eventcore/timer.h"

namespace tessel {

TForm1* Form1 = nullptr;

TForm1::TForm1() {
    Form1 = this;
    random.seed(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

TForm1::~TForm1() {
    delete linksocket;
    delete Timerretry;
    delete Timer2;
    delete Timer1;
    if (log.logfile) std::fclose(log.logfile);
    if (Form1 == this) Form1 = nullptr;
}

} // namespace tessel
