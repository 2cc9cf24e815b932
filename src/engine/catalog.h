#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

namespace kelvaro {

// The two compiled-in catalogues, one table each: the name a text is reached by, its number in the
// catalogue and its words. The numbers are the catalogues' own and never change; the two catalogues'
// numbers overlap.
// BEGIN-TEXT-LISTS
#define KELVARO_PROGRAM_TEXTS(X) \
    X(UpperButton, 10, L"大文字") \
    X(UpperExceptLongButton, 11, L"LFN除") \
    X(LowerButton, 12, L"小文字") \
    X(ShortNameButton, 13, L"SFN") \
    X(EightButton, 14, L"８") \
    X(FullWidthButton, 15, L"全角") \
    X(HalfWidthButton, 16, L"半角") \
    X(UpperHint, 20, L"フォルダ名を全て大文字に変換します") \
    X(UpperExceptLongHint, 21, L"フォルダ名を変更時にＬＦＮになるフォルダ以外を大文字に変換します") \
    X(LowerHint, 22, L"フォルダ名を全て小文字に変換します") \
    X(ShortNameHint, 23, L"フォルダ名を全てショートファイル名のフォルダ名に変換します") \
    X(EightHint, 24, L"フォルダ名を８文字以上をカットしたフォルダ名に変換します") \
    X(FullWidthHint, 25, L"フォルダ名を全て全角に変換します") \
    X(HalfWidthHint, 26, L"フォルダ名を全て半角に変換します") \
    X(FolderWindowCaption, 1000, L"変更フォルダ格納フォルダ") \
    X(FolderDriveHint, 1001, L"変更フォルダ格納ドライブを設定します") \
    X(FolderTreeHint, 1002, L"変更フォルダ格納フォルダを設定します") \
    X(FolderCurrentHint, 1003, L"現在の変更フォルダ格納フォルダ") \
    X(SubfolderWindowCaption, 2000, L"変更フォルダ名") \
    X(SubfolderListHint, 2001, L"変更したいフォルダを選択します") \
    X(AddSelectedHint, 2002, L"選択したフォルダを変更対象とします") \
    X(AddAllHint, 2003, L"全てのフォルダを変更対象とします") \
    X(AddAllBelowHint, 2004, L"上記のフォルダのサブフォルダの全てを変更対象とします") \
    X(TargetWindowCaption, 3000, L"変更対象フォルダ") \
    X(TargetListHint, 3001, L"このフォルダ名が変更の対象となります") \
    X(RemoveSelectedHint, 3002, L"選択したフォルダを変更の対象からはずします") \
    X(RemoveAllHint, 3003, L"全てのフォルダを変更の対象からはずします") \
    X(SameAsFolderWindow, 3007, L"変更フォルダ格納フォルダを同一") \
    X(TooManyFolders, 3100, L"一度で実行できるフォルダ数は最大１０００までです。") \
    X(HistoryWindowCaption, 5000, L"実行履歴") \
    X(HistoryListHint, 5001, L"実行履歴") \
    X(ChangedWindowCaption, 6000, L"変更正常フォルダ名") \
    X(ChangedListHint, 6001, L"変更結果が正常なフォルダ名") \
    X(AboutCaption, 7000, L"About") \
    X(ProgramNameKana, 7001, L"ケルヴァロ２") \
    X(OptionCaption, 8000, L"Option") \
    X(AutoRunOption, 8038, L"起動時のフォルダは自動的に実行") \
    X(HiraganaOption, 8039, L"ひらがなも変換の対象") \
    X(AutoRunHint, 8041, L"起動時にフォルダ名を指定した場合、自動的に実行します。（フォームは表示されません）") \
    X(HiraganaHint, 8042, L"半角変換時、全角ひらがなも半角カタカナに変換します") \
    X(AutoUpperOption, 8050, L"大文字") \
    X(AutoUpperExceptLongOption, 8051, L"ＬＦＮ除") \
    X(AutoLowerOption, 8052, L"小文字") \
    X(AutoShortNameOption, 8053, L"ＳＦＮ") \
    X(AutoEightOption, 8054, L"８") \
    X(AutoFullWidthOption, 8055, L"全角") \
    X(AutoHalfWidthOption, 8056, L"半角") \
    X(AutoUpperHint, 8060, L"自動的にフォルダ名を大文字に変更します") \
    X(AutoUpperExceptLongHint, 8061, L"自動的にフォルダ名をＬＦＮになる場合以外を大文字に変更します") \
    X(AutoLowerHint, 8062, L"自動的にフォルダ名を小文字に変更します") \
    X(AutoShortNameHint, 8063, L"自動的にフォルダ名をＳＦＮに変更します") \
    X(AutoEightHint, 8064, L"自動的にフォルダ名を８文字に変更します") \
    X(AutoFullWidthHint, 8065, L"自動的にフォルダ名を全角に変更します") \
    X(AutoHalfWidthHint, 8066, L"自動的にフォルダ名を半角に変更します") \
    X(InitialFolderCaption, 9000, L"Default") \
    X(CopyFromCurrentFolder, 9005, L"現在の変更フォルダ格納フォルダからコピー") \
    X(CopyFromTempFolder, 9007, L"Ｗｉｎｄｏｗｓのテンポラリからコピー") \
    X(ProgramTitle, 9999, L"Kelvaro2 for Win32") \
    X(InitialFolderLabel, 10000, L"変更フォルダ格納フォルダ名") \
    X(ReturnToLastFolderHint, 10020, L"初期設定を無効にして、常に終了時のフォルダに復帰します") \
    X(InitialDriveHint, 10021, L"初期設定の変更フォルダ格納ドライブ名を設定します") \
    X(InitialFolderHint, 10022, L"初期設定の変更フォルダ格納フォルダ名を設定します") \
    X(InitialFolderNameHint, 10023, L"初期設定の変更フォルダ格納フォルダ名") \
    X(KeptLongLine, 20000, L"　変更してもＬＦＮの為変更しません") \
    X(UnchangedLine, 20001, L"　フォルダ名変更後と同一の為変更しません") \
    X(NotRenamedLine, 20002, L"　フォルダ名を変更できませんでした") \
    X(RenamedLine, 20003, L"　フォルダ名を") \
    X(RenamedToLine, 20004, L"　に変更しました") \
    X(KeptEightLongLine, 20005, L"　８形式にしてもＬＦＮの為変更しません") \
    X(NotUndoableLine, 21000, L"変更を記録できない為、この実行は元に戻せません") \
    X(WhereaboutsUnknownLine, 21001, L"　フォルダの場所を確認できません") \
    X(RecoveredLine, 21002, L"中断された変更を元に戻しました") \
    X(LeftUnderTempLine, 21003, L"中断された変更のフォルダは一時的な名前のままです") \
    X(CompletedLine, 21004, L"中断された変更は完了していました") \
    X(RecoveryLostLine, 21005, L"中断された変更のフォルダが見つかりません") \
    X(UndoMenuItem, 21006, L"直前の変更を元に戻す") \
    X(UndoHeadLine, 21007, L"直前の変更を元に戻します") \
    X(NothingToUndoLine, 21008, L"元に戻す変更がありません") \
    X(UndoGoneLine, 21009, L"　変更後のフォルダが見つからない為戻しません") \
    X(UndoTakenLine, 21010, L"　元の名前のフォルダが既にある為戻しません") \
    X(HelpFileMissing, 23000, L"ヘルプファイルが見つかりません。") \
    X(HelpNotShown, 23001, L"ヘルプを表示できませんでした。") \
    X(SendToAdd, 23002, L"「送る」に登録") \
    X(SendToRemove, 23003, L"「送る」から削除") \
    X(SendToHint, 23004, L"エクスプローラの「送る」メニューにこのプログラムを登録、または削除します") \
    X(SendToAddFailed, 23005, L"「送る」に登録できませんでした。") \
    X(SendToRemoveFailed, 23006, L"「送る」から削除できませんでした。") \
    X(UsageOldHead, 24000, L"使い方: Kelvaro2 /MODE:n [/DRYRUN] [/LOG:ファイル] フォルダ名 または @リストファイル ...") \
    X(UsageMode, 24001, L"  /MODE:n       n 番のモードでフォルダ名を変更します（ウィンドウは出しません）") \
    X(UsageModeList, 24002, L"                0 大文字  1 LFN除  2 小文字  3 SFN  4 ８  5 全角  6 半角  7 標準") \
    X(UsageDryRun, 24003, L"  /DRYRUN       変更せず、フォルダごとの予定だけを表示します") \
    X(UsageLog, 24004, L"  /LOG:ファイル 実行履歴をファイルにも保存します") \
    X(UsageListFile, 24005, L"  @ファイル     フォルダ名を１行に１つ書いたファイルから読みます") \
    X(UsageHelp, 24006, L"  /?            この説明を表示します") \
    X(UsageSwitchesFirst, 24007, L"  スイッチはフォルダ名の前に置きます。空白を含む名前は \"\" で囲みます") \
    X(UsageExitCodes, 24008, L"終了コード: 0 全て変更済み  1 変更できなかったフォルダあり  2 指定の誤り（何も変更しません）") \
    X(UnknownSwitchError, 24010, L"不明なスイッチです: ") \
    X(BadModeError, 24011, L"モードは /MODE:0 ～ /MODE:7 で指定してください: ") \
    X(ListFileUnreadableError, 24012, L"リストファイルを読めません: ") \
    X(ModeMissingError, 24013, L"/MODE:n でモードを指定してください") \
    X(NoFoldersError, 24014, L"フォルダ名がありません") \
    X(SwitchAfterFolderError, 24015, L"スイッチはフォルダ名の前に置いてください: ") \
    X(OpenQuoteError, 24016, L"引用符が閉じていません") \
    X(LogNotWritableError, 24017, L"ログファイルに書けません: ") \
    X(RepeatedSwitchError, 24018, L"同じスイッチが二度あります: ") \
    X(LogNameMissingError, 24019, L"/LOG: のあとにファイル名がありません") \
    X(FolderNotFoundError, 24020, L"フォルダが見つかりません: ") \
    X(DryRunDoneLine, 24040, L"予定を表示しました（何も変更していません）") \
    X(PreviewCaption, 22000, L"変更内容の確認") \
    X(PreviewBeforeColumn, 22001, L"変更前") \
    X(PreviewAfterColumn, 22002, L"変更後") \
    X(PreviewStateColumn, 22003, L"状態") \
    X(PreviewRun, 22004, L"実行") \
    X(PreviewCancel, 22005, L"キャンセル") \
    X(PreviewOnlyKept, 22006, L"変更されないフォルダのみ表示") \
    X(PreviewMenuItem, 22007, L"プレビュー") \
    X(ConfirmBeforeRunOption, 22008, L"実行前に確認する") \
    X(PreviewModeLabel, 22009, L"変換") \
    X(WillRenameState, 22010, L"変更します") \
    X(SameState, 22011, L"同一の為変更しません") \
    X(KeptLongState, 22012, L"ＬＦＮの為変更しません") \
    X(KeptEightLongState, 22013, L"８形式でもＬＦＮの為変更しません") \
    X(BadNameState, 22014, L"変更不可（使えない名前）") \
    X(NotFoundState, 22015, L"変更不可（フォルダなし）") \
    X(SiblingExistsState, 22016, L"変更不可（同名あり）") \
    X(ListClashState, 22017, L"変更不可（対象同士で同名）") \
    X(TooLongState, 22018, L"変更不可（パスが長すぎる）") \
    X(BelowRenamedNote, 22019, L"　※上位フォルダの変更後") \
    X(ListClashNote, 22020, L"　※対象同士で同名") \
    X(PreviewTotal, 22021, L"合計") \
    X(PreviewCountUnit, 22022, L"件") \
    X(PreviewModeHint, 22030, L"変換方法を選ぶと、すぐに一覧を計算し直します") \
    X(PreviewListHint, 22031, L"実行した場合の各フォルダの結果です") \
    X(PreviewOnlyKeptHint, 22032, L"変更されないフォルダだけを一覧に表示します") \
    X(PreviewRunHint, 22033, L"選んだ変換方法で実行します") \
    X(PreviewCancelHint, 22034, L"何も変更せずに閉じます") \
    X(ConfirmBeforeRunHint, 22035, L"モードボタンを押した時、実行前に変更内容を確認します") \
    X(UsageHint, 25000, L"使い方は Kelvaro2 /? で表示します") \
    X(ListFileEmptyError, 25001, L"リストファイルにフォルダ名がありません: ") \
    X(UndoWithOthersError, 25002, L"/UNDO には /MODE、/DRYRUN、フォルダ名を付けられません") \
    X(LogOnOwnFileError, 25003, L"プログラムが使うファイルにはログを書けません: ") \
    X(EarlierRunHeading, 25004, L"―― 以前の実行の後始末 ――") \
    X(ThisRunHeading, 25005, L"―― 今回の実行 ――") \
    X(UsageHead, 25010, L"使い方: Kelvaro2 /MODE:n [/S [/A]] [/DRYRUN] [/TSV] [/UTF8] [/CLIP] [/LOG:ファイル] フォルダ名 または @リストファイル ...") \
    X(UsageUndoLine, 25011, L"        Kelvaro2 /UNDO [/TSV] [/UTF8] [/CLIP] [/LOG:ファイル]") \
    X(UsageRemoveSettingsLine, 25012, L"        Kelvaro2 /U") \
    X(UsageTsv, 25013, L"  /TSV          フォルダごとに１行をタブ区切りで出力します（１行目は項目名）") \
    X(UsageTsvFields, 25014, L"                項目: code path new_path reason note（code は RENAMED、FAILED などの英字）") \
    X(UsageUtf8, 25015, L"  /UTF8         出力とログファイルを UTF-8 で書きます") \
    X(UsageClip, 25016, L"  /CLIP         実行履歴をクリップボードにもコピーします") \
    X(UsageUndo, 25017, L"  /UNDO         直前の変更を元に戻します") \
    X(UsageRemoveSettings, 25018, L"  /U            保存した設定を削除します") \
    X(UsageRelativeNames, 25019, L"  フォルダ名は相対パスでもよく、最後の部分に * と ? を使えます") \
    X(UsageGuide, 25020, L"詳しくは Kelvaro2.exe と同じフォルダの KELVARO2.html をご覧ください") \
    X(NotRecordedLine, 26000, L"　変更を記録できない為、変更しませんでした") \
    X(RecordingStoppedLine, 26001, L"変更を記録できなくなった為、残りのフォルダは変更しません") \
    X(WaitingForDriveLine, 26002, L"ドライブが見つからない為、中断された変更の確認を次の起動まで待ちます") \
    X(DamagedUndoLine, 26003, L"記録が壊れている為、元に戻す変更を特定できません") \
    X(SkippedRecordsLine, 26004, L"壊れた記録を読み飛ばしました: ") \
    X(SkippedRecordsUnit, 26005, L" 行") \
    X(LaterRunsUndoableLine, 26006, L"　これから先の実行は、元に戻せます") \
    X(JournalUnreadableLine, 26007, L"記録を読めない為、元に戻せません") \
    X(StoredOtherwiseLine, 26050, L"　新しい名前がそのとおりに保存されませんでした") \
    X(ErrorNumberLine, 26051, L"　エラー番号: ") \
    X(NoShortNameLine, 27000, L"　このドライブには短い名前が無い為変更しません") \
    X(NoShortNameState, 27001, L"短い名前が無い為変更しません") \
    X(TempNameTooLongNote, 27002, L"　※一時的な名前を付けると２５５文字を超えます") \
    X(TempPathTooLongNote, 27003, L"　※一時的な名前を付けるとパスが２５９文字を超えます") \
    X(TempNameTooManyBytesNote, 27004, L"　※一時的な名前を付けると２５５バイトを超えます（Linux のファイルシステム）") \
    X(NotCopiedLine, 27005, L"実行履歴をクリップボードにコピーできませんでした") \
    X(WaitingForTurnLine, 27100, L"他の Kelvaro2 の実行が終わるのを待っています") \
    X(StandardButton, 28000, L"標準") \
    X(StandardHint, 28001, L"フォルダ名の英数字と記号を半角に、カタカナを全角に揃えます") \
    X(AutoStandardOption, 28002, L"標準") \
    X(AutoStandardHint, 28003, L"自動的にフォルダ名を標準の形に変更します") \
    X(CutShortStoryLine, 28100, L"中断された実行: %1 フォルダ中 %2 フォルダの名前を変更済み、%3 フォルダは未処理です") \
    X(CutShortRenamedLine, 28101, L"中断された実行: %1 フォルダの名前を変更済みです") \
    X(ResumeHintLine, 28102, L"　未処理のフォルダは /RESUME で続きを実行できます") \
    X(NothingToResumeLine, 28103, L"続きを実行する中断された実行がありません") \
    X(ResumeHeadLine, 28104, L"中断された実行の続きを実行します") \
    X(ResumeQuestion, 28105, L"中断された実行で未処理のフォルダが %1 個あります。変更対象フォルダに戻しますか") \
    X(UsageResumeLine, 28106, L"        Kelvaro2 /RESUME [/TSV] [/UTF8] [/CLIP] [/LOG:ファイル]") \
    X(UsageResume, 28107, L"  /RESUME       中断された直前の実行の続きを同じモードで実行します") \
    X(ResumeWithOthersError, 28108, L"/RESUME には /MODE、/DRYRUN、/UNDO、フォルダ名を付けられません") \
    X(UndoManyQuestion, 28109, L"%1 フォルダの名前を元に戻します。よろしいですか") \
    X(RunsCaption, 28110, L"変更の記録") \
    X(RunsTimeColumn, 28111, L"日時") \
    X(RunsModeColumn, 28112, L"モード") \
    X(RunsCountColumn, 28113, L"フォルダ数") \
    X(RunsStateColumn, 28114, L"状態") \
    X(RunsUndoButton, 28115, L"元に戻す(&U)") \
    X(RunsResumeButton, 28116, L"残りを対象に戻す(&R)") \
    X(RunsCloseButton, 28117, L"閉じる(&C)") \
    X(TakenBackState, 28118, L"元に戻しました") \
    X(PartlyTakenBackState, 28119, L"一部を元に戻しました") \
    X(NoModeRecorded, 28121, L"―") \
    X(RunsUndoHint, 28122, L"まだ元に戻していない一番新しい実行を元に戻します") \
    X(RunsResumeHint, 28123, L"中断された実行で未処理のフォルダを変更対象フォルダに戻します") \
    X(RunsListHint, 28124, L"記録に残っている実行です（新しい順）") \
    X(SummaryHead, 28150, L"結果") \
    X(SummaryRenamed, 28151, L"変更") \
    X(SummarySame, 28152, L"同一") \
    X(SummaryNotRenamed, 28153, L"変更できず") \
    X(SummaryNotReached, 28154, L"未処理") \
    X(SummaryUndone, 28155, L"元に戻した") \
    X(SummaryNotUndone, 28156, L"戻せず") \
    X(SummaryUnit, 28157, L"件") \
    X(AddEveryLevelMenuItem, 28160, L"全階層のサブフォルダを追加") \
    X(AddEveryLevelHint, 28161, L"表示中のフォルダの下の全ての階層のフォルダを、深い順に変更対象とします") \
    X(LeftOutState, 28200, L"除外した為変更しません") \
    X(PreviewOnlyRefused, 28201, L"変更できないフォルダのみ表示(&F)") \
    X(PreviewOnlyRefusedHint, 28202, L"使えない名前、フォルダなし、同名あり、パスが長すぎるなどで変更できないフォルダだけを表示します") \
    X(PreviewModeLabelKey, 28203, L"変換(&M)") \
    X(PreviewRunKey, 28204, L"実行(&R)") \
    X(PreviewCancelKey, 28205, L"キャンセル(&C)") \
    X(PreviewCheckListHint, 28206, L"チェックを外したフォルダは今回は変更しません（スペースキーで切り替え）") \
    X(UsageSubfolders, 29000, L"  /S            下のフォルダも全ての階層で変更します（深い階層から順に）") \
    X(HiddenNeedsSubfolders, 29002, L"/A は /S と一緒に指定してください") \
    X(UnlistedLine, 29003, L"　下のフォルダを読めませんでした") \
    X(CountingProgress, 29004, L"フォルダを数えています: ") \
    X(TimeLeftProgress, 29005, L"残り約 ") \
    X(HoursUnit, 29006, L"時間") \
    X(MinutesUnit, 29007, L"分") \
    X(SecondsUnit, 29008, L"秒") \
    X(ResumeByCommandLine, 29090, L"中断された実行の続きは、下のフォルダも含む実行か 1000 を超えるフォルダの実行の為、コマンドラインの Kelvaro2 /RESUME で実行してください") \
    X(SummaryAtLeast, 29091, L"以上") \
    X(ModeShortcutHint, 29500, L"（Ctrl+%1）") \
    X(TargetCountStatus, 29501, L"変更対象：%1件") \
    X(DriveListName, 29502, L"ドライブ") \
    X(AutoModePanel, 29503, L"自動実行のモード") \
    X(JournalNotWritableLine, 30000, L"変更を記録できない為、フォルダ名を変更しません") \
    X(RunUnrecordedQuestion, 30001, L"変更を記録できません（記録のフォルダに書き込めません）。記録せずにフォルダ名を変更しますか？記録しない変更は元に戻せません。") \
    X(LastRunUnrecordedLine, 30002, L"直前の実行は記録されていない為、元に戻せません") \
    X(OwnFolderState, 30004, L"変更不可（Kelvaro2 が使うフォルダ）") \
    X(TempNameState, 30005, L"変更不可（一時的な名前のまま）") \
    X(StrandedTempLine, 30006, L"記録が壊れている為、次のフォルダを元に戻せません（名前の末尾の .Tmpぷよむ を消すと元の名前に戻ります）") \
    X(ListFileBadLineError, 30008, L"リストファイルに使えない文字（NUL）があります: %1 行目 ") \
    X(TrimNotWrittenLine, 30009, L"記録を整理できませんでした（記録のフォルダに書き込めません）") \
    X(NotTheFolderLine, 30010, L"　フォルダではないものが同じ名前で置かれた為、変更しませんでした") \
    X(NotTheListedFolderLine, 30011, L"　一覧を読んだ後でフォルダが入れ替わった為（リンクなど）、変更しませんでした") \
    X(ListWildcardLine, 31000, L"リストファイルの名前に * や ? は使えません: ") \
    X(WildcardNotLastLine, 31001, L"ワイルドカード（* ?）はフォルダ名の最後の部分にだけ使えます: ") \
    X(ListWildcardState, 31002, L"変更不可（リストの名前に * や ?）") \
    X(WildcardNotLastState, 31003, L"変更不可（ワイルドカードは最後の部分だけ）") \
    X(RepeatedFolderReason, 31004, L"前に指定したフォルダと同じ為、一度だけ処理します") \
    X(CoveredFolderReason, 31005, L"指定したほかのフォルダの下にある為、そのフォルダと一緒に処理します") \
    X(SwitchValueColonError, 31010, L"スイッチと値の間は空白ではなく : です。次のように書いてください: ") \
    X(RemovalAloneError, 31011, L"/U はほかの指定と一緒に使えません") \
    X(UsageListLiteral, 31012, L"  リストファイルの名前は書いたとおりに読みます（* と ? はコマンドラインだけ）") \
    X(UsageHiddenToo, 31013, L"  /A            /S とワイルドカードで隠しフォルダとシステムフォルダも対象にします") \
    X(KilledRunState, 31020, L"中断（%1 フォルダ中 %2 フォルダまで処理）") \
    X(KilledWalkState, 31021, L"中断（%1 フォルダまで処理）") \
    X(StoppedRunState, 31022, L"途中で停止（%1 フォルダ中 %2 フォルダまで処理）") \
    X(StoppedWalkState, 31023, L"途中で停止（%1 フォルダまで処理）") \
    X(KilledUndoState, 31024, L"元に戻す途中で中断（%1 フォルダ中 %2 フォルダを戻しました）") \
    X(RunningState, 31025, L"実行中") \
    X(SummaryLeftOut, 31030, L"除外") \
    X(UsageModeNames, 31040, L"                番号の代わりに名前も使えます（大文字と小文字は区別しません）:") \
    X(FinishedForwardLine, 31041, L"元の名前が使われている為、中断された変更を完了しました") \
    X(ResumeHiddenLine, 31042, L"記録が壊れている為、次のフォルダは続きでは変更しません") \
    X(WindowsFolderState, 30100, L"変更不可（Windows のフォルダ）") \
    X(FolderNoShortNameLine, 30101, L"　このフォルダには短い名前が無い為変更しません") \
    X(FolderNoShortNameState, 30102, L"このフォルダには短い名前が無い為変更しません") \
    X(ShortNameUnreadableState, 30103, L"変更不可（短い名前を読めない）") \
    X(EndingSessionReason, 30104, L"フォルダ名の変更を中断しています")

#define KELVARO_GENERAL_TEXTS(X) \
    X(CancelButton, 5, L"ｷｬﾝｾﾙ") \
    X(StopHint, 10, L"実行中に中断します") \
    X(LogFileFilter, 11, L"LogFile(*.LOG)|*.LOG|全てのファイル(*.*)|*.*") \
    X(RemoveSettingsQuestion, 20, L"で使用したレジストリを全て削除します") \
    X(StoppedLine, 30, L"中断しました") \
    X(AllFinishedLine, 31, L"全て終了しました") \
    X(RefreshMenuItem, 1005, L"リフレッシュ") \
    X(AddAliasMenuItem, 1006, L"フォルダエリアスの追加") \
    X(EditAliasesMenuItem, 1007, L"フォルダエリアスのメンテナンス") \
    X(AliasNamePrompt, 1100, L"フォルダエリアス名を入力してください") \
    X(AliasNameTitle, 1101, L"フォルダエリアス名入力") \
    X(AliasNameTaken, 1102, L"同一のフォルダエリアス名は追加できません") \
    X(SelectAllMenuItem, 2006, L"全て選択") \
    X(DeselectAllMenuItem, 2007, L"全て選択の解除") \
    X(ResetMenuItem, 2008, L"初期化") \
    X(OverwriteQuestion, 5100, L"ファイルが存在しています。上書きしてよろしいですか") \
    X(SaveFailed, 5101, L"セーブできませんでした。") \
    X(AboutMemberId, 7003, L"Member ID: -") \
    X(AboutMail, 7004, L"E-Mail: -") \
    X(AboutUrl, 7005, L"URL: -") \
    X(DefaultsButton, 8042, L"初期値") \
    X(OptionCancelButton, 8043, L"ｷｬﾝｾﾙ") \
    X(OptionOkButton, 8044, L"設定") \
    X(DefaultsHint, 8045, L"設定を初期設定に戻します") \
    X(OptionCancelHint, 8046, L"設定を中断して、閉じます") \
    X(OptionOkHint, 8047, L"設定を有効にして、閉じます") \
    X(ResizeChildrenOption, 8056, L"リサイズ時、小フォームも変更") \
    X(ResizeChildrenHint, 8057, L"小フォームが親フォームにあわせてリサイズされます") \
    X(ShowHintsOption, 8058, L"ＴｏｏｌＴｉｐを表示") \
    X(ShowHintsHint, 8059, L"マウス停止時の説明を表示するかしないかの設定をします") \
    X(CopyHistoryOption, 8060, L"結果をクリップボードにコピー") \
    X(CopyHistoryHint, 8061, L"自動実行時、結果を自動的にクリップボードにコピーします") \
    X(AliasDialogCaptionTail, 11000, L"のエリアスメンテナンス") \
    X(RenameAliasButton, 11003, L"名前の変更") \
    X(RenameAliasHint, 11006, L"現在選択しているフォルダエリアス名の変更します") \
    X(AliasFolderHint, 11007, L"フォルダエリアス名に対応するフォルダ名") \
    X(AliasListHint, 11008, L"フォルダエリアス登録一覧") \
    X(MoveAliasUpHint, 11009, L"現在選択しているフォルダエリアスを１つ上に移動します") \
    X(MoveAliasDownHint, 11010, L"現在選択しているフォルダエリアスを１つ下に移動します") \
    X(DeleteAliasHint, 11011, L"現在選択しているフォルダエリアスを削除します") \
    X(DeleteAllAliasesHint, 11012, L"全て削除します") \
    X(NewAliasNamePrompt, 11101, L"フォルダエリアス名を入力してください") \
    X(RenameAliasTitle, 11102, L"フォルダエリアス名の変更") \
    X(AliasRenameTaken, 11103, L"すでに存在するフォルダエリアス名には変更できません")
// END-TEXT-LISTS

// Program-specific texts (captions, hints, history lines, console output).
enum class KText : int16_t {
#define KELVARO_ENUMERATOR(name, number, words) name = number,
    KELVARO_PROGRAM_TEXTS(KELVARO_ENUMERATOR)
};

// General texts shared by the dialogs and windows.
enum class AText : int16_t { KELVARO_GENERAL_TEXTS(KELVARO_ENUMERATOR) };
#undef KELVARO_ENUMERATOR

#define KELVARO_KTEXT_ITEM(name, number, words) KText::name,
inline constexpr KText kAllProgramTexts[] = {KELVARO_PROGRAM_TEXTS(KELVARO_KTEXT_ITEM)};
#undef KELVARO_KTEXT_ITEM
#define KELVARO_ATEXT_ITEM(name, number, words) AText::name,
inline constexpr AText kAllGeneralTexts[] = {KELVARO_GENERAL_TEXTS(KELVARO_ATEXT_ITEM)};
#undef KELVARO_ATEXT_ITEM

std::wstring ResKelvaroText(KText text);
std::wstring ResAllText(AText text);

// `text` with %1, %2... replaced by the numbers in order.
std::wstring FillIn(std::wstring text, std::initializer_list<uint64_t> numbers);

}  // namespace kelvaro
