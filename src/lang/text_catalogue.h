#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace corvane {

using TextId = std::int16_t;

// One user-visible text: its number in the language files, its built-in
// English wording, and how Translate is asked for it.
struct CatalogueText {
  TextId id;
  std::string_view text;
  bool spaceBefore = false;
  bool spaceAfter = false;
};

// The whole catalogue. Language files replace these texts by number, so the
// numbers never change once released.
namespace txt {
// clang-format off
inline constexpr CatalogueText Yes{0, "yes"};
inline constexpr CatalogueText No{1, "no"};
inline constexpr CatalogueText LanguageFileNotFound{2, "Language file not found: ", false, true};
inline constexpr CatalogueText StartBanner{3, "Corvane v. %1.%2.%3 is starting..."};
inline constexpr CatalogueText XmlFileUseless{4, "The XML file %1 did not contain any useful information or had errors!\r\nPlease correct this. The Corvane will quit now."};
inline constexpr CatalogueText AlreadyRunning{5, "The daemon for '%1' seems already to be running.\r\nHaving multiple instances of one daemon is no good idea!"};
inline constexpr CatalogueText UseXmlSwitch{6, "Use /XML to specify an XML file containing the File Points to observe."};
inline constexpr CatalogueText DaemonPaused{7, "The Daemon is paused. Type 'go' to start it."};
inline constexpr CatalogueText LoadedBalloon{8, "%1 is loaded. Double click this Icon to show it."};
inline constexpr CatalogueText PausedSuffix{9, " The daemon is paused.", true, false};
inline constexpr CatalogueText MenuPause{10, "Pause %1"};
inline constexpr CatalogueText MenuResume{11, "Resume %1"};
inline constexpr CatalogueText ObservationError{12, "Observation error! Please check the daemon settings."};
inline constexpr CatalogueText PointNotAdded{13, "Observation point '%1' could not be added!"};
inline constexpr CatalogueText Loaded{14, "Loaded %1, %2 observation points added."};
inline constexpr CatalogueText LoadFailedCount{15, "%1 failed!"};
inline constexpr CatalogueText TagDebug{16, "   Debug"};
inline constexpr CatalogueText TagInfo{17, "    Info"};
inline constexpr CatalogueText TagWarning{18, " Warning"};
inline constexpr CatalogueText TagError{19, "   Error"};
inline constexpr CatalogueText PointAdded{20, "Added observation point: '%1' [%2 | %3 | %4 sec ]"};
inline constexpr CatalogueText FoundFiles{21, "%1: found %2 files in %3."};
inline constexpr CatalogueText NoNewFiles{22, "%1: no new files found in %2."};
inline constexpr CatalogueText DirectoryNotFound{23, "Directory not found: %1"};
inline constexpr CatalogueText CheckTerminated{24, "fCheckDirectory terminated unexpectedly for %1"};
inline constexpr CatalogueText CheckUnknownError{25, "Unknown error in fCheckDirectory!"};
inline constexpr CatalogueText NoExclusiveAccess{26, "Exclusive access to '%1' not granded. Will retry in %2 sec."};
inline constexpr CatalogueText Executing{27, "Executing '%1' (PID: %2)"};
inline constexpr CatalogueText ProcessNotCompleted{28, "Process with PID: %1 did not complete after %2 ms."};
inline constexpr CatalogueText ProcessTerminated{29, "Process with PID: %1 was terminated after %2 ms."};
inline constexpr CatalogueText ProcessEndedInTime{30, "Process with PID: %1 ended in time."};
inline constexpr CatalogueText CouldNotExecute{31, "Could not execute '%1'!"};
inline constexpr CatalogueText MutexRegistered{32, "Mutex for '%1' registered."};
inline constexpr CatalogueText StateRunning{33, "running"};
inline constexpr CatalogueText StateStopped{34, "stopped"};
inline constexpr CatalogueText ExitingOnRequest{35, "Exiting on user request..."};
inline constexpr CatalogueText PausingOnRequest{36, "Pausing on user request..."};
inline constexpr CatalogueText ContinuingOnRequest{37, "Continuing on user request..."};
inline constexpr CatalogueText SearchingOnRequest{38, "Searching for files on user request..."};
inline constexpr CatalogueText CouldNotLock{39, "Could not lock '%1'. The daemon was halted. (Maybe another daemon is running.)"};
inline constexpr CatalogueText Changed{40, "Changed '%1' to '%2'."};
inline constexpr CatalogueText UnknownParameter{41, "Unknown parameter: '%1'"};
inline constexpr CatalogueText CommandNotUnderstood{42, "Command '%1' not understood!"};
inline constexpr CatalogueText Reloading{43, "Reloading '%1' on user request..."};
inline constexpr CatalogueText ConfigurationReport{44, "Configuration not avaliable! (Check the language file!)"};
inline constexpr CatalogueText HelpReport{45, "Help not avaliable! (Check the language file!)"};
inline constexpr CatalogueText StatisticsHeader{46, "Statistics are not avaliable! (Check the language file!)"};
inline constexpr CatalogueText StatisticsPoint{47, "Statistics are not avaliable! (Check the language file!)"};
inline constexpr CatalogueText DaemonWillQuit{48, "The daemon will quit now."};
inline constexpr CatalogueText MenuExit{50, "Exit"};
inline constexpr CatalogueText MenuSearchNewFiles{51, "Search new files"};
inline constexpr CatalogueText MenuShow{52, "Show %1"};
inline constexpr CatalogueText AttrArchive{53, "archive ", false, true};
inline constexpr CatalogueText AttrReadOnly{54, "read only ", false, true};
inline constexpr CatalogueText AttrCompressed{55, "compressed ", false, true};
inline constexpr CatalogueText AttrHidden{56, "hidden ", false, true};
inline constexpr CatalogueText AttrSystem{57, "system ", false, true};
inline constexpr CatalogueText CheckAlreadyRunning{58, "fCheckDirectory was called, while it is still running!"};
inline constexpr CatalogueText ProcessNotTerminated{59, "Process with PID: %1 could not be terminated."};
inline constexpr CatalogueText ProcessLeftRunning{60, "Process with PID: %1 is left running: the daemon stops."};
inline constexpr CatalogueText WatchFallbackWarning{61, "%1: change events are not used (%2); the point is checked every %3 sec."};
inline constexpr CatalogueText WatchResumed{62, "%1: change events wake the point again."};
inline constexpr CatalogueText ReasonOverflow{63, "events were lost"};
inline constexpr CatalogueText ReasonWatchLimit{64, "the watch limit is reached"};
inline constexpr CatalogueText ReasonNoEvents{65, "its file system reports no changes made elsewhere"};
inline constexpr CatalogueText ReasonDirectoryGone{66, "the directory is missing, deleted or moved"};
inline constexpr CatalogueText ReasonUnavailable{67, "the system offers no change events"};
inline constexpr CatalogueText IntervalOnly{68, "interval only: %1"};
// clang-format on
}  // namespace txt

// Every entry above, in id order (for language-file checks and tools).
std::span<const CatalogueText> AllCatalogueTexts();

}  // namespace corvane
