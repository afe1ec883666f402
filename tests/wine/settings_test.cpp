// pelmora.ini and rule.ini through real files beside a stand-in program directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "core/globals.h"
#include "core/pure/text.h"
#include "tests/support/model_support.h"
#include "tests/support/support.h"

using testing_support::AppendTestRule;
using testing_support::ReadFileText;
using testing_support::WriteFileText;

namespace {

const char* const AllocFailureText = "メモリの確保に失敗しました\n";

class SettingsTest : public testing_support::ModelTest {
  protected:
    void SetUp() override {
        ModelTest::SetUp();
        dir_ = testing_support::MakeTempDir("settings");
        ASSERT_FALSE(dir_.empty());
        ProgramDir = &dir_[0];
    }
    void TearDown() override {
        ProgramDir = nullptr;
        DeleteFileA(SettingsFile().c_str());
        DeleteFileA(RuleFile().c_str());
        RemoveDirectoryA(dir_.c_str());
        ModelTest::TearDown();
    }
    std::string SettingsFile() const { return dir_ + "pelmora.ini"; }
    std::string RuleFile() const { return dir_ + "rule.ini"; }
    bool RuleFileExists() const {
        return GetFileAttributesA(RuleFile().c_str()) != INVALID_FILE_ATTRIBUTES;
    }
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

const std::vector<int> Defaults = {2, 0, 1, 1, 1, 0, 0, 1, 1, 0};

struct RuleText {
    std::string id;
    std::string title;
    int type;
    int enable;
    int winNum;
};

std::vector<RuleText> LoadedRules() {
    std::vector<RuleText> rules;
    const GroupRule* prev = nullptr;
    for (const GroupRule* r = RuleList; r; r = r->next) {
        EXPECT_EQ(r->prev, prev) << "rules are doubly linked";
        EXPECT_EQ(r->idHash, StrHash(r->id)) << r->id;
        rules.push_back({r->id, r->title ? r->title : "(null)", r->type, r->enable, r->winNum});
        prev = r;
    }
    return rules;
}

void ExpectRules(const std::vector<RuleText>& expected) {
    std::vector<RuleText> got = LoadedRules();
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].id, expected[i].id) << i;
        EXPECT_EQ(got[i].title, expected[i].title) << i;
        EXPECT_EQ(got[i].type, expected[i].type) << i;
        EXPECT_EQ(got[i].enable, expected[i].enable) << i;
        EXPECT_EQ(got[i].winNum, expected[i].winNum) << i;
    }
}

} // namespace

// ---- settings ----

TEST_F(SettingsTest, WithoutASettingsFileEveryKeyHasItsDefault) {
    Settings = SettingsRecord{9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    SubClassInEffect = LoadInEffect = 9;
    LoadSettings();
    EXPECT_EQ(SettingsValues(), Defaults);
    EXPECT_EQ(SubClassInEffect, 1);
    EXPECT_EQ(LoadInEffect, 1);
}

TEST_F(SettingsTest, ValuesAreLoadedAsTheyStandAndMissingKeysTakeTheirDefaults) {
    ASSERT_TRUE(WriteFileText(SettingsFile(), "[other]\r\nWinNum=40\r\n"
                                              "[pelmora]\r\nWinNum=1\r\nFlash=-3\r\nAnd=5\r\n"
                                              "Menu=7\r\nSubClass=0\r\nLoad=0\r\n"
                                              "ClassAddress=1\r\n"));
    LoadSettings();
    EXPECT_EQ(SettingsValues(), (std::vector<int>{1, -3, 1, 5, 1, 0, 7, 0, 0, 1}));
    EXPECT_EQ(SubClassInEffect, 0);
    EXPECT_EQ(LoadInEffect, 0);
}

TEST_F(SettingsTest, SavedSettingsReadBackAndSubClassAndLoadWaitForTheNextStart) {
    LoadSettings();
    Settings = SettingsRecord{3, 1, 0, 0, 0, 1, 2, 0, 0, 1};
    SaveSettings();
    // The running program keeps the values it started with.
    EXPECT_EQ(SubClassInEffect, 1);
    EXPECT_EQ(LoadInEffect, 1);
    EXPECT_EQ(Profile("pelmora", "SubClass", SettingsFile()), "0");
    Settings = SettingsRecord{};
    LoadSettings();
    EXPECT_EQ(SettingsValues(), (std::vector<int>{3, 1, 0, 0, 0, 1, 2, 0, 0, 1}));
    EXPECT_EQ(SubClassInEffect, 0);
    EXPECT_EQ(LoadInEffect, 0);
}

TEST_F(SettingsTest, SaveSettingsWritesAllTenKeysInOrder) {
    LoadSettings();
    Settings.WinNum = -12;
    SaveSettings();
    std::string text = ReadFileText(SettingsFile());
    const char* keys[] = {"WinNum=-12", "Flash=0", "Icon=1",     "And=1",  "Path=1",
                          "Class=0",    "Menu=0",  "SubClass=1", "Load=1", "ClassAddress=0"};
    size_t at = text.find("[pelmora]");
    ASSERT_NE(at, std::string::npos) << text;
    for (const char* key : keys) {
        size_t next = text.find(key, at);
        EXPECT_NE(next, std::string::npos) << key << " in " << text;
        if (next != std::string::npos) at = next;
    }
}

TEST_F(SettingsTest, KeysAndSectionsAUserAddedSurviveSaveSettings) {
    ASSERT_TRUE(WriteFileText(SettingsFile(), "[pelmora]\r\nWinNum=5\r\nMyNote=keep me\r\n"
                                              "[Mine]\r\nColour=blue\r\n"));
    LoadSettings();
    Settings.WinNum = 4;
    SaveSettings();
    EXPECT_EQ(Profile("pelmora", "MyNote", SettingsFile()), "keep me");
    EXPECT_EQ(Profile("Mine", "Colour", SettingsFile()), "blue");
    EXPECT_EQ(Profile("pelmora", "WinNum", SettingsFile()), "4");
}

TEST_F(SettingsTest, WithoutAProgramDirectoryNothingIsReadOrWritten) {
    ProgramDir = nullptr;
    Settings.WinNum = 7;
    LoadSettings();
    EXPECT_EQ(SettingsValues(), Defaults);
    SaveSettings();
    SaveRules();
    EXPECT_EQ(LoadRules(), 0);
    EXPECT_EQ(RuleList, nullptr);
}

TEST_F(SettingsTest, WriteIniIntWritesTheDecimalValue) {
    const int values[] = {0, 516, -1, 2147483647, -2147483647 - 1};
    for (int v : values) {
        WriteIniInt("S", "K", v, SettingsFile().c_str());
        EXPECT_EQ(Profile("S", "K", SettingsFile()), std::to_string(v));
    }
}

// ---- rules ----

TEST_F(SettingsTest, WithoutARuleFileTheRuleListStaysEmpty) {
    EXPECT_EQ(LoadRules(), 0);
    EXPECT_EQ(RuleList, nullptr);
}

TEST_F(SettingsTest, RulesLoadInFileOrderUpToTheFirstMissingSection) {
    ASSERT_TRUE(WriteFileText(RuleFile(),
                              "[Rule0]\r\nID=C:\\a.exe\r\nTitle=A\r\nType=516\r\nEnable=1\r\n"
                              "WinNum=3\r\n"
                              "[Rule2]\r\nID=Never\r\nType=517\r\n"));
    LoadRules();
    ExpectRules({{"C:\\a.exe", "A", 516, 1, 3}});
}

TEST_F(SettingsTest, AnEmptyIdEndsTheList) {
    ASSERT_TRUE(WriteFileText(RuleFile(), "[Rule0]\r\nID=First\r\n[Rule1]\r\nID=\r\nTitle=x\r\n"
                                          "[Rule2]\r\nID=Third\r\n"));
    LoadRules();
    ExpectRules({{"First", "", 516, 1, -1}});
}

TEST_F(SettingsTest, ASectionWithOnlyAnIdTakesTheDefaults) {
    ASSERT_TRUE(WriteFileText(RuleFile(), "[Rule0]\r\nID=Notepad\r\n"));
    LoadRules();
    ExpectRules({{"Notepad", "", RuleTypePath, 1, -1}});
}

TEST_F(SettingsTest, OutOfRangeRuleValuesAreKeptAsTheyStand) {
    ASSERT_TRUE(WriteFileText(RuleFile(), "[Rule0]\r\nID=a\r\nType=999\r\nEnable=5\r\nWinNum=0\r\n"
                                          "[Rule1]\r\nID=b\r\nType=-1\r\nEnable=-2\r\n"
                                          "WinNum=-7\r\n"
                                          "[Rule2]\r\nID=c\r\nType=517\r\nEnable=0\r\n"
                                          "WinNum=1\r\n"));
    LoadRules();
    ExpectRules({{"a", "", 999, 5, 0}, {"b", "", -1, -2, -7}, {"c", "", 517, 0, 1}});
}

TEST_F(SettingsTest, IdsAndTitlesLongerThan1023BytesAreCut) {
    std::string longId(1500, 'i');
    std::string longTitle(2000, 't');
    ASSERT_TRUE(WriteFileText(RuleFile(), "[Rule0]\r\nID=" + longId + "\r\nTitle=" + longTitle +
                                              "\r\n[Rule1]\r\nID=" + std::string(1023, 'x') +
                                              "\r\n"));
    LoadRules();
    ExpectRules({{longId.substr(0, 1023), longTitle.substr(0, 1023), 516, 1, -1},
                 {std::string(1023, 'x'), "", 516, 1, -1}});
}

TEST_F(SettingsTest, SavedRulesReadBackInOrder) {
    AppendTestRule("C:\\ソフト\\表示.exe", RuleTypePath, 1, -1, "表示");
    AppendTestRule("Notepad", RuleTypeClass, 0, 4, "");
    AppendTestRule("C:\\b.exe", RuleTypePath, 2, 2, "B title");
    AppendTestRule("odd", 999, 7, -5, "");
    SaveRules();
    EXPECT_EQ(Profile("Rule0", "WinNum", RuleFile()), "-1");
    testing_support::FreeModel();
    LoadRules();
    ExpectRules({{"C:\\ソフト\\表示.exe", "表示", 516, 1, -1},
                 {"Notepad", "", 517, 0, 4},
                 {"C:\\b.exe", "B title", 516, 2, 2},
                 {"odd", "", 999, 7, -5}});
}

TEST_F(SettingsTest, SaveRulesWritesFiveKeysPerRuleInOrder) {
    AppendTestRule("C:\\a.exe", RuleTypePath, 1, 3, "A");
    SaveRules();
    std::string text = ReadFileText(RuleFile());
    const char* keys[] = {"[Rule0]", "ID=C:\\a.exe", "Title=A", "Type=516", "Enable=1", "WinNum=3"};
    size_t at = 0;
    for (const char* key : keys) {
        size_t next = text.find(key, at);
        EXPECT_NE(next, std::string::npos) << key << " in " << text;
        if (next != std::string::npos) at = next;
    }
}

TEST_F(SettingsTest, SaveRulesReplacesTheWholeFile) {
    ASSERT_TRUE(WriteFileText(RuleFile(), "[Rule0]\r\nID=old0\r\n[Rule1]\r\nID=old1\r\n"
                                          "[Rule2]\r\nID=old2\r\n[Extra]\r\nx=1\r\n"));
    AppendTestRule("new0", RuleTypeClass);
    SaveRules();
    EXPECT_EQ(Profile("Rule0", "ID", RuleFile()), "new0");
    EXPECT_EQ(Profile("Rule1", "ID", RuleFile()), "(missing)");
    EXPECT_EQ(Profile("Extra", "x", RuleFile()), "(missing)");
}

TEST_F(SettingsTest, SavingAnEmptyRuleListRemovesTheRuleFile) {
    AppendTestRule("a", RuleTypePath);
    SaveRules();
    ASSERT_TRUE(RuleFileExists());
    testing_support::FreeModel();
    SaveRules();
    EXPECT_FALSE(RuleFileExists());
    SaveRules(); // no file to remove: nothing happens
    EXPECT_FALSE(RuleFileExists());
}

TEST_F(SettingsTest, ARuleWhoseIdWouldReadBackEmptyIsNotSavedSoLaterRulesSurvive) {
    AppendTestRule("first", RuleTypePath);
    AppendTestRule("   ", RuleTypePath);
    AppendTestRule("", RuleTypeClass);
    AppendTestRule("last", RuleTypeClass);
    SaveRules();
    testing_support::FreeModel();
    LoadRules();
    ExpectRules({{"first", "", 516, 1, -1}, {"last", "", 517, 1, -1}});
}

TEST_F(SettingsTest, LoadRulesStopsCleanlyWhenMemoryRunsOut) {
    ASSERT_TRUE(WriteFileText(RuleFile(), "[Rule0]\r\nID=a\r\nTitle=A\r\n"
                                          "[Rule1]\r\nID=b\r\nType=517\r\n"
                                          "[Rule2]\r\nID=c\r\nWinNum=3\r\n"));
    const std::vector<RuleText> all = {
        {"a", "A", 516, 1, -1}, {"b", "", 517, 1, -1}, {"c", "", 516, 1, 3}};
    const int blocks = ObjLiveBlocks();
    // Refuse the first, second, ... allocation until loading needs no more.
    for (int successes = 0;; ++successes) {
        testing_support::TempCurrentDir cwd;
        ObjAllocFailAfter(successes);
        EXPECT_EQ(LoadRules(), 0);
        bool refused = ObjAllocRefusals() > 0;
        ObjAllocFailAfter(-1);
        std::vector<RuleText> got = LoadedRules();
        if (!refused) {
            EXPECT_EQ(got.size(), all.size());
            EXPECT_EQ(cwd.ErrorLogText(), "");
            testing_support::FreeModel();
            break;
        }
        // Only whole rules, the ones before the failure, in order; one log entry.
        ASSERT_LT(got.size(), all.size()) << successes;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i].id, all[i].id) << successes;
        EXPECT_EQ(cwd.ErrorLogText(), AllocFailureText) << successes;
        testing_support::FreeModel();
        EXPECT_EQ(ObjLiveBlocks(), blocks) << "blocks of the failed rule were kept: " << successes;
        ASSERT_LT(successes, 100);
    }
}
