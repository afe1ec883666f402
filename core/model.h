// The program's in-memory model: groups of top-level windows, their members,
// proxy-button records, user rules and the window-handle index.
#pragma once

#include <windows.h>

struct TabWnd;
struct GroupRule;
struct WndMember;

// One application's windows.
struct WndGroup {
    HICON icon;         // icon shown on the proxy; may be null
    char* path;         // owned: executable image path of the founding window
    char* name;         // owned: display name made from path; null when that failed
    char* className;    // owned: class name of the founding window
    WndMember* members; // head of the member list
    WndGroup* next;
    WndGroup* prev;  // null for the head of GroupList
    TabWnd* tab;     // the proxy record while the group has one, else null
    GroupRule* rule; // rule found when the group was created; not owned
};

// One grouped top-level window.
struct WndMember {
    HWND hwnd;
    char* className;     // owned: class name when the window was registered
    int ncActivateCount; // WM_NCACTIVATE messages counted for flash detection
    int flashing;        // 1 once the window was seen flashing its title bar
    WndMember* next;
    WndMember* prev; // null for the head
};

// One proxy taskbar button.
struct TabWnd {
    HWND hwnd;       // the hidden proxy window of class "tabtab"
    WndGroup* group; // the group it stands for; not owned
    TabWnd* next;
    TabWnd* prev;     // null for the head of TabWndList
    int flashPending; // 1 after the proxy's button was flashed, until the menu resets it
    int shownCount;   // visible-member count last written into the proxy's title
};

constexpr int RuleTypePath = 516;  // the rule matches the executable path
constexpr int RuleTypeClass = 517; // the rule matches the window class name

// One user rule.
struct GroupRule {
    char* id;    // owned: executable path or class name, compared byte for byte
    int idHash;  // StrHash(id)
    int type;    // RuleTypePath, RuleTypeClass; other values match nothing
    int enable;  // 0 never collapse, 1 group, 2 switched off
    int winNum;  // -1 use Settings.WinNum, 2 or more the rule's own threshold
    char* title; // owned: proxy title instead of the display name; empty = none
    GroupRule* next;
    GroupRule* prev; // null for the head of RuleList
};

// One entry of the window index.
struct WndIndexEntry {
    HWND hwnd;
    WndIndexEntry* next; // next entry of the same bucket
    WndGroup* group;
    WndMember* member;
};

constexpr unsigned WndIndexBuckets = 10039; // a prime

void* ObjAlloc(size_t size);       // zero-filled block of its own, or null
int ObjFree(void* block);          // non-zero on success
char* ObjStrDup(const char* text); // copy in a block of its length plus one, or null

// Give back a record with the strings it owns (a group's members are not
// touched; a null record is nothing to give back).
void FreeMember(WndMember* member);
void FreeGroup(WndGroup* group);
void FreeRule(GroupRule* rule);

// The rule when it is in force (enable 0 or 1), else null: a rule whose enable
// is anything else is switched off and counts as no rule everywhere.
const GroupRule* RuleInForce(const GroupRule* rule);

// Creates and deletes AllocLock and EventLock together (start-up, shutdown).
void CreateModelLocks();
void DeleteModelLocks();

void IndexInsert(HWND hwnd, WndGroup* group, WndMember* member);
void IndexRemove(HWND hwnd);
WndMember* LookupMember(HWND hwnd);
WndGroup* LookupGroup(HWND hwnd);
void ClearIndex(); // releases every entry and empties all buckets

TabWnd* FindTabWnd(HWND proxy);
