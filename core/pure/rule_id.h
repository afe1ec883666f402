// Rule ids as the rule file can hold them. The private-profile functions drop
// blanks around a value and one pair of matching quotes around it, so an id is
// cut to what the file gives back before it is stored.
#pragma once

// Cuts spaces and tabs from both ends of text, in place, then one pair of
// matching quotes around what is left and the blanks inside them, so that the
// id means the same before and after it went through the file. An id of
// blanks (quoted or not) becomes empty.
void TrimRuleId(char* text);
