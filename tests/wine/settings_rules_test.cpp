// The rule tab of the settings dialog and its dismissal, with the real dialog.
#include "tests/wine/settings_dialog_fixture.h"

namespace {

// ---- rules ----

TEST_F(SettingsDialog, AddAppendsANewRuleFromTheForm) {
    AppendTestRule("first", RuleTypePath, 1, -1, "");
    Open();
    SelectTab(1);
    SetText(IDC_SET_RULE_ID, "Notepad");
    SetText(IDC_SET_RULE_TITLE, "memo");
    SetText(IDC_SET_RULE_WINNUM, "3");
    Click(IDC_SET_RULE_CLASS);
    Click(IDC_SET_RULE_ENABLE);
    Command(IDOK);
    ASSERT_EQ(RuleCount(), 2);
    GroupRule* rule = RuleAtIndex(1);
    EXPECT_STREQ(rule->id, "Notepad");
    EXPECT_EQ(rule->idHash, StrHash("Notepad"));
    EXPECT_STREQ(rule->title, "memo");
    EXPECT_EQ(rule->type, RuleTypeClass);
    EXPECT_EQ(rule->enable, 1);
    EXPECT_EQ(rule->winNum, 3);
    EXPECT_EQ(rule->prev, RuleList);
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Cell(1, 0), "Notepad");
    EXPECT_EQ(Cell(1, 1), "memo");
    EXPECT_EQ(Cell(1, 2), "まとめる");
    EXPECT_EQ(Cell(1, 3), "3");
    EXPECT_EQ(RulesDirty, 1);
    // The form is left as it was.
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "Notepad");
    EXPECT_EQ(Text(IDC_SET_RULE_TITLE), "memo");
}

TEST_F(SettingsDialog, AddingToAnEmptyListMakesTheHead) {
    Open();
    SelectTab(1);
    SetText(IDC_SET_RULE_ID, "  Notepad ");
    Command(IDOK);
    ASSERT_EQ(RuleCount(), 1);
    EXPECT_STREQ(RuleList->id, "Notepad"); // blanks around an id are cut
    EXPECT_EQ(RuleList->prev, nullptr);
    EXPECT_EQ(RuleList->enable, 0); // 518 untouched: never collapse
    EXPECT_EQ(RuleList->type, RuleTypePath);
    EXPECT_EQ(Cell(0, 2), "まとめない");
}

TEST_F(SettingsDialog, SameIdChangesTheRuleEvenWithTheOtherTypeSelected) {
    AppendTestRule("a", RuleTypePath, 1, -1, "");
    AppendTestRule("Notepad", RuleTypePath, 1, 4, "old");
    AppendTestRule("z", RuleTypePath, 1, -1, "");
    Open();
    SelectTab(1);
    SetText(IDC_SET_RULE_ID, "Notepad");
    SetText(IDC_SET_RULE_TITLE, "");
    SetText(IDC_SET_RULE_WINNUM, "");
    Click(IDC_SET_RULE_CLASS);
    SetState(IDC_SET_RULE_ENABLE, BST_INDETERMINATE);
    Command(IDOK);
    ASSERT_EQ(RuleCount(), 3);
    GroupRule* rule = RuleAtIndex(1);
    EXPECT_STREQ(rule->id, "Notepad");
    EXPECT_STREQ(rule->title, "");
    EXPECT_EQ(rule->type, RuleTypeClass);
    EXPECT_EQ(rule->enable, 2);
    EXPECT_EQ(rule->winNum, -1);
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(Cell(1, 1), "指定しない");
    EXPECT_EQ(Cell(1, 2), "無効");
    EXPECT_EQ(Cell(1, 3), "指定しない");
}

TEST_F(SettingsDialog, AnIdDifferingOnlyInCaseMakesANewRule) {
    AppendTestRule("Notepad", RuleTypeClass, 1, -1, "");
    Open();
    SelectTab(1);
    SetText(IDC_SET_RULE_ID, "notepad");
    Command(IDOK);
    ASSERT_EQ(RuleCount(), 2);
    EXPECT_STREQ(RuleAtIndex(0)->id, "Notepad");
    EXPECT_STREQ(RuleAtIndex(1)->id, "notepad");
    EXPECT_EQ(RowCount(), 2);
}

class SettingsDialogRuleMinimum : public SettingsDialog,
                                  public ::testing::WithParamInterface<const char*> {};

TEST_P(SettingsDialogRuleMinimum, BelowTwoIsStoredAsNone) {
    Open();
    SelectTab(1);
    SetText(IDC_SET_RULE_ID, "x");
    SetText(IDC_SET_RULE_WINNUM, GetParam());
    Command(IDOK);
    ASSERT_EQ(RuleCount(), 1);
    EXPECT_EQ(RuleList->winNum, -1);
    EXPECT_EQ(Cell(0, 3), "指定しない");
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsDialogRuleMinimum, ::testing::Values("0", "1", ""));

struct RefusedRule {
    const char* name;
    std::string id;
    std::string title;
    const char* message;
};

class SettingsDialogRefusedRule : public SettingsDialog,
                                  public ::testing::WithParamInterface<RefusedRule> {};

TEST_P(SettingsDialogRefusedRule, ShowsItsMessageAndChangesNothing) {
    const RefusedRule& c = GetParam();
    AppendTestRule("kept", RuleTypePath, 1, -1, "title");
    Open();
    SelectTab(1);
    SetText(IDC_SET_RULE_ID, c.id);
    SetText(IDC_SET_RULE_TITLE, c.title);
    SeenBox box = WithBox(IDOK, [&] { Command(IDOK); });
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.text, c.message);
    EXPECT_EQ(RuleCount(), 1);
    EXPECT_STREQ(RuleList->title, "title");
    EXPECT_EQ(RowCount(), 1);
    EXPECT_EQ(RulesDirty, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SettingsDialogRefusedRule,
    ::testing::Values(
        RefusedRule{"LongTitle", "kept", std::string(1024, 't'), "タイトルが長すぎます"},
        RefusedRule{"LongId", std::string(1024, 'i'), "", "実行ファイルパス/クラス名が長すぎます"},
        RefusedRule{"EmptyId", "", "x", "実行ファイルパス/クラス名が入力されていません"},
        RefusedRule{"BlankId", "  \t ", "x", "実行ファイルパス/クラス名が入力されていません"},
        RefusedRule{"QuotedBlankId", "\" \"", "x",
                    "実行ファイルパス/クラス名が入力されていません"}),
    [](const ::testing::TestParamInfo<RefusedRule>& p) { return std::string(p.param.name); });

TEST_F(SettingsDialog, LongestTextsStillFit) {
    Open();
    SelectTab(1);
    SetText(IDC_SET_RULE_ID, std::string(1023, 'i'));
    SetText(IDC_SET_RULE_TITLE, std::string(1023, 't'));
    SeenBox box = WithBox(IDOK, [&] { Command(IDOK); });
    EXPECT_FALSE(box.shown);
    ASSERT_EQ(RuleCount(), 1);
    EXPECT_EQ(strlen(RuleList->id), 1023u);
    EXPECT_EQ(strlen(RuleList->title), 1023u);
}

TEST_F(SettingsDialog, SelectingARowLoadsItsRuleIntoTheForm) {
    AppendTestRule("a", RuleTypePath, 1, -1, "");
    AppendTestRule("Notepad", RuleTypeClass, 2, 5, "memo");
    Open();
    SelectTab(1);
    SelectRow(1);
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "Notepad");
    EXPECT_EQ(Text(IDC_SET_RULE_TITLE), "memo");
    EXPECT_EQ(Text(IDC_SET_RULE_WINNUM), "5");
    EXPECT_EQ(State(IDC_SET_RULE_ENABLE), (UINT)BST_INDETERMINATE);
    EXPECT_EQ(Text(IDC_SET_RULE_ENABLE), "設定を無効にする");
    EXPECT_EQ(State(IDC_SET_RULE_PATH), (UINT)BST_UNCHECKED);
    EXPECT_EQ(State(IDC_SET_RULE_CLASS), (UINT)BST_CHECKED);
    SelectRow(0);
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "a");
    EXPECT_EQ(Text(IDC_SET_RULE_WINNUM), "");
    EXPECT_EQ(Text(IDC_SET_RULE_ENABLE), "ウィンドウをまとめる");
    EXPECT_EQ(State(IDC_SET_RULE_PATH), (UINT)BST_CHECKED);
    // Leaving no row selected loads nothing.
    SetText(IDC_SET_RULE_ID, "typed");
    SelectRow(-1);
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "typed");
}

TEST_F(SettingsDialog, DeleteRemovesTheFirstSelectedRuleAndUnbindsItsGroups) {
    AppendTestRule("a", RuleTypePath, 1, -1, "");
    GroupRule* doomed = AppendTestRule("b", RuleTypePath, 1, -1, "");
    AppendTestRule("c", RuleTypePath, 1, -1, "");
    WndGroup* bound = MakeGroup("bound", {});
    bound->rule = doomed;
    Open();
    SelectTab(1);
    SelectRow(1);
    Command(IDC_SET_SECOND_BUTTON);
    ASSERT_EQ(RuleCount(), 2);
    EXPECT_STREQ(RuleAtIndex(0)->id, "a");
    EXPECT_STREQ(RuleAtIndex(1)->id, "c");
    EXPECT_EQ(RuleAtIndex(1)->prev, RuleAtIndex(0));
    EXPECT_EQ(bound->rule, nullptr);
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Cell(1, 0), "c");
    EXPECT_EQ(RulesDirty, 1);
    EXPECT_TRUE(IsWindow(dlg_));

    SelectRow(0);
    Command(IDC_SET_SECOND_BUTTON);
    ASSERT_EQ(RuleCount(), 1);
    EXPECT_STREQ(RuleList->id, "c");
    EXPECT_EQ(RuleList->prev, nullptr);
}

TEST_F(SettingsDialog, DeleteWithNoRowSelectedDoesNothing) {
    AppendTestRule("a", RuleTypePath, 1, -1, "");
    Open();
    SelectTab(1);
    SelectRow(-1);
    Command(IDC_SET_SECOND_BUTTON);
    EXPECT_EQ(RuleCount(), 1);
    EXPECT_EQ(RowCount(), 1);
    EXPECT_EQ(RulesDirty, 0);
}

// ---- dismissing ----

TEST_F(SettingsDialog, CancelAfterRuleEditsRebuildsAndRewritesTheRuleFile) {
    AppendTestRule("old", RuleTypePath, 1, -1, "");
    MakeGroup(MarkerPath, {});
    Open();
    SelectTab(1);
    SetText(IDC_SET_RULE_ID, "new");
    SetText(IDC_SET_RULE_TITLE, "t");
    Command(IDOK);
    SelectTab(0);
    Command(IDC_SET_SECOND_BUTTON);
    EXPECT_FALSE(IsWindow(dlg_));
    EXPECT_EQ(SettingsDlgWnd, nullptr);
    EXPECT_EQ(FindGroupByPath(MarkerPath), nullptr);
    EXPECT_EQ(ReadIni(RuleFile(), "Rule0", "ID"), "old");
    EXPECT_EQ(ReadIni(RuleFile(), "Rule1", "ID"), "new");
    EXPECT_EQ(ReadIni(RuleFile(), "Rule1", "Title"), "t");
    EXPECT_EQ(ReadIni(RuleFile(), "Rule1", "Enable"), "0");
    EXPECT_EQ(ReadIni(RuleFile(), "Rule1", "WinNum"), "-1");
    EXPECT_EQ(RulesDirty, 0);
}

TEST_F(SettingsDialog, CancelWithoutRuleEditsOnlyCloses) {
    AppendTestRule("old", RuleTypePath, 1, -1, "");
    MakeGroup(MarkerPath, {});
    Open();
    Click(IDC_SET_FLASH); // not applied
    Command(IDC_SET_SECOND_BUTTON);
    EXPECT_FALSE(IsWindow(dlg_));
    EXPECT_EQ(SettingsDlgWnd, nullptr);
    EXPECT_NE(FindGroupByPath(MarkerPath), nullptr);
    EXPECT_FALSE(FileExists(RuleFile()));
    EXPECT_FALSE(FileExists(SettingsFile()));
    EXPECT_EQ(Settings.Flash, 0);
}

TEST_F(SettingsDialog, CloseBoxKeepsRuleEditsLikeCancel) {
    MakeGroup(MarkerPath, {});
    Open();
    SelectTab(1);
    SetText(IDC_SET_RULE_ID, "new");
    Command(IDOK);
    SendMessageA(dlg_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(dlg_));
    EXPECT_EQ(SettingsDlgWnd, nullptr);
    EXPECT_EQ(FindGroupByPath(MarkerPath), nullptr);
    EXPECT_EQ(ReadIni(RuleFile(), "Rule0", "ID"), "new");
}

TEST_F(SettingsDialog, DeletingOnTheWindowTabDoesNotClose) {
    Open();
    SelectTab(1);
    Command(IDC_SET_SECOND_BUTTON);
    EXPECT_TRUE(IsWindow(dlg_));
}

TEST_F(SettingsDialog, ANewDialogCanOpenOnceTheOldOneIsGone) {
    Open();
    Command(IDCANCEL);
    EXPECT_EQ(SettingsDlgWnd, nullptr);
    Open();
    EXPECT_TRUE(IsWindow(dlg_));
}

// ---- allocation failure ----

TEST_F(SettingsDialog, AllocationFailureInTheRuleFormChangesNothingAndIsLogged) {
    AppendTestRule("kept", RuleTypePath, 1, -1, "old title");
    Open();
    SelectTab(1);
    int live = ObjLiveBlocks();
    struct Attempt {
        const char* id;
        int successes; // allocations granted before the refusals start
    };
    // A new rule needs three blocks (title, record, id); a change needs one.
    const Attempt attempts[] = {{"new", 0}, {"new", 1}, {"new", 2}, {"kept", 0}};
    for (const Attempt& a : attempts) {
        SetText(IDC_SET_RULE_ID, a.id);
        SetText(IDC_SET_RULE_TITLE, "new title");
        ObjAllocFailAfter(a.successes);
        Command(IDOK);
        ObjAllocFailAfter(-1);
        EXPECT_EQ(RuleCount(), 1) << a.id << a.successes;
        EXPECT_STREQ(RuleList->title, "old title");
        EXPECT_EQ(RowCount(), 1);
        EXPECT_EQ(RulesDirty, 0);
        EXPECT_EQ(ObjLiveBlocks(), live);
    }
    EXPECT_NE(ErrorLogText().find("メモリの確保に失敗しました\n"), std::string::npos);
    // Once memory is there again the same form goes through.
    SetText(IDC_SET_RULE_ID, "new");
    Command(IDOK);
    EXPECT_EQ(RuleCount(), 2);
}

} // namespace
