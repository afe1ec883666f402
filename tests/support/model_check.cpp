#include "tests/support/model_check.h"

#include <stdio.h>

#include <set>

#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"

namespace testing_support {

namespace {

// No list of the tests grows anywhere near this; a longer walk is a cycle.
constexpr int MaxWalk = 1000000;

std::string Describe(const char* what, const void* where) {
    char text[256];
    snprintf(text, sizeof text, "%s (%p)", what, where);
    return text;
}

} // namespace

std::string ModelFault() {
    std::set<HWND> windows;
    std::set<const TabWnd*> groupTabs;
    std::set<const WndGroup*> groups;

    int walked = 0;
    const WndGroup* prevGroup = nullptr;
    for (const WndGroup* g = GroupList; g; g = g->next) {
        if (++walked > MaxWalk) return "GroupList does not end";
        if (g->prev != prevGroup) return Describe("group's prev is not the group before it", g);
        prevGroup = g;
        groups.insert(g);
        if (!g->members) return Describe("group without members", g);
        if (!g->path || !g->className) return Describe("group without its path or class copy", g);
        const WndMember* prevMember = nullptr;
        for (const WndMember* m = g->members; m; m = m->next) {
            if (++walked > MaxWalk) return Describe("member list does not end", g);
            if (m->prev != prevMember)
                return Describe("member's prev is not the member before it", m);
            prevMember = m;
            if (!m->className) return Describe("member without its class copy", m);
            if (!windows.insert(m->hwnd).second) return Describe("window in two members", m->hwnd);
            if (LookupMember(m->hwnd) != m) return Describe("member not found in the index", m);
            if (LookupGroup(m->hwnd) != g) return Describe("index names another group", m);
        }
        if (g->tab) {
            if (g->tab->group != g) return Describe("proxy record names another group", g);
            groupTabs.insert(g->tab);
        }
    }

    std::set<const TabWnd*> listed;
    const TabWnd* prevTab = nullptr;
    for (const TabWnd* t = TabWndList; t; t = t->next) {
        if (++walked > MaxWalk) return "TabWndList does not end";
        if (t->prev != prevTab) return Describe("proxy's prev is not the proxy before it", t);
        prevTab = t;
        listed.insert(t);
        if (!groups.count(t->group)) return Describe("proxy of a group not in GroupList", t);
        if (t->group->tab != t) return Describe("proxy's group does not point back", t);
        if (!IsWindow(t->hwnd)) return Describe("proxy record without window", t);
    }
    if (listed != groupTabs) return "TabWndList differs from the groups' proxies";

    // Every block of the model is counted by the allocator: what the records
    // and strings do not account for are index entries, one per member. A
    // leaked block or a stale entry shows up here as well.
    int blocks = 0;
    for (const WndGroup* g = GroupList; g; g = g->next) {
        blocks += 3 + (g->name ? 1 : 0);
        for (const WndMember* m = g->members; m; m = m->next)
            blocks += 2;
    }
    for (const TabWnd* t = TabWndList; t; t = t->next)
        blocks += 1;
    for (const GroupRule* r = RuleList; r; r = r->next) {
        if (++walked > MaxWalk) return "RuleList does not end";
        blocks += 1 + (r->id ? 1 : 0) + (r->title ? 1 : 0);
    }
    int entries = ObjLiveBlocks() - blocks;
    if (entries != (int)windows.size()) {
        char text[128];
        snprintf(text, sizeof text, "%d blocks beside the records for %d members", entries,
                 (int)windows.size());
        return text;
    }
    return std::string();
}

} // namespace testing_support
