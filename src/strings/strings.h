// The string table: every visible text by its numeric ID, in English and Japanese (UTF-8).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace qdu {

enum class Language { English, Japanese };

// Japanese when the user's locale is Japanese (LC_ALL, LC_MESSAGES, LANG; on Windows the user's
// default locale identifier, 1041), English otherwise.
Language language_from_environment();
// The two decisions tied to users in Japan (help file, one tooltip) test for ja_JP itself.
bool locale_is_japanese_japan();
Language ui_language();
void set_ui_language(Language language);

// IDs of this program's own texts, above those of the original resources.
inline constexpr int kPreviousCheckStillRuns = 5001;
// The check history's window.
enum HistoryText : int {
    kHistoryMenuItem = 5010,
    kHistoryTitle,
    kHistoryAllDiscs,
    kHistoryDisc,
    kHistoryColumnDate,
    kHistoryColumnDisc,
    kHistoryColumnDrive,
    kHistoryColumnMode,
    kHistoryColumnLevel,
    kHistoryColumnEnd,
    kHistoryCompare,
    kHistoryExport,
    kHistoryClose,
    kHistoryChooseTwo,
    kHistoryComparisonTitle,
    kHistoryNone,
    kHistoryUnusable,
    kHistoryExportTitle,
    kHistoryExportFailed,
    kHistoryEndFinished,
    kHistoryEndCanceled,
    kHistoryEndStopped,
    kHistoryChecksOfDisc,
};
// Settings files in the window.
enum SettingsFileText : int {
    kSaveSettingsMenuItem = 5040,
    kLoadSettingsMenuItem,
    kSettingsFileFilter,
    kSettingsSaved,
    kSettingsSaveFailed,
    kSettingsFileUnusable,
    kSettingsAlready,
    kSettingsApplyQuestion,
    kSettingsApplied,
    kSettingsNotApplied,
    kSettingsCancelledAt,
    kSettingsRefused,
    kSettingsDidNotTake,
};
inline constexpr int kHelpMissing = 5060;
// Why a drive is not usable (qdu doctor's first finding, in the window); %1 is a node.
enum DoctorText : int {
    kDoctorNoOpticalDevice = 5070,
    kDoctorNoSgModule,
    kDoctorNoSrDriver,
    kDoctorNodeMissing,
    kDoctorPermissionDenied,
    kDoctorBusy,
    kDoctorOpenFailed,
    kDoctorNoAnswer,
    kDoctorOtherDrive,
    kDoctorSeeMore,
};
// Names for screen readers, and the disc picture in words (%1..%5 are filled by format_text).
enum AccessText : int {
    kAccessDriveSelector = 5080,
    kAccessMenu,
    kAccessPages,
    kAccessMediaCombo,
    kAccessFeatureCombo,
    kAccessIndicator,
    kAccessIndicatorValue,
    kAccessPicture,
    kAccessLog,
    kAccessProgress,
    kAccessCheckList,
    kAccessReport,
    kPictureNotChecked,
    kPictureNoFindings,
    kPictureOneFinding,
    kPictureFindings,
    kPictureListStart,
    kPictureListNext,
    kPicturePlaceFromTo,
    kPicturePlaceAt,
    kPictureMorePlaces,
};

// A string of the table in the current language; empty for an unknown ID.
std::string_view text(int string_id);
std::string_view text(int string_id, Language language);

// A string of the table whose %d fields take the numbers given (the table's own formats).
std::string formatted_text(int string_id, int a, int b = 0);
// A pattern whose %1..%9 take the texts given, in whatever order the language puts them.
std::string format_text(std::string_view pattern, std::initializer_list<std::string> args);

// The text of a control in a dialog; empty for an unknown pair.
std::string_view control_text(int dialog_id, int control_id);
std::string_view control_text(int dialog_id, int control_id, Language language);

}  // namespace qdu
