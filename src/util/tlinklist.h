#pragma once

#include <cstdint>
#include <string>

namespace tessel {

// Intrusive doubly linked list node. Lists are referred to by a head pointer
// and nodes are always inserted at the head. A process-wide counter tracks the
// number of live nodes so leaks of blocks and hash items can be observed.
class tlinklist {
public:
    tlinklist* next = nullptr;
    tlinklist* prev = nullptr;

    tlinklist();
    tlinklist(const tlinklist&) = delete;
    tlinklist& operator=(const tlinklist&) = delete;
    virtual ~tlinklist();

    // Number of nodes currently alive in the process.
    static long livecount();
};

// The two list operations, for any node type with `next` and `prev` pointers
// of its own type: these nodes, and the event core's component lists.
// Inserts node at the head of the list whose head is `head`.
template <class T> void listinsert(T*& head, T* node) {
    node->prev = nullptr;
    node->next = head;
    if (head) head->prev = node;
    head = node;
}
// Unlinks node from the list whose head is `head` (the node is not freed).
template <class T> void listunlink(T*& head, T* node) {
    if (head == node) head = node->next;
    if (node->next) node->next->prev = node->prev;
    if (node->prev) node->prev->next = node->next;
    node->next = nullptr;
    node->prev = nullptr;
}

inline void linklistadd(tlinklist*& head, tlinklist* node) {
    listinsert(head, node);
}
inline void linklistdel(tlinklist*& head, tlinklist* node) {
    listunlink(head, node);
}

// One block of a tfifo.
class tplinklist : public tlinklist {
public:
    void* data = nullptr;
};

// One entry of a thashtable.
class thashitem : public tlinklist {
public:
    uint32_t hash = 0;
    std::string key;
    int32_t value = 0;
};

// A node that sits in two lists at once.
class tlinklist2 : public tlinklist {
public:
    tlinklist2* next2 = nullptr;
    tlinklist2* prev2 = nullptr;
};

class tstringlinklist : public tlinklist {
public:
    std::string s;
};

class tthing : public tlinklist {
public:
    int32_t thing1 = 0;
    int32_t thing2 = 0;
};

} // namespace tessel
