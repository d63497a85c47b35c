#include "engine/tform1.h"

#include <chrono>

namespace tessel {

TForm1* Form1 = nullptr;

TForm1::TForm1() {
    Form1 = this;
    random.seed(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

TForm1::~TForm1() {
    if (Form1 == this) Form1 = nullptr;
}

} // namespace tessel
