// pelmora.ini and rule.ini through real files in a program directory of the test's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/settings.h"
#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "core/pure/text.h"
#include "tests/support/model_support.h"

using namespace testing_support;

namespace {

class Files : public ModelTest {
  protected:
    void SetUp() override {
        ModelTest::SetUp();
        dir_ = cwd_.path();
        ProgramDir = &dir_[0];
    }
    void TearDown() override {
        ProgramDir = nullptr;
        ModelTest::TearDown();
    }
    std::string Ini() const { return dir_ + "pelmora.ini"; }
    std::string RuleFile() const { return dir_ + "rule.ini"; }
    std::string Profile(const char* section, const char* key, const std::string& file) const {
        char buffer[2048];
        GetPrivateProfileStringA(section, key, "(missing)", buffer, sizeof buffer, file.c_str());
        return buffer;
    }
    std::string dir_;
};

std::vector<int> SettingsValues() {
    const SettingsRecord& s = Settings;
    return {s.WinNum, s.Flash, s.Icon,     s.And,  s.Path,
            s.Class,  s.Menu,  s.SubClass, s.Load, s.ClassAddress};
}

// The loaded rules as "id|title|type|enable|winNum", checking the links and hashes.
std::vector<std::string> LoadedRules() {
    std::vector<std::string> rules;
    const GroupRule* prev = nullptr;
    for (const GroupRule* r = RuleList; r; prev = r, r = r->next) {
        EXPECT_EQ(r->prev, prev) << "rules are doubly linked";
        EXPECT_EQ(r->idHash, StrHash(r->id)) << r->id;
        rules.push_back(std::string(r->id) + "|" + (r->title ? r->title : "(null)") + "|" +
                        std::to_string(r->type) + "|" + std::to_string(r->enable) + "|" +
                        std::to_string(r->winNum));
    }
    return rules;
}

} // namespace

TEST_F(Files, WithoutFilesEverySettingHasItsDefaultAndThereAreNoRules) {
    Settings = SettingsRecord{9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    SubClassInEffect = LoadInEffect = 9;
    LoadSettings();
    EXPECT_EQ(SettingsValues(), (std::vector<int>{2, 0, 1, 1, 1, 0, 0, 1, 1, 0}));
    EXPECT_EQ(SubClassInEffect, 1);
    EXPECT_EQ(LoadInEffect, 1);
    EXPECT_EQ(LoadRules(), 0);
    EXPECT_EQ(RuleList, nullptr);
}

TEST_F(Files, SettingsLoadAsTheyStandAndMissingKeysTakeTheirDefaults) {
    ASSERT_TRUE(WriteFileText(Ini(),
                              "[other]\r\nWinNum=40\r\n[pelmora]\r\nWinNum=1\r\nFlash=-3\r\n"
                              "And=5\r\nMenu=7\r\nSubClass=0\r\nLoad=0\r\nClassAddress=1\r\n"));
    LoadSettings();
    EXPECT_EQ(SettingsValues(), (std::vector<int>{1, -3, 1, 5, 1, 0, 7, 0, 0, 1}));
    EXPECT_EQ(SubClassInEffect, 0);
    EXPECT_EQ(LoadInEffect, 0);
}

TEST_F(Files, SavedSettingsReadBackKeepWhatAUserAddedAndSubClassAndLoadWaitForTheNextStart) {
    ASSERT_TRUE(WriteFileText(Ini(), "[pelmora]\r\nWinNum=5\r\nMyNote=keep me\r\n"
                                     "[Mine]\r\nColour=blue\r\n"));
    LoadSettings();
    Settings = SettingsRecord{3, 1, 0, 0, 0, 1, 2, 0, 0, 1};
    SaveSettings();
    EXPECT_EQ(SubClassInEffect, 1); // the running program keeps what it started with
    EXPECT_EQ(LoadInEffect, 1);
    EXPECT_EQ(Profile("pelmora", "MyNote", Ini()), "keep me");
    EXPECT_EQ(Profile("Mine", "Colour", Ini()), "blue");
    Settings = SettingsRecord{};
    LoadSettings();
    EXPECT_EQ(SettingsValues(), (std::vector<int>{3, 1, 0, 0, 0, 1, 2, 0, 0, 1}));
    EXPECT_EQ(SubClassInEffect, 0);
    EXPECT_EQ(LoadInEffect, 0);
}

TEST_F(Files, WithoutAProgramDirectoryNothingIsReadOrWritten) {
    ProgramDir = nullptr;
    Settings.WinNum = 7;
    LoadSettings();
    EXPECT_EQ(Settings.WinNum, 2);
    SaveSettings();
    SaveRules();
    EXPECT_EQ(LoadRules(), 0);
    EXPECT_EQ(RuleList, nullptr);
}

TEST_F(Files, RulesLoadInFileOrderUpToTheFirstMissingSectionOrEmptyId) {
    const std::string longId(1500, 'i'), longTitle(2000, 't'), fits(1023, 'x');
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> rules;
    } cases[] = {
        {"Rule2 without Rule1",
         "[Rule0]\r\nID=C:\\a.exe\r\nTitle=A\r\nType=517\r\nEnable=0\r\nWinNum=3\r\n"
         "[Rule2]\r\nID=Never\r\n",
         {"C:\\a.exe|A|517|0|3"}},
        {"an empty id ends the list",
         "[Rule0]\r\nID=First\r\n[Rule1]\r\nID=\r\n[Rule2]\r\nID=3\r\n",
         {"First||516|1|-1"}},
        {"values out of range kept as they stand",
         "[Rule0]\r\nID=a\r\nType=999\r\nEnable=5\r\nWinNum=0\r\n"
         "[Rule1]\r\nID=b\r\nType=-1\r\nEnable=-2\r\nWinNum=-7\r\n",
         {"a||999|5|0", "b||-1|-2|-7"}},
        {"ids and titles longer than 1023 bytes cut",
         "[Rule0]\r\nID=" + longId + "\r\nTitle=" + longTitle + "\r\n[Rule1]\r\nID=" + fits +
             "\r\n",
         {std::string(1023, 'i') + "|" + std::string(1023, 't') + "|516|1|-1",
          fits + "||516|1|-1"}},
    };
    for (const Case& c : cases) {
        FreeModel();
        ASSERT_TRUE(WriteFileText(RuleFile(), c.text));
        LoadRules();
        EXPECT_EQ(LoadedRules(), c.rules) << c.what;
    }
}

TEST_F(Files, SavedRulesReadBackInOrderAndReplaceTheWholeFile) {
    ASSERT_TRUE(WriteFileText(RuleFile(), "[Rule0]\r\nID=old0\r\n[Rule1]\r\nID=old1\r\n"
                                          "[Rule4]\r\nID=old4\r\n[Rule5]\r\nID=old5\r\n"));
    AppendTestRule("C:\\ソフト\\表示.exe", RuleTypePath, 1, -1, "表示");
    AppendTestRule("Notepad", RuleTypeClass, 0, 4, "");
    AppendTestRule("   ", RuleTypePath); // an id that would read back empty is left out,
    AppendTestRule("", RuleTypeClass);   // so that the rules after it survive
    AppendTestRule("C:\\b.exe", RuleTypePath, 2, 2, "B title");
    AppendTestRule("odd", 999, 7, -5, "");
    SaveRules();
    EXPECT_EQ(Profile("Rule4", "ID", RuleFile()), "(missing)");
    FreeModel();
    LoadRules();
    EXPECT_EQ(LoadedRules(),
              (std::vector<std::string>{"C:\\ソフト\\表示.exe|表示|516|1|-1", "Notepad||517|0|4",
                                        "C:\\b.exe|B title|516|2|2", "odd||999|7|-5"}));
}

TEST_F(Files, SavingAnEmptyRuleListRemovesTheRuleFile) {
    AppendTestRule("a", RuleTypePath);
    SaveRules();
    ASSERT_NE(GetFileAttributesA(RuleFile().c_str()), INVALID_FILE_ATTRIBUTES);
    FreeModel();
    SaveRules();
    EXPECT_EQ(GetFileAttributesA(RuleFile().c_str()), INVALID_FILE_ATTRIBUTES);
    SaveRules(); // no file to remove: nothing happens
}

TEST_F(Files, LoadRulesStopsCleanlyWhenMemoryRunsOut) {
    ASSERT_TRUE(WriteFileText(RuleFile(), "[Rule0]\r\nID=a\r\nTitle=A\r\n[Rule1]\r\nID=b\r\n"
                                          "[Rule2]\r\nID=c\r\nWinNum=3\r\n"));
    const std::vector<std::string> all = {"a|A|516|1|-1", "b||516|1|-1", "c||516|1|3"};
    const int blocks = ObjLiveBlocks();
    // Refuse the first, second, ... allocation until loading needs no more.
    for (int successes = 0; successes < 100; ++successes) {
        TempCurrentDir cwd;
        ObjAllocFailAfter(successes);
        EXPECT_EQ(LoadRules(), 0);
        bool refused = ObjAllocRefusals() > 0;
        ObjAllocFailAfter(-1);
        std::vector<std::string> got = LoadedRules();
        FreeModel();
        if (!refused) {
            EXPECT_EQ(got, all);
            EXPECT_EQ(cwd.ErrorLogText(), "");
            break;
        }
        // Only whole rules, the ones before the failure, in order; one log entry.
        ASSERT_LT(got.size(), all.size()) << successes;
        EXPECT_EQ(got, std::vector<std::string>(all.begin(), all.begin() + got.size()));
        EXPECT_EQ(cwd.ErrorLogText(), AllocFailureText) << successes;
        EXPECT_EQ(ObjLiveBlocks(), blocks) << "blocks of the failed rule were kept: " << successes;
    }
}
