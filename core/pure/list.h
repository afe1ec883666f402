// The program's records are linked into doubly linked lists through their own
// `next` and `prev` fields; the head's `prev` is null. These are the only
// places that link and unlink them. No Windows API.
#pragma once

// Puts `node` at the head of the list.
template <class T> void ListPushFront(T*& head, T* node) {
    node->prev = nullptr;
    node->next = head;
    if (head) head->prev = node;
    head = node;
}

// Puts `node` at the tail of the list.
template <class T> void ListAppend(T*& head, T* node) {
    T* tail = head;
    while (tail && tail->next)
        tail = tail->next;
    node->next = nullptr;
    node->prev = tail;
    if (tail)
        tail->next = node;
    else
        head = node;
}

// Takes `node` out of the list; its own links are cleared.
template <class T> void ListUnlink(T*& head, T* node) {
    if (node->prev)
        node->prev->next = node->next;
    else
        head = node->next;
    if (node->next) node->next->prev = node->prev;
    node->next = node->prev = nullptr;
}
