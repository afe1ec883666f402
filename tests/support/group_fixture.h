// A fixture for the group menu and its commands: the engine's fixture (sound
// model, recorder behind TaskbarListObject, default settings) plus windows of
// the test application, grouped straight into the model with a proxy.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/model.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/testapp.h"

namespace testing_support {

class GroupMenuTest : public EngineTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Windows of the test application ("open" options, e.g. "count=3 title=w%d").
    std::vector<HWND> Open(const std::string& options = "");
    // A command for one window ("minimize", "hide"...); true when it answered "ok".
    bool Tell(const std::string& verb, HWND hwnd);
    // Whether the window received the event ("syscommand 0xf060"...).
    bool Received(HWND hwnd, const std::string& event) const;

    // A group whose member list holds the windows in the order given (the
    // last one founded it) and its proxy.
    WndGroup* Group(const std::vector<HWND>& listed);
    // The proxy of such a group.
    HWND Proxy(const std::vector<HWND>& listed);

    // The member of a window in a group, or null.
    static WndMember* MemberOf(const WndGroup* group, HWND hwnd);

    TestApp app;
};

} // namespace testing_support
