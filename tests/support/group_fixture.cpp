#include "tests/support/group_fixture.h"

#include <algorithm>

#include "core/globals.h"
#include "core/scan.h"
#include "taskbar/proxy.h"

namespace testing_support {

void GroupMenuTest::SetUp() {
    EngineTest::SetUp();
    ASSERT_TRUE(app.Launch());
}

void GroupMenuTest::TearDown() {
    EngineTest::TearDown();
    MenuSelection = 0;
}

std::vector<HWND> GroupMenuTest::Open(const std::string& options) {
    std::vector<HWND> w = app.Open(options);
    EXPECT_FALSE(w.empty()) << options;
    return w;
}

bool GroupMenuTest::Tell(const std::string& verb, HWND hwnd) {
    return app.Send(verb + " " + WindowRef(hwnd)) == "ok";
}

bool GroupMenuTest::Received(HWND hwnd, const std::string& event) const {
    std::vector<std::string> events = app.Events(hwnd);
    return std::find(events.begin(), events.end(), event) != events.end();
}

WndGroup* GroupMenuTest::Group(const std::vector<HWND>& listed) {
    if (listed.empty()) return nullptr;
    // Members go to the head of the list: add them from the last to the first.
    WndGroup* group = NewGroup(listed.back(), nullptr, ObjStrDup("C:\\test\\app.exe"),
                               ObjStrDup("PelmoraTestWindow"));
    EXPECT_NE(group, nullptr);
    if (!group) return nullptr;
    for (size_t i = listed.size() - 1; i-- > 0;) {
        EXPECT_NE(AddMember(listed[i], group, ObjStrDup("PelmoraTestWindow")), nullptr);
    }
    CreateTabWnd(group);
    EXPECT_NE(group->tab, nullptr);
    return group;
}

HWND GroupMenuTest::Proxy(const std::vector<HWND>& listed) {
    WndGroup* g = Group(listed);
    return g && g->tab ? g->tab->hwnd : nullptr;
}

WndMember* GroupMenuTest::MemberOf(const WndGroup* group, HWND hwnd) {
    for (WndMember* m = group->members; m; m = m->next) {
        if (m->hwnd == hwnd) return m;
    }
    return nullptr;
}

} // namespace testing_support
