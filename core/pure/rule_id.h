// Rule ids as the rule file can hold them. The private-profile functions drop
// blanks around a value and one pair of matching quotes around it, so an id is
// cut to what the file gives back before it is stored.
#pragma once

// Cuts spaces and tabs from both ends of text, in place; then, when what is
// left is blanks inside one pair of matching quotes, empties it, since such an
// id would read back empty and end the rule list at the next start.
void TrimRuleId(char* text);
