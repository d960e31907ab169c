#include "strings/strings.h"

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
    {134, "Switches the \"Clarivox\" On/Off.", "「Clarivox」のオン／オフを切り替えます。"},
    {135, "At the read error after several retrys,  the error status is returned.",
     "何度か再試行しても読み込めないときは、エラーを返します。"},
    {136, "At the read error after several retrys,  the interpolate data is returned.",
     "何度か再試行しても読み込めないときは、補間したデータを返します。"},
    {137, "Disable the Real Time Clarivox. OK?",
     "Real Time Clarivox を無効にします。よろしいですか？"},
    {145, " Reset all of the settings to the factory default. OK?",
     " すべての設定を工場出荷時の状態に戻します。よろしいですか？"},
    {146, " Reset all of the settings to the factory default. ",
     " すべての設定を工場出荷時の状態に戻します。 "},
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
    {221, "This feature optimally control not to interrupt the sound while streaming.",
     "ストリーミング再生中に音が途切れないよう最適に制御します。"},
    {227, "BD Write Setting", "BD 書き込み設定"},
    {228, "DVD Write Setting", "DVD 書き込み設定"},
    {232, "OFF", "OFF"},
    {233, "Advanced Quiet Drive Feature", "Advanced Quiet Drive Feature（静音機能）"},
    {234, "High speed data read mode", "高速データ読み込みモード"},
    {239, "The drive will write within a speed supported by the media manufacture.",
     "メディアメーカーが保証する速度の範囲で書き込みます。"},
    {1003, "The drive will keep spinning in low speed to avoid operational and fan noise.",
     "動作音やファンの音を抑えるため、ディスクを低速で回転させ続けます。"},
    {1004, "Quietness priority mode(the drive adjusts disc speed by the situation)",
     "静音優先モード（状況に応じてディスクの回転速度を調整します）"},
    {1005, "Performance priority mode(The drive adjusts disc speed by the situation)",
     "性能優先モード（状況に応じてディスクの回転速度を調整します）"},
    {1012,
     "Records at a speed chosen for a well-finished recording surface, faster than before.",
     "ディスク記録面の仕上がりを重視した記録倍速に自動設定して記録を行ないます。"
     "従来より高速な書き込みができます。"},
};

constexpr ControlEntry kControls[] = {
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

bool is_japanese_locale(const char* value) {
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

Language language_from_environment() {
    // The first of these that is set decides, as in the C library.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != 0) {
            return is_japanese_locale(value) ? Language::Japanese : Language::English;
        }
    }
    return Language::English;
}

Language ui_language() { return current_language(); }
void set_ui_language(Language language) { current_language() = language; }

std::string_view text(int string_id) { return text(string_id, ui_language()); }

std::string_view text(int string_id, Language language) {
    for (const Entry& e : kStrings) {
        if (e.id == string_id) {
            return language == Language::Japanese ? e.japanese : e.english;
        }
    }
    return {};
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
