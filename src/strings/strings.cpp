#include "strings/strings.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qdu {

namespace {

struct Entry {
    int id;
    std::string_view english;
    std::string_view japanese;
};

struct ControlEntry {
    int dialog;
    int control;
    std::string_view english;
    std::string_view japanese;
};

// Texts keep the original spacing: some begin or end with a blank.
constexpr Entry kStrings[] = {
    {101, "Version Information QuorvelDriveUtility(&A)...",
     "バージョン情報 QuorvelDriveUtility(&A)..."},
    {103, " ", " "},
    {122, "\r\n  Track %02d \t: ", "\r\n  トラック %02d \t: "},
    {123, "Checking was finished.", "チェックが終了しました。"},
    {124, "Track No. %d / %d", "トラック %d / %d"},
    {125, "OK", "OK"},
    {126, "Cancel", "キャンセル"},
    {127, "D", "D"},
    {128, "Checking was canceled.", "チェックを中止しました。"},
    {134, "Switches the \"Clarivox\" On/Off.", "「Clarivox」のオン／オフを切り替えます。"},
    {135, "At the read error after several retrys,  the error status is returned.",
     "何度か再試行しても読み込めないときは、エラーを返します。"},
    {136, "At the read error after several retrys,  the interpolate data is returned.",
     "何度か再試行しても読み込めないときは、補間したデータを返します。"},
    {137, "Disable the Real Time Clarivox. OK?",
     "Real Time Clarivox を無効にします。よろしいですか？"},
    {139, "No disc is found.", "ディスクが入っていません。"},
    {144, "C", "C"},
    {145, " Reset all of the settings to the factory default. OK?",
     " すべての設定を工場出荷時の状態に戻します。よろしいですか？"},
    {146, " Reset all of the settings to the factory default. ",
     " すべての設定を工場出荷時の状態に戻します。 "},
    {155, "Insert audio CD.", "音楽 CD を入れてください。"},
    {156, "Reading disc information...", "ディスク情報を読み込んでいます..."},
    {157, "(Remaining time %02d:%02d ...)", "（残り時間 %02d:%02d ...）"},
    {158, "Checking was canceled.", "チェックを中止しました。"},
    {159, "This disc is not available.", "このディスクはチェックできません。"},
    {161,
     "Bad condition. The disc might not be played back in some CD players.\r\n"
     "Clarivox function can be helped to recover the ORIGINAL SOUND condition by duplicating "
     "the disc.\r\n"
     "Master mode:Some part might be incorporated during the disc duplication.\r\n"
     "Perfect mode:No incorporation and duplicate a disc with the complete ORIGINAL SOUND "
     "condition.\r\n"
     "Or Real Time Clarivox function enable to play back the ORIGINAL SOUND without "
     "duplication.\r\n",
     "悪い状態です。CD プレーヤーによっては再生できないことがあります。\r\n"
     "Clarivox 機能を使ってディスクを複製すると、元の音の状態に戻せる場合があります。\r\n"
     "マスターモード：複製の際に一部のデータが補間されることがあります。\r\n"
     "パーフェクトモード：補間せず、元の音のままの状態でディスクを複製します。\r\n"
     "または Real Time Clarivox 機能を使えば、複製しなくても元の音で再生できます。\r\n"},
    {163,
     "Low condition. The disc remains the condition that can be played in most CD players, "
     "though, its data may be incorporated.\r\n"
     "Clarivox function can be helped to recover the ORIGINAL SOUND condition by duplicating "
     "the disc.\r\n"
     "Master mode:Some part might be incorporated during the disc duplication.\r\n"
     "Perfect mode:No incorporation and duplicate a disc with the complete ORIGINAL SOUND "
     "condition.\r\n"
     "Or Real Time Clarivox function enable to play back the ORIGINAL SOUND without "
     "duplication.\r\n",
     "やや悪い状態です。ほとんどの CD プレーヤーで再生できますが、データが補間されている"
     "ことがあります。\r\n"
     "Clarivox 機能を使ってディスクを複製すると、元の音の状態に戻せる場合があります。\r\n"
     "マスターモード：複製の際に一部のデータが補間されることがあります。\r\n"
     "パーフェクトモード：補間せず、元の音のままの状態でディスクを複製します。\r\n"
     "または Real Time Clarivox 機能を使えば、複製しなくても元の音で再生できます。\r\n"},
    {164,
     "Normal condition. Some part is unable to read smoothly, though, the disc remains the "
     "condition that can be played the ORIGNAL SOUND in most CD players.\r\n",
     "普通の状態です。一部に読み込みにくい箇所がありますが、ほとんどの CD プレーヤーで元の音"
     "のまま再生できます。\r\n"},
    {165, "Starts checking audio CD.", "音楽 CD のチェックを始めます。"},
    {166, "Perfect", "最良"},
    {167, "Better", "良好"},
    {168, "Good", "普通"},
    {169, "Not Good", "やや不良"},
    {170, "Bad", "不良"},
    {171, "Fatal", "致命的"},
    {172, "Good condition.\r\n", "良い状態です。\r\n"},
    {173, "B", "B"},
    {174, "A", "A"},
    {175, "Checks entire disc.", "ディスク全体をチェックします。"},
    {176, "Disc Type", "ディスクの種類"},
    {177, "Number of session/border", "セッション／ボーダー数"},
    {178, "Number of track", "トラック数"},
    {179, "Disc Status", "ディスクの状態"},
    {180, "CD-ROM", "CD-ROM"},
    {181, "CD-R", "CD-R"},
    {182, "CD-RW", "CD-RW"},
    {183, "DVD-ROM Single", "DVD-ROM 1層"},
    {184, "DVD-ROM Dual", "DVD-ROM 2層"},
    {185, "DVD-RW", "DVD-RW"},
    {186, "DVD-R Single", "DVD-R 1層"},
    {187, "DVD-R 3.95GB Single", "DVD-R 3.95GB 1層"},
    {188, "DVD+RW", "DVD+RW"},
    {189, "DVD+R Single", "DVD+R 1層"},
    {190, "DVD-R Dual", "DVD-R 2層"},
    {191, "DVD+R Dual", "DVD+R 2層"},
    {192, "DVD-RAM", "DVD-RAM"},
    {193, "BD-ROM Single", "BD-ROM 1層"},
    {194, "BD-ROM Dual", "BD-ROM 2層"},
    {195, "BD-RE Single", "BD-RE 1層"},
    {196, "BD-RE Triple", "BD-RE 3層"},
    {197, "BD-RE Dual", "BD-RE 2層"},
    {198, "BD-R Single", "BD-R 1層"},
    {199, "BD-R Dual", "BD-R 2層"},
    {200, "BD-R Triple", "BD-R 3層"},
    {201, "BD-R Quadruple", "BD-R 4層"},
    {202, "Unknown Disc", "不明なディスク"},
    {203, "Error Indicator", "エラーインジケーター"},
    {204, "Does not support Real Time Clarivox.",
     "このドライブは\nReal Time Clarivox に対応していません。"},
    {205, "This function is in order to reduce the peak power during the drive operations.",
     "ドライブ動作中のピーク電力を抑えるための機能です。"},
    {206, "This function selects appropriate mode when watching movie and playing CD audio.",
     "映画の視聴や音楽 CD の再生に適したモードを選びます。"},
    {207, "The drive turns off the LED when watching movie titles or playing audio CD.",
     "映画の視聴中や音楽 CD の再生中は、ドライブの LED を消灯します。"},
    {208, "The max write speed using supported disc will be BD-R (SL):16x, BD-R (SL):14x.",
     "対応ディスクでの最大書き込み速度は BD-R (SL):16倍速、BD-R (SL):14倍速になります。"},
    {209, "Write speed will be adjusted to ensure the write quality.",
     "書き込み品質を確保できるよう、書き込み速度を調整します。"},
    {210, "Write speed will be adjusted to prioritize the record surface quality.",
     "記録面の品質を優先して、書き込み速度を調整します。"},
    {213, "Enable the Advanced Quiet Drive Feature. OK?",
     "Advanced Quiet Drive Feature を有効にします。よろしいですか？"},
    {214, "Read Only", "読み込み専用"},
    {215, "Blank Disc", "ブランクディスク"},
    {217, "Finalized Disc", "ファイナライズ済みディスク"},
    {218, "Writable Media", "書き込み可能なメディア"},
    {219, "Cannot Write", "書き込みできません"},
    {220, "Indicator of the quality of audio data is shown.", "音楽データの品質を表示します。"},
    {221, "This feature optimally control not to interrupt the sound while streaming.",
     "ストリーミング再生中に音が途切れないよう最適に制御します。"},
    {222, "The number of the transferred audio sectors are shown.",
     "転送した音楽セクターの数を表示します。"},
    {223, "The time code of the last transferred audio sector is shown.",
     "最後に転送した音楽セクターのタイムコードを表示します。"},
    {224, "The number of the sectors and Error Indicater will be cleared.",
     "セクター数とエラーインジケーターをクリアします。"},
    {225, "Checks disc quickly.", "ディスクを短時間でチェックします。"},
    {227, "BD Write Setting", "BD 書き込み設定"},
    {228, "DVD Write Setting", "DVD 書き込み設定"},
    {229, "Result : ", "結果 : "},
    {230, "Level A", "レベル A"},
    {231, "Level B", "レベル B"},
    {232, "OFF", "OFF"},
    {233, "Advanced Quiet Drive Feature", "Advanced Quiet Drive Feature（静音機能）"},
    {234, "High speed data read mode", "高速データ読み込みモード"},
    {235, "MID", "MID"},
    {236, "HELP", "ヘルプ"},
    {239, "The drive will write within a speed supported by the media manufacture.",
     "メディアメーカーが保証する速度の範囲で書き込みます。"},
    {240, "The disc or temp, the drive limits the read/write speed.",
     "ディスクまたは温度のため、ドライブが読み書きの速度を制限しています。"},
    {241, "Level C", "レベル C"},
    {242, "Level D", "レベル D"},
    {1003, "The drive will keep spinning in low speed to avoid operational and fan noise.",
     "動作音やファンの音を抑えるため、ディスクを低速で回転させ続けます。"},
    {1004, "Quietness priority mode(the drive adjusts disc speed by the situation)",
     "静音優先モード（状況に応じてディスクの回転速度を調整します）"},
    {1005, "Performance priority mode(The drive adjusts disc speed by the situation)",
     "性能優先モード（状況に応じてディスクの回転速度を調整します）"},
    // Shown only to users in Japan; the English line serves tools that list every text.
    {1012, "Records at a speed chosen for a well-finished recording surface, faster than before.",
     "ディスク記録面の仕上がりを重視した記録倍速に自動設定して記録を行ないます。"
     "従来より高速な書き込みができます。"},
    // Texts of this program beyond the original resources.
    {kPreviousCheckStillRuns,
     "The previous check is still waiting for the drive to answer. Start works again as soon "
     "as it has ended.",
     "前回のチェックがまだドライブの応答を待っています。終了すると再び開始できます。"},
    {kHistoryMenuItem, "Check history…", "チェック履歴…"},
    {kHistoryTitle, "Check history", "チェック履歴"},
    {kHistoryAllDiscs, "All discs", "すべてのディスク"},
    {kHistoryDisc, "&Disc:", "ディスク(&D):"},
    {kHistoryColumnDate, "Date (UTC)", "日時 (UTC)"},
    {kHistoryColumnDisc, "Disc ID", "ディスク ID"},
    {kHistoryColumnDrive, "Drive", "ドライブ"},
    {kHistoryColumnMode, "Mode", "モード"},
    {kHistoryColumnLevel, "Level", "レベル"},
    {kHistoryColumnEnd, "End", "終了"},
    {kHistoryCompare, "&Compare", "比較(&C)"},
    {kHistoryExport, "&Export…", "書き出し(&E)…"},
    {kHistoryClose, "Close", "閉じる"},
    {kHistoryChooseTwo, "Select two checks of one disc to compare them.",
     "比較するには、同じディスクのチェックを 2 つ選んでください。"},
    {kHistoryComparisonTitle, "Comparison of two checks", "2 つのチェックの比較"},
    {kHistoryNone, "No checks have been kept yet. Every check that reads a disc is kept here.",
     "記録されたチェックはまだありません。ディスクを読んだチェックはすべてここに記録されます。"},
    {kHistoryUnusable, "The check history cannot be used:", "チェック履歴を使用できません:"},
    {kHistoryExportTitle, "Export the check", "チェックの書き出し"},
    {kHistoryExportFailed, "The file could not be written:", "ファイルを書き込めませんでした:"},
    {kHistoryEndFinished, "finished", "完了"},
    {kHistoryEndCanceled, "canceled", "中止"},
    {kHistoryEndStopped, "stopped", "停止"},
    {kHistoryChecksOfDisc, "%d checks", "チェック %d 件"},
    {kSaveSettingsMenuItem, "Save settings to a file…", "設定をファイルに保存…"},
    {kLoadSettingsMenuItem, "Load settings from a file…", "設定をファイルから読み込む…"},
    {kSettingsFileFilter, "Settings files (*.json)", "設定ファイル (*.json)"},
    {kSettingsSaved, "The drive's settings were saved to this file:",
     "ドライブの設定を次のファイルに保存しました:"},
    {kSettingsSaveFailed, "The settings could not be saved:", "設定を保存できませんでした:"},
    {kSettingsFileUnusable, "This file cannot be used:", "このファイルは使用できません:"},
    {kSettingsAlready, "The drive already has the settings of this file.",
     "ドライブはすでにこのファイルの設定になっています。"},
    {kSettingsApplyQuestion,
     "Change these settings of the drive? (They are not saved in the drive.)",
     "ドライブの次の設定を変更しますか？（ドライブには保存されません）"},
    {kSettingsApplied, "The settings of the file were applied.", "ファイルの設定を適用しました。"},
    {kSettingsNotApplied,
     "Not every setting of the file was applied:", "ファイルの設定の一部を適用できませんでした:"},
    {kSettingsCancelledAt, "Cancelled at", "キャンセルした設定:"},
    {kSettingsRefused, "not changed:", "変更されませんでした:"},
    {kSettingsDidNotTake, "did not take; the drive has", "反映されませんでした。ドライブの値:"},
    {kHelpMissing,
     "Neither the drive's help file nor this program's manual was found. The help file would be:",
     "ドライブのヘルプファイルもこのプログラムのマニュアルも見つかりませんでした。ヘルプファイル:"},
    {kDoctorNoOpticalDevice, "The system has no optical drive",
     "システムに光学ドライブがありません"},
    {kDoctorNoSgModule, "The sg module is not loaded", "sg モジュールが読み込まれていません"},
    {kDoctorNoSrDriver, "%1 has no /dev/sr node: the sr_mod module is not loaded",
     "%1 に /dev/sr ノードがありません（sr_mod モジュールが読み込まれていません）"},
    {kDoctorNodeMissing, "%1 does not exist", "%1 がありません"},
    {kDoctorPermissionDenied, "%1 cannot be opened: permission denied",
     "%1 を開けません: アクセス権がありません"},
    {kDoctorBusy, "%1 is in use by another program", "%1 は他のプログラムが使用中です"},
    {kDoctorOpenFailed, "%1 cannot be opened", "%1 を開けません"},
    {kDoctorNoAnswer, "%1 did not answer the identification request",
     "%1 は識別要求に応答しませんでした"},
    {kDoctorOtherDrive, "%1 is not a KVT-R42", "%1 は KVT-R42 ではありません"},
    {kDoctorSeeMore, "%1 — see qdu doctor", "%1 — 詳しくは qdu doctor を参照してください"},
    {kAccessDriveSelector, "Drive", "ドライブ"},
    {kAccessMenu, "Menu", "メニュー"},
    {kAccessPages, "Pages", "ページ"},
    {kAccessMediaCombo, "Write settings for", "書き込み設定の対象"},
    {kAccessFeatureCombo, "Reading feature", "読み込み機能"},
    {kAccessIndicator, "Quality of audio data", "音楽データの品質"},
    {kAccessIndicatorValue, "Level %1 of 8: %2", "レベル %1 / 8: %2"},
    {kAccessPicture, "Disc picture", "ディスクの図"},
    {kAccessLog, "Check log", "チェックのログ"},
    {kAccessProgress, "Progress of the check", "チェックの進行状況"},
    {kAccessCheckList, "Kept checks", "記録されたチェック"},
    {kAccessReport, "Report of the selected check", "選択したチェックの報告"},
    {kPictureNotChecked, "No check has been made yet.", "まだチェックしていません。"},
    {kPictureNoFindings, "No findings.", "検出はありません。"},
    {kPictureOneFinding, "1 finding", "検出 1 件"},
    {kPictureFindings, "%1 findings", "検出 %1 件"},
    {kPictureListStart, ": ", ": "},
    {kPictureListNext, "; ", "、"},
    {kPicturePlaceFromTo, "%1 at Level %2 in track %3 from %4 to %5",
     "トラック %3 の %4〜%5 にレベル %2 が %1 件"},
    {kPicturePlaceAt, "%1 at Level %2 in track %3 at %4", "トラック %3 の %4 にレベル %2 が %1 件"},
    {kPictureMorePlaces, "; and %1 more places", "、ほか %1 箇所"},
};

constexpr ControlEntry kControls[] = {
    // Dialog 100: version information.
    {100, 0, "Version Information Quorvel BD Drive Utilit",
     "バージョン情報 Quorvel BD Drive Utility"},
    {100, 1, "OK", "OK"},
    {100, 2, "Quorvel BD Drive Utility, Version 1, 1, 0, 5",
     "Quorvel BD Drive Utility, Version 1, 1, 0, 5"},
    {100, 3, "Copyright (C) 2026 Quorvel Drive Utility developers.",
     "Copyright (C) 2026 Quorvel Drive Utility 開発チーム"},
    {100, 4, "For the KVT-R42 Blu-ray writer. Free software, without warranty.",
     "KVT-R42 Blu-ray ライター用。フリーソフトウェア（無保証）です。"},
    // Dialog 102: the main window.
    {102, 0, "Quorvel BD Drive Utility", "Quorvel BD Drive Utility"},
    {102, 1051, "The drive is not connected.",
     "ドライブが接続されていません。\nドライブを接続してから、ユーティリティを起動し直してください"
     "。"},
    // Dialog 101: system and writing page.
    {101, 1058, "System Setting", "システム設定"},
    {101, 1059, "Zeve Duzir Iraveri", "Zeve Duzir Iraveri"},
    {101, 1060, "Video and Audio Mode", "ビデオ・オーディオモード"},
    {101, 1067, "LED OFF", "LED 消灯"},
    {101, 1081, "The smooth tray loading mode", "スムーズトレイローディングモード"},
    {101, 1052, "Writing Mode Setting", "書き込みモード設定"},
    {101, 1053, "BD-R high speed recording mode", "BD-R 高速記録モード"},
    {101, 1055, "Optimum Writing Speed Feature Setting On", "最適書き込み速度機能を使う"},
    {101, 1056, "Write Quality Mode ON", "書き込み品質モード"},
    {101, 1062, "Disc Record Surface Quality Mode(High Speed)", "記録面品質モード（高速）"},
    {101, 1057, "Disc Record Surface Quality Mode", "記録面品質モード"},
    {101, 1083, "Over speed protection mode", "オーバースピード保護モード"},
    {101, 1006, "Save setting to the drive", "設定をドライブに保存する"},
    // Dialog 136: utility page.
    {136, 1043, "Restore Factory Default", "工場出荷時の設定に戻す"},
    // Dialog 140: CD Check page.
    {140, 0, "Mode", "モード"},
    {140, 1013, "Start", "開始"},
    {140, 1089, "Full", "フル"},
    {140, 1090, "Quick", "クイック"},
    // Dialog 142: check progress.
    {142, 0, "Check audio CD", "音楽 CD のチェック"},
    // Dialog 139: status page.
    {139, 0, "Clarivox", "Clarivox"},
    {139, 1079, "Error Indicator", "エラーインジケーター"},
    {139, 1069, "The number of transfer sector", "転送セクター数"},
    {139, 1070, "Last transferred time", "最終転送時間"},
    {139, 1013, "Clear", "クリア"},
    {139, 1068, "Disc Information", "ディスク情報"},
    // Dialog 138: reading-mode page.
    {138, 1037, "Reading Mode Setting", "読み込みモード設定"},
    {138, 1003, "Persistent Quiet Mode", "常時静音モード"},
    {138, 1004, "Quiet Mode", "静音モード"},
    {138, 1005, "Performance Mode", "パフォーマンスモード"},
    {138, 1044, "Clarivox3+", "Clarivox3+"},
    {138, 1007, " ON", " ON"},
    {138, 1008, "Perfect Mode", "パーフェクトモード"},
    {138, 1009, "Master Mode", "マスターモード"},
    {138, 1010, "Real Time Clarivox", "Real Time Clarivox"},
    {138, 1006, "Save setting to the drive", "設定をドライブに保存する"},
};

[[maybe_unused]] bool is_japanese_locale(const char* value) {
    if (value == nullptr || *value == 0) {
        return false;
    }
    const std::string locale(value);
    return locale.rfind("ja", 0) == 0;
}

Language& current_language() {
    static Language language = language_from_environment();
    return language;
}

}  // namespace

// The first of these that is set decides, as in the C library.
[[maybe_unused]] static std::string locale_from_environment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != 0) {
            return value;
        }
    }
    return {};
}

#ifdef _WIN32
// Windows decides by the user's default locale identifier: 1041 is Japanese (Japan), and it is
// also the only Japanese one.
bool locale_is_japanese_japan() {
    return ::GetUserDefaultLCID() == 1041;
}

// The texts follow the user-interface language, as the system's resource loader does.
Language language_from_environment() {
    return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese
                                                                        : Language::English;
}
#else
bool locale_is_japanese_japan() {
    return locale_from_environment().rfind("ja_JP", 0) == 0;
}

Language language_from_environment() {
    return is_japanese_locale(locale_from_environment().c_str()) ? Language::Japanese
                                                                 : Language::English;
}
#endif

Language ui_language() {
    return current_language();
}
void set_ui_language(Language language) {
    current_language() = language;
}

std::string_view text(int string_id) {
    return text(string_id, ui_language());
}

std::string_view text(int string_id, Language language) {
    for (const Entry& e : kStrings) {
        if (e.id == string_id) {
            return language == Language::Japanese ? e.japanese : e.english;
        }
    }
    return {};
}

std::string formatted_text(int string_id, int a, int b) {
    char line[256];
    std::snprintf(line, sizeof line, std::string(text(string_id)).c_str(), a, b);
    return line;
}

std::string format_text(std::string_view pattern, std::initializer_list<std::string> args) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const auto index = static_cast<std::size_t>(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && index < args.size()) {
            out += *(args.begin() + index);
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string_view control_text(int dialog_id, int control_id) {
    return control_text(dialog_id, control_id, ui_language());
}

std::string_view control_text(int dialog_id, int control_id, Language language) {
    for (const ControlEntry& e : kControls) {
        if (e.dialog == dialog_id && e.control == control_id) {
            return language == Language::Japanese ? e.japanese : e.english;
        }
    }
    return {};
}

}  // namespace qdu
