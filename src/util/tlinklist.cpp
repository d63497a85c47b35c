#include "util/tlinklist.h"

namespace tessel {

namespace {
long g_livenodes = 0;
}

tlinklist::tlinklist() {
    ++g_livenodes;
}
tlinklist::~tlinklist() {
    --g_livenodes;
}
long tlinklist::livecount() {
    return g_livenodes;
}

void linklistadd(tlinklist*& head, tlinklist* node) {
    node->prev = nullptr;
    node->next = head;
    if (head) head->prev = node;
    head = node;
}

void linklistdel(tlinklist*& head, tlinklist* node) {
    if (head == node) head = node->next;
    if (node->next) node->next->prev = node->prev;
    if (node->prev) node->prev->next = node->next;
    node->next = nullptr;
    node->prev = nullptr;
}

} // namespace tessel
