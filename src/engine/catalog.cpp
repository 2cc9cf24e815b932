// The two compiled-in message catalogues: every caption, hint, prompt and history line
// that the program sets at run time, by catalogue number (the names are in catalog.h).
#include "engine/catalog.h"

namespace kelvaro {

std::wstring ResKelvaroText(KText text) {
    switch (static_cast<int16_t>(text)) {
        case 10:
            return L"大文字";
        case 11:
            return L"LFN除";
        case 12:
            return L"小文字";
        case 13:
            return L"SFN";
        case 14:
            return L"８";
        case 15:
            return L"全角";
        case 16:
            return L"半角";
        case 20:
            return L"フォルダ名を全て大文字に変換します";
        case 21:
            return L"フォルダ名を変更時にＬＦＮになるフォルダ以外を大文字に変換します";
        case 22:
            return L"フォルダ名を全て小文字に変換します";
        case 23:
            return L"フォルダ名を全てショートファイル名のフォルダ名に変換します";
        case 24:
            return L"フォルダ名を８文字以上をカットしたフォルダ名に変換します";
        case 25:
            return L"フォルダ名を全て全角に変換します";
        case 26:
            return L"フォルダ名を全て半角に変換します";
        case 1000:
            return L"変更フォルダ格納フォルダ";
        case 1001:
            return L"変更フォルダ格納ドライブを設定します";
        case 1002:
            return L"変更フォルダ格納フォルダを設定します";
        case 1003:
            return L"現在の変更フォルダ格納フォルダ";
        case 2000:
            return L"変更フォルダ名";
        case 2001:
            return L"変更したいフォルダを選択します";
        case 2002:
            return L"選択したフォルダを変更対象とします";
        case 2003:
            return L"全てのフォルダを変更対象とします";
        case 2004:
            return L"上記のフォルダのサブフォルダの全てを変更対象とします";
        case 3000:
            return L"変更対象フォルダ";
        case 3001:
            return L"このフォルダ名が変更の対象となります";
        case 3002:
            return L"選択したフォルダを変更の対象からはずします";
        case 3003:
            return L"全てのフォルダを変更の対象からはずします";
        case 3007:
            return L"変更フォルダ格納フォルダを同一";
        case 3100:
            return L"一度で実行できるフォルダ数は最大１０００までです。";
        case 5000:
            return L"実行履歴";
        case 5001:
            return L"実行履歴";
        case 6000:
            return L"変更正常フォルダ名";
        case 6001:
            return L"変更結果が正常なフォルダ名";
        case 7000:
            return L"About";
        case 7001:
            return L"ケルヴァロ２";
        case 8000:
            return L"Option";
        case 8038:
            return L"起動時のフォルダは自動的に実行";
        case 8039:
            return L"ひらがなも変換の対象";
        case 8041:
            return L"起動時にフォルダ名を指定した場合、自動的に実行します。（フォームは表示されません）";
        case 8042:
            return L"半角変換時、全角ひらがなも半角カタカナに変換します";
        case 8050:
            return L"大文字";
        case 8051:
            return L"ＬＦＮ除";
        case 8052:
            return L"小文字";
        case 8053:
            return L"ＳＦＮ";
        case 8054:
            return L"８";
        case 8055:
            return L"全角";
        case 8056:
            return L"半角";
        case 8060:
            return L"自動的にフォルダ名を大文字に変更します";
        case 8061:
            return L"自動的にフォルダ名をＬＦＮになる場合以外を大文字に変更します";
        case 8062:
            return L"自動的にフォルダ名を小文字に変更します";
        case 8063:
            return L"自動的にフォルダ名をＳＦＮに変更します";
        case 8064:
            return L"自動的にフォルダ名を８文字に変更します";
        case 8065:
            return L"自動的にフォルダ名を全角に変更します";
        case 8066:
            return L"自動的にフォルダ名を半角に変更します";
        case 9000:
            return L"Default";
        case 9005:
            return L"現在の変更フォルダ格納フォルダからコピー";
        case 9007:
            return L"Ｗｉｎｄｏｗｓのテンポラリからコピー";
        case 9999:
            return L"Kelvaro2 for Win32";
        case 10000:
            return L"変更フォルダ格納フォルダ名";
        case 10020:
            return L"初期設定を無効にして、常に終了時のフォルダに復帰します";
        case 10021:
            return L"初期設定の変更フォルダ格納ドライブ名を設定します";
        case 10022:
            return L"初期設定の変更フォルダ格納フォルダ名を設定します";
        case 10023:
            return L"初期設定の変更フォルダ格納フォルダ名";
        case 20000:
            return L"　変更してもＬＦＮの為変更しません";
        case 20001:
            return L"　フォルダ名変更後と同一の為変更しません";
        case 20002:
            return L"　フォルダ名を変更できませんでした";
        case 20003:
            return L"　フォルダ名を";
        case 20004:
            return L"　に変更しました";
        case 20005:
            return L"　８形式にしてもＬＦＮの為変更しません";
        case 21000:
            return L"変更を記録できない為、この実行は元に戻せません";
        case 21001:
            return L"　フォルダの場所を確認できません";
        case 21002:
            return L"中断された変更を元に戻しました";
        case 21003:
            return L"中断された変更のフォルダは一時的な名前のままです";
        case 21004:
            return L"中断された変更は完了していました";
        case 21005:
            return L"中断された変更のフォルダが見つかりません";
        case 21006:
            return L"直前の変更を元に戻す";
        case 21007:
            return L"直前の変更を元に戻します";
        case 21008:
            return L"元に戻す変更がありません";
        case 21009:
            return L"　変更後のフォルダが見つからない為戻しません";
        case 21010:
            return L"　元の名前のフォルダが既にある為戻しません";
        case 23000:
            return L"ヘルプファイルが見つかりません。";
        case 23001:
            return L"ヘルプを表示できませんでした。";
        case 23002:
            return L"「送る」に登録";
        case 23003:
            return L"「送る」から削除";
        case 23004:
            return L"エクスプローラの「送る」メニューにこのプログラムを登録、または削除します";
        case 23005:
            return L"「送る」に登録できませんでした。";
        case 23006:
            return L"「送る」から削除できませんでした。";
        case 24000:
            return L"使い方: Kelvaro2 /MODE:n [/DRYRUN] [/LOG:ファイル] フォルダ名 または @リストファイル ...";
        case 24001:
            return L"  /MODE:n       n 番のモードでフォルダ名を変更します（ウィンドウは出しません）";
        case 24002:
            return L"                0 大文字  1 LFN除  2 小文字  3 SFN  4 ８  5 全角  6 半角  7 標準";
        case 24003:
            return L"  /DRYRUN       変更せず、フォルダごとの予定だけを表示します";
        case 24004:
            return L"  /LOG:ファイル 実行履歴をファイルにも保存します";
        case 24005:
            return L"  @ファイル     フォルダ名を１行に１つ書いたファイルから読みます";
        case 24006:
            return L"  /?            この説明を表示します";
        case 24007:
            return L"  スイッチはフォルダ名の前に置きます。空白を含む名前は \"\" で囲みます";
        case 24008:
            return L"終了コード: 0 全て変更済み  1 変更できなかったフォルダあり  2 指定の誤り（何も変更しません）";
        case 24010:
            return L"不明なスイッチです: ";
        case 24011:
            return L"モードは /MODE:0 ～ /MODE:7 で指定してください: ";
        case 24012:
            return L"リストファイルを読めません: ";
        case 24013:
            return L"/MODE:n でモードを指定してください";
        case 24014:
            return L"フォルダ名がありません";
        case 24015:
            return L"スイッチはフォルダ名の前に置いてください: ";
        case 24016:
            return L"引用符が閉じていません";
        case 24017:
            return L"ログファイルに書けません: ";
        case 24018:
            return L"同じスイッチが二度あります: ";
        case 24019:
            return L"/LOG: のあとにファイル名がありません";
        case 24020:
            return L"フォルダが見つかりません: ";
        case 24040:
            return L"予定を表示しました（何も変更していません）";
        case 22000:
            return L"変更内容の確認";
        case 22001:
            return L"変更前";
        case 22002:
            return L"変更後";
        case 22003:
            return L"状態";
        case 22004:
            return L"実行";
        case 22005:
            return L"キャンセル";
        case 22006:
            return L"変更されないフォルダのみ表示";
        case 22007:
            return L"プレビュー";
        case 22008:
            return L"実行前に確認する";
        case 22009:
            return L"変換";
        case 22010:
            return L"変更します";
        case 22011:
            return L"同一の為変更しません";
        case 22012:
            return L"ＬＦＮの為変更しません";
        case 22013:
            return L"８形式でもＬＦＮの為変更しません";
        case 22014:
            return L"変更不可（使えない名前）";
        case 22015:
            return L"変更不可（フォルダなし）";
        case 22016:
            return L"変更不可（同名あり）";
        case 22017:
            return L"変更不可（対象同士で同名）";
        case 22018:
            return L"変更不可（パスが長すぎる）";
        case 22019:
            return L"　※上位フォルダの変更後";
        case 22020:
            return L"　※対象同士で同名";
        case 22021:
            return L"合計";
        case 22022:
            return L"件";
        case 22030:
            return L"変換方法を選ぶと、すぐに一覧を計算し直します";
        case 22031:
            return L"実行した場合の各フォルダの結果です";
        case 22032:
            return L"変更されないフォルダだけを一覧に表示します";
        case 22033:
            return L"選んだ変換方法で実行します";
        case 22034:
            return L"何も変更せずに閉じます";
        case 22035:
            return L"モードボタンを押した時、実行前に変更内容を確認します";
        // The command line for scripts: hints, machine-readable output, undo and the clipboard.
        case 25000:
            return L"使い方は Kelvaro2 /? で表示します";
        case 25001:
            return L"リストファイルにフォルダ名がありません: ";
        case 25002:
            return L"/UNDO には /MODE、/DRYRUN、フォルダ名を付けられません";
        case 25003:
            return L"プログラムが使うファイルにはログを書けません: ";
        case 25004:
            return L"―― 以前の実行の後始末 ――";
        case 25005:
            return L"―― 今回の実行 ――";
        case 25010:
            return L"使い方: Kelvaro2 /MODE:n [/S [/A]] [/DRYRUN] [/TSV] [/UTF8] [/CLIP] [/LOG:ファイル] フォルダ名 "
                   L"または "
                   L"@リストファイル ...";
        case 25011:
            return L"        Kelvaro2 /UNDO [/TSV] [/UTF8] [/CLIP] [/LOG:ファイル]";
        case 25012:
            return L"        Kelvaro2 /U";
        case 25013:
            return L"  /TSV          フォルダごとに１行をタブ区切りで出力します（１行目は項目名）";
        case 25014:
            return L"                項目: code path new_path reason note（code は RENAMED、FAILED などの英字）";
        case 25015:
            return L"  /UTF8         出力とログファイルを UTF-8 で書きます";
        case 25016:
            return L"  /CLIP         実行履歴をクリップボードにもコピーします";
        case 25017:
            return L"  /UNDO         直前の変更を元に戻します";
        case 25018:
            return L"  /U            保存した設定を削除します";
        case 25019:
            return L"  フォルダ名は相対パスでもよく、最後の部分に * と ? を使えます";
        case 25020:
            return L"詳しくは Kelvaro2.exe と同じフォルダの KELVARO2.html をご覧ください";
        // The journal: records that cannot be written, drives to wait for, damage.
        case 26000:
            return L"　変更を記録できない為、変更しませんでした";
        case 26001:
            return L"変更を記録できなくなった為、残りのフォルダは変更しません";
        case 26002:
            return L"ドライブが見つからない為、中断された変更の確認を次の起動まで待ちます";
        case 26003:
            return L"記録が壊れている為、元に戻す変更を特定できません";
        case 26004:
            return L"壊れた記録を読み飛ばしました: ";
        case 26005:
            return L" 行";
        case 26006:
            return L"　これから先の実行は、元に戻せます";
        case 26007:
            return L"記録を読めない為、元に戻せません";
        // Why a rename was refused, under the failure line.
        case 26050:
            return L"　新しい名前がそのとおりに保存されませんでした";
        case 26051:
            return L"　エラー番号: ";
        // Short names a drive does not keep, and the length limits of a rename.
        case 27000:
            return L"　このドライブには短い名前が無い為変更しません";
        case 27001:
            return L"短い名前が無い為変更しません";
        case 27002:
            return L"　※一時的な名前を付けると２５５文字を超えます";
        case 27003:
            return L"　※一時的な名前を付けるとパスが２５９文字を超えます";
        case 27004:
            return L"　※一時的な名前を付けると２５５バイトを超えます（Linux のファイルシステム）";
        // A copy of the history that the clipboard did not take.
        case 27005:
            return L"実行履歴をクリップボードにコピーできませんでした";
        // A run that waits for another copy of the program to finish recording.
        case 27100:
            return L"他の Kelvaro2 の実行が終わるのを待っています";
        // The eighth mode, 標準: button caption and hint, automatic-run choice and hint.
        case 28000:
            return L"標準";
        case 28001:
            return L"フォルダ名の英数字と記号を半角に、カタカナを全角に揃えます";
        case 28002:
            return L"標準";
        case 28003:
            return L"自動的にフォルダ名を標準の形に変更します";
        // A run cut short or stopped: how far it got and its resumption; undo further back, the runs dialog.
        case 28100:
            return L"中断された実行: %1 フォルダ中 %2 フォルダの名前を変更済み、%3 フォルダは未処理です";
        case 28101:
            return L"中断された実行: %1 フォルダの名前を変更済みです";
        case 28102:
            return L"　未処理のフォルダは /RESUME で続きを実行できます";
        case 28103:
            return L"続きを実行する中断された実行がありません";
        case 28104:
            return L"中断された実行の続きを実行します";
        case 28105:
            return L"中断された実行で未処理のフォルダが %1 個あります。変更対象フォルダに戻しますか";
        case 28106:
            return L"        Kelvaro2 /RESUME [/TSV] [/UTF8] [/CLIP] [/LOG:ファイル]";
        case 28107:
            return L"  /RESUME       中断された直前の実行の続きを同じモードで実行します";
        case 28108:
            return L"/RESUME には /MODE、/DRYRUN、/UNDO、フォルダ名を付けられません";
        case 28109:
            return L"%1 フォルダの名前を元に戻します。よろしいですか";
        case 28110:
            return L"変更の記録";
        case 28111:
            return L"日時";
        case 28112:
            return L"モード";
        case 28113:
            return L"フォルダ数";
        case 28114:
            return L"状態";
        case 28115:
            return L"元に戻す(&U)";
        case 28116:
            return L"残りを対象に戻す(&R)";
        case 28117:
            return L"閉じる(&C)";
        case 28118:
            return L"元に戻しました";
        case 28119:
            return L"一部を元に戻しました";
        case 28121:
            return L"―";
        case 28122:
            return L"まだ元に戻していない一番新しい実行を元に戻します";
        case 28123:
            return L"中断された実行で未処理のフォルダを変更対象フォルダに戻します";
        case 28124:
            return L"記録に残っている実行です（新しい順）";
        // The closing count of a run or an undo, and adding the subfolders at every depth.
        case 28150:
            return L"結果";
        case 28151:
            return L"変更";
        case 28152:
            return L"同一";
        case 28153:
            return L"変更できず";
        case 28154:
            return L"未処理";
        case 28155:
            return L"元に戻した";
        case 28156:
            return L"戻せず";
        case 28157:
            return L"件";
        case 28160:
            return L"全階層のサブフォルダを追加";
        case 28161:
            return L"表示中のフォルダの下の全ての階層のフォルダを、深い順に変更対象とします";
        // The preview's check boxes, its filter of refused folders and its access keys.
        case 28200:
            return L"除外した為変更しません";
        case 28201:
            return L"変更できないフォルダのみ表示(&F)";
        case 28202:
            return L"使えない名前、フォルダなし、同名あり、パスが長すぎるなどで変更できないフォルダだけを表示します";
        case 28203:
            return L"変換(&M)";
        case 28204:
            return L"実行(&R)";
        case 28205:
            return L"キャンセル(&C)";
        case 28206:
            return L"チェックを外したフォルダは今回は変更しません（スペースキーで切り替え）";
        // The whole tree from the command line: its usage, its complaints, its progress line.
        case 29000:
            return L"  /S            下のフォルダも全ての階層で変更します（深い階層から順に）";
        case 29002:
            return L"/A は /S と一緒に指定してください";
        case 29003:
            return L"　下のフォルダを読めませんでした";
        case 29004:
            return L"フォルダを数えています: ";
        case 29005:
            return L"残り約 ";
        case 29006:
            return L"時間";
        case 29007:
            return L"分";
        case 29008:
            return L"秒";
        // A run the target list cannot finish
        case 29090:
            return L"中断された実行の続きは、下のフォルダも含む実行か 1000 を超えるフォルダの実行の為、"
                   L"コマンドラインの Kelvaro2 /RESUME で実行してください";
        // After the count of a stopped tree's folders: the folders below were not counted
        case 29091:
            return L"以上";
        // The keyboard: the shortcut of a mode button, named in its hint.
        case 29500:
            return L"（Ctrl+%1）";
        // The status bar between runs.
        case 29501:
            return L"変更対象：%1件";
        // Names a screen reader announces: the drive lists, the options' mode panel.
        case 29502:
            return L"ドライブ";
        case 29503:
            return L"自動実行のモード";
        // No run without a record, and the program's own folders.
        case 30000:
            return L"変更を記録できない為、フォルダ名を変更しません";
        case 30001:
            return L"変更を記録できません（記録のフォルダに書き込めません）。"
                   L"記録せずにフォルダ名を変更しますか？記録しない変更は元に戻せません。";
        case 30002:
            return L"直前の実行は記録されていない為、元に戻せません";
        case 30004:
            return L"変更不可（Kelvaro2 が使うフォルダ）";
        case 30005:
            return L"変更不可（一時的な名前のまま）";
        case 30006:
            return L"記録が壊れている為、次のフォルダを元に戻せません（名前の末尾の .Tmpぷよむ "
                   L"を消すと元の名前に戻ります）";
        case 30008:
            return L"リストファイルに使えない文字（NUL）があります: %1 行目 ";
        case 30009:
            return L"記録を整理できませんでした（記録のフォルダに書き込めません）";
        case 30010:
            return L"　フォルダではないものが同じ名前で置かれた為、変更しませんでした";
        case 30011:
            return L"　一覧を読んだ後でフォルダが入れ替わった為（リンクなど）、変更しませんでした";
        // Names that stand for no folder before anything is looked up, and names given twice.
        case 31000:
            return L"リストファイルの名前に * や ? は使えません: ";
        case 31001:
            return L"ワイルドカード（* ?）はフォルダ名の最後の部分にだけ使えます: ";
        case 31002:
            return L"変更不可（リストの名前に * や ?）";
        case 31003:
            return L"変更不可（ワイルドカードは最後の部分だけ）";
        case 31004:
            return L"前に指定したフォルダと同じ為、一度だけ処理します";
        case 31005:
            return L"指定したほかのフォルダの下にある為、そのフォルダと一緒に処理します";
        // Bad usage that says how to write it, and the usage of list files.
        case 31010:
            return L"スイッチと値の間は空白ではなく : です。次のように書いてください: ";
        case 31011:
            return L"/U はほかの指定と一緒に使えません";
        case 31012:
            return L"  リストファイルの名前は書いたとおりに読みます（* と ? はコマンドラインだけ）";
        case 31013:
            return L"  /A            /S とワイルドカードで隠しフォルダとシステムフォルダも対象にします";
        // How each run of 変更の記録 ended.
        case 31020:
            return L"中断（%1 フォルダ中 %2 フォルダまで処理）";
        case 31021:
            return L"中断（%1 フォルダまで処理）";
        case 31022:
            return L"途中で停止（%1 フォルダ中 %2 フォルダまで処理）";
        case 31023:
            return L"途中で停止（%1 フォルダまで処理）";
        case 31024:
            return L"元に戻す途中で中断（%1 フォルダ中 %2 フォルダを戻しました）";
        case 31025:
            return L"実行中";
        // The folders the preview left out, in a run's closing count.
        case 31030:
            return L"除外";
        // The modes' names on the command line (the names follow).
        case 31040:
            return L"                番号の代わりに名前も使えます（大文字と小文字は区別しません）:";
        case 31041:
            return L"元の名前が使われている為、中断された変更を完了しました";
        // Windows' own folders, folders without a short name, Windows ending the session.
        case 30100:
            return L"変更不可（Windows のフォルダ）";
        case 30101:
            return L"　このフォルダには短い名前が無い為変更しません";
        case 30102:
            return L"このフォルダには短い名前が無い為変更しません";
        case 30103:
            return L"変更不可（短い名前を読めない）";
        case 30104:
            return L"フォルダ名の変更を中断しています";
        default:
            return {};
    }
}

std::wstring ResAllText(AText text) {
    switch (static_cast<int16_t>(text)) {
        case 5:
            return L"ｷｬﾝｾﾙ";
        case 10:
            return L"実行中に中断します";
        case 11:
            return L"LogFile(*.LOG)|*.LOG|全てのファイル(*.*)|*.*";
        case 20:
            return L"で使用したレジストリを全て削除します";
        case 30:
            return L"中断しました";
        case 31:
            return L"全て終了しました";
        case 1005:
            return L"リフレッシュ";
        case 1006:
            return L"フォルダエリアスの追加";
        case 1007:
            return L"フォルダエリアスのメンテナンス";
        case 1100:
            return L"フォルダエリアス名を入力してください";
        case 1101:
            return L"フォルダエリアス名入力";
        case 1102:
            return L"同一のフォルダエリアス名は追加できません";
        case 2006:
            return L"全て選択";
        case 2007:
            return L"全て選択の解除";
        case 2008:
            return L"初期化";
        case 5100:
            return L"ファイルが存在しています。上書きしてよろしいですか";
        case 5101:
            return L"セーブできませんでした。";
        case 7003:
            return L"Member ID: -";
        case 7004:
            return L"E-Mail: -";
        case 7005:
            return L"URL: -";
        case 8042:
            return L"初期値";
        case 8043:
            return L"ｷｬﾝｾﾙ";
        case 8044:
            return L"設定";
        case 8045:
            return L"設定を初期設定に戻します";
        case 8046:
            return L"設定を中断して、閉じます";
        case 8047:
            return L"設定を有効にして、閉じます";
        case 8056:
            return L"リサイズ時、小フォームも変更";
        case 8057:
            return L"小フォームが親フォームにあわせてリサイズされます";
        case 8058:
            return L"ＴｏｏｌＴｉｐを表示";
        case 8059:
            return L"マウス停止時の説明を表示するかしないかの設定をします";
        case 8060:
            return L"結果をクリップボードにコピー";
        case 8061:
            return L"自動実行時、結果を自動的にクリップボードにコピーします";
        case 11000:
            return L"のエリアスメンテナンス";
        case 11003:
            return L"名前の変更";
        case 11006:
            return L"現在選択しているフォルダエリアス名の変更します";
        case 11007:
            return L"フォルダエリアス名に対応するフォルダ名";
        case 11008:
            return L"フォルダエリアス登録一覧";
        case 11009:
            return L"現在選択しているフォルダエリアスを１つ上に移動します";
        case 11010:
            return L"現在選択しているフォルダエリアスを１つ下に移動します";
        case 11011:
            return L"現在選択しているフォルダエリアスを削除します";
        case 11012:
            return L"全て削除します";
        case 11101:
            return L"フォルダエリアス名を入力してください";
        case 11102:
            return L"フォルダエリアス名の変更";
        case 11103:
            return L"すでに存在するフォルダエリアス名には変更できません";
        default:
            return {};
    }
}

std::wstring FillIn(std::wstring text, std::initializer_list<uint64_t> numbers) {
    wchar_t mark[3] = L"%1";
    for (uint64_t number : numbers) {
        if (const size_t at = text.find(mark); at != std::wstring::npos) text.replace(at, 2, std::to_wstring(number));
        ++mark[1];
    }
    return text;
}

// Modes 0 to 6 keep their old numbers; the eighth mode came later.
std::wstring ModeCaption(int mode) {
    return ResKelvaroText(mode < 7 ? NthText(KText::UpperButton, mode) : KText::StandardButton);
}

std::wstring ModeHint(int mode) {
    return ResKelvaroText(mode < 7 ? NthText(KText::UpperHint, mode) : KText::StandardHint);
}

std::wstring ModeOptionCaption(int mode) {
    return ResKelvaroText(mode < 7 ? NthText(KText::AutoUpperOption, mode) : KText::AutoStandardOption);
}

std::wstring ModeOptionHint(int mode) {
    return ResKelvaroText(mode < 7 ? NthText(KText::AutoUpperHint, mode) : KText::AutoStandardHint);
}

}  // namespace kelvaro
