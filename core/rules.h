// The user's rules: built, changed and deleted here, for the rule file's reader
// and the settings dialog alike.
#pragma once

#include "core/model.h"

// What a rule says besides its id (GroupRule gives the meaning of each).
struct RuleFields {
    const char* title; // copied into the rule; empty: none
    int type;
    int enable;
    int winNum;
};

// A new rule with copies of id and title, appended at the tail of RuleList.
// Null when a block could not be had: the failure is logged and nothing is left.
GroupRule* NewRule(const char* id, const RuleFields& fields);
// Gives the rule the fields; 0 when the title could not be copied (logged),
// and then the rule is as it was.
int ChangeRule(GroupRule* rule, const RuleFields& fields);
// The rule whose id is the text byte for byte (its type plays no part: one id
// has at most one rule), with its position from the head; null when none.
GroupRule* FindRuleById(const char* id, int* position);
// Takes the rule out of RuleList and gives it back; groups made under it have
// no rule from then on.
void DeleteRule(GroupRule* rule);
