// The settings file pelmora.ini and the rule file rule.ini beside the executable.
#pragma once

void LoadSettings();   // fills Settings, SubClassInEffect and LoadInEffect
void SaveSettings();   // writes all ten keys; other keys and sections of the file survive
int LoadRules();       // appends the rules of rule.ini to the empty RuleList; returns 0
void SaveRules();      // rewrites rule.ini from RuleList; an empty list leaves no file
void WriteIniInt(const char* section, const char* key, int value, const char* fileName);
