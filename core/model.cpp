// The block allocator and the window index.
#include "core/model.h"

#include <string.h>

#include "core/errorlog.h"
#include "core/state.h"
#include "core/scoped.h"
#include "core/system_alloc.h"

namespace {

// The index: bucket heads of singly linked chains, new entries at the head.
WndIndexEntry* WndIndex[WndIndexBuckets];

WndIndexEntry** BucketOf(HWND hwnd) {
    // Window handles are 32-bit significant on both targets.
    return &WndIndex[HandleToUlong(hwnd) % WndIndexBuckets];
}

WndIndexEntry* FindEntry(HWND hwnd) {
    for (WndIndexEntry* e = *BucketOf(hwnd); e; e = e->next)
        if (e->hwnd == hwnd) return e;
    return nullptr;
}

} // namespace

void* ObjAlloc(size_t size) {
    ScopedLock lock(&AllocLock);
    return SystemAlloc(size);
}

int ObjFree(void* block) {
    ScopedLock lock(&AllocLock);
    return SystemFree(block);
}

char* ObjStrDup(const char* text) {
    if (!text) return nullptr;
    size_t size = strlen(text) + 1;
    char* copy = static_cast<char*>(ObjAlloc(size));
    if (copy) memcpy(copy, text, size);
    return copy;
}

void CreateModelLocks() {
    InitializeCriticalSection(&AllocLock);
    InitializeCriticalSection(&EventLock);
}

void DeleteModelLocks() {
    DeleteCriticalSection(&EventLock);
    DeleteCriticalSection(&AllocLock);
}

void FreeMember(WndMember* member) {
    if (!member) return;
    if (member->className) ObjFree(member->className);
    ObjFree(member);
}

void FreeGroup(WndGroup* group) {
    if (!group) return;
    if (group->name) ObjFree(group->name);
    if (group->path) ObjFree(group->path);
    if (group->className) ObjFree(group->className);
    ObjFree(group);
}

void FreeRule(GroupRule* rule) {
    if (!rule) return;
    if (rule->id) ObjFree(rule->id);
    if (rule->title) ObjFree(rule->title);
    ObjFree(rule);
}

const GroupRule* RuleInForce(const GroupRule* rule) {
    return rule && (rule->enable == 0 || rule->enable == 1) ? rule : nullptr;
}

void IndexInsert(HWND hwnd, WndGroup* group, WndMember* member) {
    WndIndexEntry* e = static_cast<WndIndexEntry*>(ObjAlloc(sizeof(WndIndexEntry)));
    if (!e) {
        // The member stays in its group, merely unknown to the index.
        LogAllocFailure();
        return;
    }
    WndIndexEntry** head = BucketOf(hwnd);
    e->hwnd = hwnd;
    e->group = group;
    e->member = member;
    e->next = *head;
    *head = e;
}

void IndexRemove(HWND hwnd) {
    for (WndIndexEntry** link = BucketOf(hwnd); *link; link = &(*link)->next) {
        WndIndexEntry* e = *link;
        if (e->hwnd == hwnd) {
            *link = e->next;
            ObjFree(e);
            return;
        }
    }
}

WndMember* LookupMember(HWND hwnd) {
    WndIndexEntry* e = FindEntry(hwnd);
    return e ? e->member : nullptr;
}

WndGroup* LookupGroup(HWND hwnd) {
    WndIndexEntry* e = FindEntry(hwnd);
    return e ? e->group : nullptr;
}

void ClearIndex() {
    for (WndIndexEntry*& head : WndIndex) {
        while (head) {
            WndIndexEntry* e = head;
            head = e->next;
            ObjFree(e);
        }
    }
}

TabWnd* FindTabWnd(HWND proxy) {
    for (TabWnd* t = TabWndList; t; t = t->next)
        if (t->hwnd == proxy) return t;
    return nullptr;
}
