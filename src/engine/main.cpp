// Program entry of the services daemon.
#include "engine/startup.h"

int main(int argc, char** argv) {
    return tessel::servicesmain(argc, argv);
}
