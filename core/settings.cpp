// The settings file pelmora.ini and the rule file rule.ini beside the executable,
// read and written through the system's private-profile functions.
#include "core/settings.h"

#include <stdio.h>

#include "core/rules.h"
#include "core/state.h"
#include "core/pure/text.h"

namespace {

constexpr const char* SettingsSection = "pelmora";

int ReadInt(const char* section, const char* key, int fallback, const char* fileName) {
    // The profile functions read "-1" as 0xFFFFFFFF: the value is signed.
    return (int)GetPrivateProfileIntA(section, key, fallback, fileName);
}

// The profile functions drop surrounding blanks and quotes from values, so an
// id of blanks would read back empty and end the rule list there.
int ReadsBackEmpty(const char* text) {
    if (!text) return 1;
    for (const char* p = text; *p; ++p)
        if (*p != ' ' && *p != '\t') return 0;
    return 1;
}

// The rule of one section, appended to RuleList, or null when a block could
// not be had (logged; nothing of it is left behind).
GroupRule* ReadRule(const char* section, const char* id, const char* fileName) {
    char title[TextBufferSize];
    GetPrivateProfileStringA(section, "Title", "", title, sizeof title, fileName);
    RuleFields fields = {title, ReadInt(section, "Type", RuleTypePath, fileName),
                         ReadInt(section, "Enable", 1, fileName),
                         ReadInt(section, "WinNum", -1, fileName)};
    return NewRule(id, fields);
}

} // namespace

// 0 when ProgramDir is not known or the name does not fit: a relative name
// would make the profile functions use the Windows directory instead.
int FileBesideProgram(const char* file, char* name) {
    int n = ProgramDir ? snprintf(name, TextBufferSize, "%s%s", ProgramDir, file) : 0;
    if (n > 0 && n < TextBufferSize) return 1;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
}

void LoadSettings() {
    char fileName[TextBufferSize];
    int known = FileBesideProgram("pelmora.ini", fileName);
    for (const SettingsKey& k : SettingsKeys) {
        Settings.*k.field =
            known ? ReadInt(SettingsSection, k.key, k.fallback, fileName) : k.fallback;
    }
    SubClassInEffect = Settings.SubClass;
    LoadInEffect = Settings.Load;
}

int SaveSettings() {
    char fileName[TextBufferSize];
    if (!FileBesideProgram("pelmora.ini", fileName)) return 0;
    // Written key by key into the existing file: whatever else it holds stays.
    for (const SettingsKey& k : SettingsKeys)
        if (!WriteIniInt(SettingsSection, k.key, Settings.*k.field, fileName)) return 0;
    return 1;
}

int LoadRules() {
    char fileName[TextBufferSize];
    if (!FileBesideProgram("rule.ini", fileName)) return 0;
    for (int n = 0;; ++n) {
        char section[32];
        snprintf(section, sizeof section, "Rule%d", n);
        char id[TextBufferSize];
        GetPrivateProfileStringA(section, "ID", "", id, sizeof id, fileName);
        if (!id[0]) break;
        // On a failure the rules before keep their order, and no later rule
        // may take the place of the one that is missing.
        if (!ReadRule(section, id, fileName)) break;
    }
    return 0;
}

namespace {

int WriteRule(const char* section, const GroupRule* rule, const char* fileName) {
    return WritePrivateProfileStringA(section, "ID", rule->id, fileName) &&
           WritePrivateProfileStringA(section, "Title", rule->title ? rule->title : "", fileName) &&
           WriteIniInt(section, "Type", rule->type, fileName) &&
           WriteIniInt(section, "Enable", rule->enable, fileName) &&
           WriteIniInt(section, "WinNum", rule->winNum, fileName);
}

// Whether the file is gone after DeleteFileA: deleted, or never there.
int Gone(BOOL deleted) {
    DWORD error = GetLastError();
    return deleted || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The rules into the file, in RuleList order; how many, or -1 when a write failed.
int WriteRules(const char* fileName) {
    int n = 0;
    for (const GroupRule* rule = RuleList; rule; rule = rule->next) {
        // A rule whose id would read back empty would end the list at the next
        // start and lose every rule after it: it is not written.
        if (ReadsBackEmpty(rule->id)) continue;
        char section[32];
        snprintf(section, sizeof section, "Rule%d", n);
        if (!WriteRule(section, rule, fileName)) return -1;
        ++n;
    }
    // Out of any cache the system keeps of profile files before the file moves.
    if (n > 0) WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName);
    return n;
}

} // namespace

int SaveRules() {
    char fileName[TextBufferSize], newName[TextBufferSize];
    if (!FileBesideProgram("rule.ini", fileName) || !FileBesideProgram("rule.ini.new", newName))
        return 0;
    // The new file starts empty: the profile functions would keep what an
    // earlier, interrupted save left in it.
    if (!Gone(DeleteFileA(newName))) return 0;
    int written = WriteRules(newName);
    if (written == 0) return Gone(DeleteFileA(fileName));
    if (written > 0 && MoveFileExA(newName, fileName, MOVEFILE_REPLACE_EXISTING)) return 1;
    // The old rules stay whole; what was written of the new ones goes.
    DWORD error = GetLastError();
    DeleteFileA(newName);
    SetLastError(error);
    return 0;
}

int WriteIniInt(const char* section, const char* key, int value, const char* fileName) {
    char text[TextBufferSize];
    snprintf(text, sizeof text, "%d", value);
    return WritePrivateProfileStringA(section, key, text, fileName) != 0;
}
