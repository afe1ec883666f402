// The user's rules: built, changed and deleted in one place.
#include "core/rules.h"

#include <string.h>

#include "core/errorlog.h"
#include "core/pure/list.h"
#include "core/pure/text.h"
#include "core/state.h"

GroupRule* NewRule(const char* id, const RuleFields& fields) {
    // Every block is had before anything is linked, so a failure leaves no
    // half-made rule behind.
    GroupRule* rule = static_cast<GroupRule*>(ObjAlloc(sizeof(GroupRule)));
    if (rule) {
        rule->id = ObjStrDup(id);
        rule->title = ObjStrDup(fields.title);
    }
    if (!rule || !rule->id || !rule->title) {
        FreeRule(rule);
        LogAllocFailure();
        return nullptr;
    }
    rule->idHash = StrHash(rule->id);
    rule->type = fields.type;
    rule->enable = fields.enable;
    rule->winNum = fields.winNum;
    ListAppend(RuleList, rule);
    return rule;
}

int ChangeRule(GroupRule* rule, const RuleFields& fields) {
    char* title = ObjStrDup(fields.title);
    if (!title) {
        LogAllocFailure();
        return 0;
    }
    if (rule->title) ObjFree(rule->title);
    rule->title = title;
    rule->type = fields.type;
    rule->enable = fields.enable;
    rule->winNum = fields.winNum;
    return 1;
}

GroupRule* FindRuleById(const char* id, int* position) {
    int hash = StrHash(id);
    int n = 0;
    for (GroupRule* rule = RuleList; rule; rule = rule->next, ++n) {
        if (rule->idHash == hash && strcmp(rule->id, id) == 0) {
            *position = n;
            return rule;
        }
    }
    return nullptr;
}

void DeleteRule(GroupRule* rule) {
    // A group keeps no pointer to a rule that is gone; the groups themselves
    // change when the rule edits are committed.
    for (WndGroup* group = GroupList; group; group = group->next)
        if (group->rule == rule) group->rule = nullptr;
    ListUnlink(RuleList, rule);
    FreeRule(rule);
}
