#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

namespace kelvaro {

// The two compiled-in catalogues, one list each: the name a text is reached by and its number in the
// catalogue. The numbers are the catalogues' own and never change; the two catalogues' numbers overlap.
// BEGIN-TEXT-LISTS
#define KELVARO_PROGRAM_TEXTS(X)       \
    X(UpperButton, 10)                 \
    X(UpperExceptLongButton, 11)       \
    X(LowerButton, 12)                 \
    X(ShortNameButton, 13)             \
    X(EightButton, 14)                 \
    X(FullWidthButton, 15)             \
    X(HalfWidthButton, 16)             \
    X(UpperHint, 20)                   \
    X(UpperExceptLongHint, 21)         \
    X(LowerHint, 22)                   \
    X(ShortNameHint, 23)               \
    X(EightHint, 24)                   \
    X(FullWidthHint, 25)               \
    X(HalfWidthHint, 26)               \
    X(FolderWindowCaption, 1000)       \
    X(FolderDriveHint, 1001)           \
    X(FolderTreeHint, 1002)            \
    X(FolderCurrentHint, 1003)         \
    X(SubfolderWindowCaption, 2000)    \
    X(SubfolderListHint, 2001)         \
    X(AddSelectedHint, 2002)           \
    X(AddAllHint, 2003)                \
    X(AddAllBelowHint, 2004)           \
    X(TargetWindowCaption, 3000)       \
    X(TargetListHint, 3001)            \
    X(RemoveSelectedHint, 3002)        \
    X(RemoveAllHint, 3003)             \
    X(SameAsFolderWindow, 3007)        \
    X(TooManyFolders, 3100)            \
    X(HistoryWindowCaption, 5000)      \
    X(HistoryListHint, 5001)           \
    X(ChangedWindowCaption, 6000)      \
    X(ChangedListHint, 6001)           \
    X(AboutCaption, 7000)              \
    X(ProgramNameKana, 7001)           \
    X(OptionCaption, 8000)             \
    X(AutoRunOption, 8038)             \
    X(HiraganaOption, 8039)            \
    X(AutoRunHint, 8041)               \
    X(HiraganaHint, 8042)              \
    X(AutoUpperOption, 8050)           \
    X(AutoUpperExceptLongOption, 8051) \
    X(AutoLowerOption, 8052)           \
    X(AutoShortNameOption, 8053)       \
    X(AutoEightOption, 8054)           \
    X(AutoFullWidthOption, 8055)       \
    X(AutoHalfWidthOption, 8056)       \
    X(AutoUpperHint, 8060)             \
    X(AutoUpperExceptLongHint, 8061)   \
    X(AutoLowerHint, 8062)             \
    X(AutoShortNameHint, 8063)         \
    X(AutoEightHint, 8064)             \
    X(AutoFullWidthHint, 8065)         \
    X(AutoHalfWidthHint, 8066)         \
    X(InitialFolderCaption, 9000)      \
    X(CopyFromCurrentFolder, 9005)     \
    X(CopyFromTempFolder, 9007)        \
    X(ProgramTitle, 9999)              \
    X(InitialFolderLabel, 10000)       \
    X(ReturnToLastFolderHint, 10020)   \
    X(InitialDriveHint, 10021)         \
    X(InitialFolderHint, 10022)        \
    X(InitialFolderNameHint, 10023)    \
    X(KeptLongLine, 20000)             \
    X(UnchangedLine, 20001)            \
    X(NotRenamedLine, 20002)           \
    X(RenamedLine, 20003)              \
    X(RenamedToLine, 20004)            \
    X(KeptEightLongLine, 20005)        \
    X(NotUndoableLine, 21000)          \
    X(WhereaboutsUnknownLine, 21001)   \
    X(RecoveredLine, 21002)            \
    X(LeftUnderTempLine, 21003)        \
    X(CompletedLine, 21004)            \
    X(RecoveryLostLine, 21005)         \
    X(UndoMenuItem, 21006)             \
    X(UndoHeadLine, 21007)             \
    X(NothingToUndoLine, 21008)        \
    X(UndoGoneLine, 21009)             \
    X(UndoTakenLine, 21010)            \
    X(HelpFileMissing, 23000)          \
    X(HelpNotShown, 23001)             \
    X(SendToAdd, 23002)                \
    X(SendToRemove, 23003)             \
    X(SendToHint, 23004)               \
    X(SendToAddFailed, 23005)          \
    X(SendToRemoveFailed, 23006)       \
    X(UsageOldHead, 24000)             \
    X(UsageMode, 24001)                \
    X(UsageModeList, 24002)            \
    X(UsageDryRun, 24003)              \
    X(UsageLog, 24004)                 \
    X(UsageListFile, 24005)            \
    X(UsageHelp, 24006)                \
    X(UsageSwitchesFirst, 24007)       \
    X(UsageExitCodes, 24008)           \
    X(UnknownSwitchError, 24010)       \
    X(BadModeError, 24011)             \
    X(ListFileUnreadableError, 24012)  \
    X(ModeMissingError, 24013)         \
    X(NoFoldersError, 24014)           \
    X(SwitchAfterFolderError, 24015)   \
    X(OpenQuoteError, 24016)           \
    X(LogNotWritableError, 24017)      \
    X(RepeatedSwitchError, 24018)      \
    X(LogNameMissingError, 24019)      \
    X(FolderNotFoundError, 24020)      \
    X(DryRunDoneLine, 24040)           \
    X(PreviewCaption, 22000)           \
    X(PreviewBeforeColumn, 22001)      \
    X(PreviewAfterColumn, 22002)       \
    X(PreviewStateColumn, 22003)       \
    X(PreviewRun, 22004)               \
    X(PreviewCancel, 22005)            \
    X(PreviewOnlyKept, 22006)          \
    X(PreviewMenuItem, 22007)          \
    X(ConfirmBeforeRunOption, 22008)   \
    X(PreviewModeLabel, 22009)         \
    X(WillRenameState, 22010)          \
    X(SameState, 22011)                \
    X(KeptLongState, 22012)            \
    X(KeptEightLongState, 22013)       \
    X(BadNameState, 22014)             \
    X(NotFoundState, 22015)            \
    X(SiblingExistsState, 22016)       \
    X(ListClashState, 22017)           \
    X(TooLongState, 22018)             \
    X(BelowRenamedNote, 22019)         \
    X(ListClashNote, 22020)            \
    X(PreviewTotal, 22021)             \
    X(PreviewCountUnit, 22022)         \
    X(PreviewModeHint, 22030)          \
    X(PreviewListHint, 22031)          \
    X(PreviewOnlyKeptHint, 22032)      \
    X(PreviewRunHint, 22033)           \
    X(PreviewCancelHint, 22034)        \
    X(ConfirmBeforeRunHint, 22035)     \
    X(UsageHint, 25000)                \
    X(ListFileEmptyError, 25001)       \
    X(UndoWithOthersError, 25002)      \
    X(LogOnOwnFileError, 25003)        \
    X(EarlierRunHeading, 25004)        \
    X(ThisRunHeading, 25005)           \
    X(UsageHead, 25010)                \
    X(UsageUndoLine, 25011)            \
    X(UsageRemoveSettingsLine, 25012)  \
    X(UsageTsv, 25013)                 \
    X(UsageTsvFields, 25014)           \
    X(UsageUtf8, 25015)                \
    X(UsageClip, 25016)                \
    X(UsageUndo, 25017)                \
    X(UsageRemoveSettings, 25018)      \
    X(UsageRelativeNames, 25019)       \
    X(UsageGuide, 25020)               \
    X(NotRecordedLine, 26000)          \
    X(RecordingStoppedLine, 26001)     \
    X(WaitingForDriveLine, 26002)      \
    X(DamagedUndoLine, 26003)          \
    X(SkippedRecordsLine, 26004)       \
    X(SkippedRecordsUnit, 26005)       \
    X(LaterRunsUndoableLine, 26006)    \
    X(JournalUnreadableLine, 26007)    \
    X(StoredOtherwiseLine, 26050)      \
    X(ErrorNumberLine, 26051)          \
    X(NoShortNameLine, 27000)          \
    X(NoShortNameState, 27001)         \
    X(TempNameTooLongNote, 27002)      \
    X(TempPathTooLongNote, 27003)      \
    X(TempNameTooManyBytesNote, 27004) \
    X(NotCopiedLine, 27005)            \
    X(WaitingForTurnLine, 27100)       \
    X(StandardButton, 28000)           \
    X(StandardHint, 28001)             \
    X(AutoStandardOption, 28002)       \
    X(AutoStandardHint, 28003)         \
    X(CutShortStoryLine, 28100)        \
    X(CutShortRenamedLine, 28101)      \
    X(ResumeHintLine, 28102)           \
    X(NothingToResumeLine, 28103)      \
    X(ResumeHeadLine, 28104)           \
    X(ResumeQuestion, 28105)           \
    X(UsageResumeLine, 28106)          \
    X(UsageResume, 28107)              \
    X(ResumeWithOthersError, 28108)    \
    X(UndoManyQuestion, 28109)         \
    X(RunsCaption, 28110)              \
    X(RunsTimeColumn, 28111)           \
    X(RunsModeColumn, 28112)           \
    X(RunsCountColumn, 28113)          \
    X(RunsStateColumn, 28114)          \
    X(RunsUndoButton, 28115)           \
    X(RunsResumeButton, 28116)         \
    X(RunsCloseButton, 28117)          \
    X(TakenBackState, 28118)           \
    X(PartlyTakenBackState, 28119)     \
    X(NoModeRecorded, 28121)           \
    X(RunsUndoHint, 28122)             \
    X(RunsResumeHint, 28123)           \
    X(RunsListHint, 28124)             \
    X(SummaryHead, 28150)              \
    X(SummaryRenamed, 28151)           \
    X(SummarySame, 28152)              \
    X(SummaryNotRenamed, 28153)        \
    X(SummaryNotReached, 28154)        \
    X(SummaryUndone, 28155)            \
    X(SummaryNotUndone, 28156)         \
    X(SummaryUnit, 28157)              \
    X(AddEveryLevelMenuItem, 28160)    \
    X(AddEveryLevelHint, 28161)        \
    X(LeftOutState, 28200)             \
    X(PreviewOnlyRefused, 28201)       \
    X(PreviewOnlyRefusedHint, 28202)   \
    X(PreviewModeLabelKey, 28203)      \
    X(PreviewRunKey, 28204)            \
    X(PreviewCancelKey, 28205)         \
    X(PreviewCheckListHint, 28206)     \
    X(UsageSubfolders, 29000)          \
    X(HiddenNeedsSubfolders, 29002)    \
    X(UnlistedLine, 29003)             \
    X(CountingProgress, 29004)         \
    X(TimeLeftProgress, 29005)         \
    X(HoursUnit, 29006)                \
    X(MinutesUnit, 29007)              \
    X(SecondsUnit, 29008)              \
    X(ResumeByCommandLine, 29090)      \
    X(SummaryAtLeast, 29091)           \
    X(ModeShortcutHint, 29500)         \
    X(TargetCountStatus, 29501)        \
    X(DriveListName, 29502)            \
    X(AutoModePanel, 29503)            \
    X(JournalNotWritableLine, 30000)   \
    X(RunUnrecordedQuestion, 30001)    \
    X(LastRunUnrecordedLine, 30002)    \
    X(OwnFolderState, 30004)           \
    X(TempNameState, 30005)            \
    X(StrandedTempLine, 30006)         \
    X(ListFileBadLineError, 30008)     \
    X(TrimNotWrittenLine, 30009)       \
    X(NotTheFolderLine, 30010)         \
    X(NotTheListedFolderLine, 30011)   \
    X(ListWildcardLine, 31000)         \
    X(WildcardNotLastLine, 31001)      \
    X(ListWildcardState, 31002)        \
    X(WildcardNotLastState, 31003)     \
    X(RepeatedFolderReason, 31004)     \
    X(CoveredFolderReason, 31005)      \
    X(SwitchValueColonError, 31010)    \
    X(RemovalAloneError, 31011)        \
    X(UsageListLiteral, 31012)         \
    X(UsageHiddenToo, 31013)           \
    X(KilledRunState, 31020)           \
    X(KilledWalkState, 31021)          \
    X(StoppedRunState, 31022)          \
    X(StoppedWalkState, 31023)         \
    X(KilledUndoState, 31024)          \
    X(RunningState, 31025)             \
    X(SummaryLeftOut, 31030)           \
    X(UsageModeNames, 31040)           \
    X(FinishedForwardLine, 31041)      \
    X(WindowsFolderState, 30100)       \
    X(FolderNoShortNameLine, 30101)    \
    X(FolderNoShortNameState, 30102)   \
    X(ShortNameUnreadableState, 30103) \
    X(EndingSessionReason, 30104)

#define KELVARO_GENERAL_TEXTS(X)     \
    X(CancelButton, 5)               \
    X(StopHint, 10)                  \
    X(LogFileFilter, 11)             \
    X(RemoveSettingsQuestion, 20)    \
    X(StoppedLine, 30)               \
    X(AllFinishedLine, 31)           \
    X(RefreshMenuItem, 1005)         \
    X(AddAliasMenuItem, 1006)        \
    X(EditAliasesMenuItem, 1007)     \
    X(AliasNamePrompt, 1100)         \
    X(AliasNameTitle, 1101)          \
    X(AliasNameTaken, 1102)          \
    X(SelectAllMenuItem, 2006)       \
    X(DeselectAllMenuItem, 2007)     \
    X(ResetMenuItem, 2008)           \
    X(OverwriteQuestion, 5100)       \
    X(SaveFailed, 5101)              \
    X(AboutMemberId, 7003)           \
    X(AboutMail, 7004)               \
    X(AboutUrl, 7005)                \
    X(DefaultsButton, 8042)          \
    X(OptionCancelButton, 8043)      \
    X(OptionOkButton, 8044)          \
    X(DefaultsHint, 8045)            \
    X(OptionCancelHint, 8046)        \
    X(OptionOkHint, 8047)            \
    X(ResizeChildrenOption, 8056)    \
    X(ResizeChildrenHint, 8057)      \
    X(ShowHintsOption, 8058)         \
    X(ShowHintsHint, 8059)           \
    X(CopyHistoryOption, 8060)       \
    X(CopyHistoryHint, 8061)         \
    X(AliasDialogCaptionTail, 11000) \
    X(RenameAliasButton, 11003)      \
    X(RenameAliasHint, 11006)        \
    X(AliasFolderHint, 11007)        \
    X(AliasListHint, 11008)          \
    X(MoveAliasUpHint, 11009)        \
    X(MoveAliasDownHint, 11010)      \
    X(DeleteAliasHint, 11011)        \
    X(DeleteAllAliasesHint, 11012)   \
    X(NewAliasNamePrompt, 11101)     \
    X(RenameAliasTitle, 11102)       \
    X(AliasRenameTaken, 11103)
// END-TEXT-LISTS

// Program-specific texts (captions, hints, history lines, console output).
enum class KText : int16_t {
#define KELVARO_ENUMERATOR(name, number) name = number,
    KELVARO_PROGRAM_TEXTS(KELVARO_ENUMERATOR)
};

// General texts shared by the dialogs and windows.
enum class AText : int16_t { KELVARO_GENERAL_TEXTS(KELVARO_ENUMERATOR) };
#undef KELVARO_ENUMERATOR

#define KELVARO_KTEXT_ITEM(name, number) KText::name,
inline constexpr KText kAllProgramTexts[] = {KELVARO_PROGRAM_TEXTS(KELVARO_KTEXT_ITEM)};
#undef KELVARO_KTEXT_ITEM
#define KELVARO_ATEXT_ITEM(name, number) AText::name,
inline constexpr AText kAllGeneralTexts[] = {KELVARO_GENERAL_TEXTS(KELVARO_ATEXT_ITEM)};
#undef KELVARO_ATEXT_ITEM

// The text `offset` places after `first` in a run of consecutive numbers (one per mode, per column...).
constexpr KText NthText(KText first, int offset) {
    return static_cast<KText>(static_cast<int16_t>(first) + offset);
}

std::wstring ResKelvaroText(KText text);
std::wstring ResAllText(AText text);

// `text` with %1, %2... replaced by the numbers in order.
std::wstring FillIn(std::wstring text, std::initializer_list<uint64_t> numbers);

// The texts of conversion mode `mode`: button caption and hint, and the
// caption and hint of its choice among the automatic-run modes.
std::wstring ModeCaption(int mode);
std::wstring ModeHint(int mode);
std::wstring ModeOptionCaption(int mode);
std::wstring ModeOptionHint(int mode);

}  // namespace kelvaro
