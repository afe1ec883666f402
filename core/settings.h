// The settings file pelmora.ini and the rule file rule.ini beside the executable.
#pragma once

// One signed integer per key of pelmora.ini.
struct SettingsRecord {
    int WinNum;       // least number of visible windows for a group to collapse
    int Flash;        // 1: a member's title-bar flashing flashes its proxy
    int Icon;         // 1: show the notification-area icon
    int And;          // 1: every grouping criterion in force must match; 0: any one
    int Path;         // 1: the executable path is a grouping criterion
    int Class;        // 1: the window class name is a grouping criterion
    int Menu;         // batch items of the group menu: 0 top, 1 bottom, 2 none
    int SubClass;     // 1: subclass the taskbar's tab control (saved value)
    int Load;         // 1: swap to the message-queue hook after subclassing (saved value)
    int ClassAddress; // 1: the subclass passes messages to the class procedure
};

// When a changed setting takes effect, and so what applying it runs.
enum class SettingEffect {
    Immediate,  // read wherever it is used, at once
    Thresholds, // the groups are measured against their thresholds again
    Regroup,    // decides which group a window joins: every group is rebuilt
    NextStart,  // read only at start-up: a restart is offered
};

// One key of the settings file: its name, its field, the value a missing file,
// section or key gives, and what a change of it needs. Listed in the order
// SaveSettings writes them.
struct SettingsKey {
    const char* key;
    int SettingsRecord::*field;
    int fallback;
    SettingEffect effect;
};
constexpr SettingsKey SettingsKeys[] = {
    {"WinNum", &SettingsRecord::WinNum, 2, SettingEffect::Thresholds},
    {"Flash", &SettingsRecord::Flash, 0, SettingEffect::Immediate},
    {"Icon", &SettingsRecord::Icon, 1, SettingEffect::Immediate}, // on: at the next start
    {"And", &SettingsRecord::And, 1, SettingEffect::Regroup},
    {"Path", &SettingsRecord::Path, 1, SettingEffect::Regroup},
    {"Class", &SettingsRecord::Class, 0, SettingEffect::Regroup},
    {"Menu", &SettingsRecord::Menu, 0, SettingEffect::Immediate},
    {"SubClass", &SettingsRecord::SubClass, 1, SettingEffect::NextStart},
    {"Load", &SettingsRecord::Load, 1, SettingEffect::NextStart},
    {"ClassAddress", &SettingsRecord::ClassAddress, 0, SettingEffect::NextStart},
};

// Every setting at the value of its key's fallback.
constexpr SettingsRecord DefaultSettings() {
    SettingsRecord record = {};
    for (const SettingsKey& k : SettingsKeys)
        record.*k.field = k.fallback;
    return record;
}

// The grouping criteria in force. FindGroupFor matches windows by them, and
// each proxy's application id is made from them, so that both always agree.
struct GroupCriteria {
    bool byPath;  // the executable path is compared
    bool byClass; // the window class name is compared
    bool all;     // every criterion in force must match; otherwise any one
};
// A criterion is in force only when its setting is exactly 1 (other values come
// only from a hand-edited file); an And other than 1 means any one.
constexpr GroupCriteria CriteriaInForce(const SettingsRecord& settings) {
    return {settings.Path == 1, settings.Class == 1, settings.And == 1};
}

// Whether a setting whose change has this effect differs between the two.
constexpr bool SettingsChangeNeeds(const SettingsRecord& before, const SettingsRecord& after,
                                   SettingEffect effect) {
    for (const SettingsKey& k : SettingsKeys)
        if (k.effect == effect && before.*k.field != after.*k.field) return true;
    return false;
}

// The writers return 1 when everything was written, else 0 with the system's
// reason as the last error.
void LoadSettings(); // fills Settings, SubClassInEffect and LoadInEffect
int SaveSettings();  // writes every key; other keys and sections of the file survive
int LoadRules();     // appends the rules of rule.ini to the empty RuleList; returns 0
// Rewrites rule.ini from RuleList through a new file that then takes its place,
// so that a failure leaves the old rules whole; an empty list leaves no file.
int SaveRules();
int WriteIniInt(const char* section, const char* key, int value, const char* fileName);
// The full name of a file beside the executable, into a buffer of
// TextBufferSize bytes; 0 when it cannot be made (last error
// ERROR_FILENAME_EXCED_RANGE).
int FileBesideProgram(const char* file, char* name);
