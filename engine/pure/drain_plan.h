// The drain's decisions, free of the Windows API: what each entry of the event
// ring and each system window event asks for, how a grouped window's title-bar
// flashing is detected, and which of the asked-for passes can be shared by
// entries that were waiting together. engine/dispatch.cpp carries the
// decisions out.
#pragma once

#include <stdint.h>

#include "engine/pure/window_events.h"

// The codes the ring carries: eight window messages the hooks record and four
// tab-control messages the taskbar subclass forwards (the library's list is in
// hook/pure/ring.h). engine/dispatch.cpp ties each to its WM_ or TCM_ value.
enum RingCode : uint32_t {
    CodeCreate = 0x0001,       // WM_CREATE
    CodeDestroy = 0x0002,      // WM_DESTROY
    CodeActivate = 0x0006,     // WM_ACTIVATE
    CodeSetText = 0x000C,      // WM_SETTEXT
    CodeShowWindow = 0x0018,   // WM_SHOWWINDOW
    CodeStyleChanged = 0x007D, // WM_STYLECHANGED
    CodeNcActivate = 0x0086,   // WM_NCACTIVATE
    CodeInitDialog = 0x0110,   // WM_INITDIALOG
    CodeGetItemCount = 0x1304, // TCM_GETITEMCOUNT
    CodeInsertItemA = 0x1307,  // TCM_INSERTITEMA
    CodeDeleteItem = 0x1308,   // TCM_DELETEITEM
    CodeInsertItemW = 0x133E,  // TCM_INSERTITEMW
};

// The passes an entry asks for; they run in the order listed.
enum DrainStep : unsigned {
    StepRegister = 1u << 0,      // register the entry's window
    StepRegisterFrame = 1u << 7, // register the entry's window if it is a Store frame (whose
                                 // app may have become known since it appeared)
    StepForget = 1u << 1,        // forget the entry's window, once it no longer exists
    StepForeground = 1u << 2,    // register the foreground window and refresh its group,
                                 // unless it is the entry's own window
    StepRefreshWindow = 1u << 3, // refresh the group of the entry's window
    StepRenewProxy = 1u << 6,    // with a refresh: a proxy that stays is made anew where
                                 // the user is (the current virtual desktop)
    StepRescan = 1u << 4,        // look for windows not yet known
    StepRefreshAll = 1u << 5,    // one refresh pass over all groups
};

// What an entry does to the flash detection of its window, when that window is
// a member of a group that has a proxy.
enum class FlashEffect {
    None,       // the count stays
    Reset,      // the count starts again
    Count,      // one more caption toggle
    CheckTitle, // a title set after enough toggles is a flash
    Reported,   // the shell reports the window flashing
};

struct EntryPlan {
    unsigned steps;     // DrainStep bits
    FlashEffect flash;  // on the member's toggle count
    bool clearFlashing; // the member is no longer marked as flashing
    bool known;         // false: not a RingCode, of which only the count is reset
};

// The plan of one entry. Without the taskbar subclass nothing reports new
// taskbar buttons, so the window events themselves drive the refreshes.
EntryPlan PlanEntry(uint32_t code, bool subclassInEffect, bool loadInEffect);

// What a system window event asks for. It comes from windows the hook may not
// reach, so whatever the hook mode it means what the ring entry of the same
// meaning means where the windows' own events drive the refreshes (no taskbar
// subclass); unlike that entry, it reports a change already made.
struct EventPlan {
    uint32_t sameAs; // the ring code of the same meaning, 0 for none
    uint32_t wParam; // that entry's: 1 shown, 0 hidden for WM_SHOWWINDOW
    EntryPlan plan;
};
EventPlan PlanWindowEvent(uint32_t event);

// A window flashes its title bar by toggling its caption and then setting its
// title: this many toggles before a title count as a flash.
constexpr int FlashToggles = 2;

struct FlashCount {
    int count;   // the member's toggle count afterwards
    bool report; // the window was seen flashing
};
FlashCount NextFlashCount(FlashEffect effect, int count);

// Entries are handled well after the messages they record, so a pass sees the
// desktop as it is when it runs, which includes what every entry already
// waiting (in the ring or among the system events) reports. A second pass
// asked for by such an entry finds nothing new unless the model changed in
// between, and is skipped. Entries written after a pass began always get their
// own. `pending` is the number of unread entries, the one being handled
// included, when a pass is asked for, counted in the order they are handled.
class DrainCoalescer {
  public:
    // The entry about to be handled reports a change already made (a system
    // event): a pass that began while it waited saw that change, so skipping
    // its own leaves nothing stale. Until EntryDone.
    void BeginEntry(bool changeMade) { changeMade_ = changeMade; }
    bool TakeRefreshAll(int pending);
    // `group` names the window's group; a refresh of one group covers only
    // that group and holds until membership changes. One that makes the
    // proxy anew (`renew`) is not covered by one that did not.
    bool TakeRefreshGroup(uintptr_t group, int pending, bool renew = false);
    bool TakeRescan(int pending); // a rescan that runs also counts as a change
    void MembershipChanged();     // a window joined or left a group
    void EntryDone();             // the entry being handled is done
    // A pass was skipped for an entry whose change may not have been made yet.
    bool SkippedAny() const { return skipped_; }

  private:
    struct Covered {
        uintptr_t group;
        int entries;  // unread entries that were waiting when its refresh began
        bool renewed; // that refresh made the proxy anew
    };
    static constexpr int GroupSlots = 8;

    bool passRan_ = false;
    bool modelChanged_ = false;
    int passCovers_ = 0;
    bool rescanRan_ = false;
    int rescanCovers_ = 0;
    Covered groups_[GroupSlots] = {};
    int nextGroupSlot_ = 0;
    bool skipped_ = false;
    bool changeMade_ = false;
    void Skip() { skipped_ = skipped_ || !changeMade_; }
};

// The hooks record a message before its window acts on it, so a pass may run
// before a window's new state exists: one shared by entries that were waiting
// together, or one skipped for an entry whose window had not yet acted on it
// when it was handled (a grouped window still hidden after the WM_SHOWWINDOW
// that shows it, or still shown after the one that hides it). After such a
// drain one more pass runs once the ring has been quiet for SettleDelayMs: a
// burst of entries, however long, gets one settle pass after its last entry.
// While a window is still behind its entry after the settle pass, another
// follows, at most SettleRetries in a row. Times are milliseconds of a 32-bit
// tick count, which may wrap.
constexpr uint32_t SettleDelayMs = 50;
constexpr int SettleRetries = 10;
constexpr uint32_t NoSettlePass = 0xFFFFFFFFu; // a wait without end (INFINITE)

class SettleTimer {
  public:
    // A drain that handled `entries` entries ended at `now`; `stale` when
    // entries shared a pass or a window was behind its entry.
    void DrainEnded(int entries, bool stale, uint32_t now);
    // How long the loop may wait before the settle pass is due: 0 when it is
    // due, NoSettlePass when none is waiting.
    uint32_t WaitMs(uint32_t now) const;
    // True once when the settle pass is due; it is then no longer waiting.
    bool TakeDue(uint32_t now);
    // The settle pass ran; `windowsBehind` when a window is still behind its
    // entry. True when another settle pass is waiting.
    bool PassRan(bool windowsBehind, uint32_t now);

  private:
    bool waiting_ = false;
    uint32_t lastDrain_ = 0;
    int retries_ = 0;
};
