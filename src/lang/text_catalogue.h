#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace corvane {

using TextId = std::int16_t;

// How a text is fitted into its place: a blank before or after it, or its
// first letter made upper case.
struct TextDecoration {
  bool spaceBefore = false;
  bool spaceAfter = false;
  bool upperFirst = false;
};

// One user-visible text: its number in the language files, its built-in
// English wording, and how Translate decorates it.
struct CatalogueText {
  TextId id;
  std::string_view text;
  TextDecoration decoration = {};
};

// The whole catalogue, the one list of every numbered text: its name in the
// code, its number, its English wording and its decoration. Language files
// replace these texts by number, so the numbers never change once released.
// clang-format off
#define CORVANE_CATALOGUE(TEXT) \
  TEXT(Yes, 0, "yes") \
  TEXT(No, 1, "no") \
  TEXT(LanguageFileNotFound, 2, "Language file not found: ", .spaceAfter = true) \
  TEXT(StartBanner, 3, "Corvane v. %1.%2.%3 is starting...") \
  TEXT(XmlFileUseless, 4, "The XML file %1 did not contain any useful information or had errors!\r\nPlease correct this. The Corvane will quit now.") \
  TEXT(AlreadyRunning, 5, "The daemon for '%1' seems already to be running.\r\nHaving multiple instances of one daemon is no good idea!") \
  TEXT(UseXmlSwitch, 6, "Use /XML to specify an XML file containing the File Points to observe.") \
  TEXT(DaemonPaused, 7, "The Daemon is paused. Type 'go' to start it.") \
  TEXT(LoadedBalloon, 8, "%1 is loaded. Double click this Icon to show it.") \
  TEXT(PausedSuffix, 9, " The daemon is paused.", .spaceBefore = true) \
  TEXT(MenuPause, 10, "Pause %1") \
  TEXT(MenuResume, 11, "Resume %1") \
  TEXT(ObservationError, 12, "Observation error! Please check the daemon settings.") \
  TEXT(PointNotAdded, 13, "Observation point '%1' could not be added!") \
  TEXT(Loaded, 14, "Loaded %1, %2 observation points added.") \
  TEXT(LoadFailedCount, 15, "%1 failed!") \
  TEXT(TagDebug, 16, "   Debug") \
  TEXT(TagInfo, 17, "    Info") \
  TEXT(TagWarning, 18, " Warning") \
  TEXT(TagError, 19, "   Error") \
  TEXT(PointAdded, 20, "Added observation point: '%1' [%2 | %3 | %4 sec ]") \
  TEXT(FoundFiles, 21, "%1: found %2 files in %3.") \
  TEXT(NoNewFiles, 22, "%1: no new files found in %2.") \
  TEXT(DirectoryNotFound, 23, "Directory not found: %1") \
  TEXT(CheckTerminated, 24, "fCheckDirectory terminated unexpectedly for %1") \
  TEXT(CheckUnknownError, 25, "Unknown error in fCheckDirectory!") \
  TEXT(NoExclusiveAccess, 26, "Exclusive access to '%1' not granded. Will retry in %2 sec.") \
  TEXT(Executing, 27, "Executing '%1' (PID: %2)") \
  TEXT(ProcessNotCompleted, 28, "Process with PID: %1 did not complete after %2 ms.") \
  TEXT(ProcessTerminated, 29, "Process with PID: %1 was terminated after %2 ms.") \
  TEXT(ProcessEndedInTime, 30, "Process with PID: %1 ended in time.") \
  TEXT(CouldNotExecute, 31, "Could not execute '%1'!") \
  TEXT(MutexRegistered, 32, "Mutex for '%1' registered.") \
  TEXT(StateRunning, 33, "running") \
  TEXT(StateStopped, 34, "stopped") \
  TEXT(ExitingOnRequest, 35, "Exiting on user request...") \
  TEXT(PausingOnRequest, 36, "Pausing on user request...") \
  TEXT(ContinuingOnRequest, 37, "Continuing on user request...") \
  TEXT(SearchingOnRequest, 38, "Searching for files on user request...") \
  TEXT(CouldNotLock, 39, "Could not lock '%1'. The daemon was halted. (Maybe another daemon is running.)") \
  TEXT(Changed, 40, "Changed '%1' to '%2'.") \
  TEXT(UnknownParameter, 41, "Unknown parameter: '%1'") \
  TEXT(CommandNotUnderstood, 42, "Command '%1' not understood!") \
  TEXT(Reloading, 43, "Reloading '%1' on user request...") \
  TEXT(ConfigurationReport, 44, "Configuration not avaliable! (Check the language file!)") \
  TEXT(HelpReport, 45, "Help not avaliable! (Check the language file!)") \
  TEXT(StatisticsHeader, 46, "Statistics are not avaliable! (Check the language file!)") \
  TEXT(StatisticsPoint, 47, "Statistics are not avaliable! (Check the language file!)") \
  TEXT(DaemonWillQuit, 48, "The daemon will quit now.") \
  TEXT(MenuExit, 50, "Exit") \
  TEXT(MenuSearchNewFiles, 51, "Search new files") \
  TEXT(MenuShow, 52, "Show %1") \
  TEXT(AttrArchive, 53, "archive ", .spaceAfter = true) \
  TEXT(AttrReadOnly, 54, "read only ", .spaceAfter = true) \
  TEXT(AttrCompressed, 55, "compressed ", .spaceAfter = true) \
  TEXT(AttrHidden, 56, "hidden ", .spaceAfter = true) \
  TEXT(AttrSystem, 57, "system ", .spaceAfter = true) \
  TEXT(CheckAlreadyRunning, 58, "fCheckDirectory was called, while it is still running!") \
  TEXT(ProcessNotTerminated, 59, "Process with PID: %1 could not be terminated.") \
  TEXT(ProcessLeftRunning, 60, "Process with PID: %1 is left running: the daemon stops.") \
  TEXT(WatchFallbackWarning, 61, "%1: change events are not used (%2); the point is checked every %3 sec.") \
  TEXT(WatchResumed, 62, "%1: change events wake the point again.") \
  TEXT(ReasonOverflow, 63, "events were lost") \
  TEXT(ReasonWatchLimit, 64, "the watch limit is reached") \
  TEXT(ReasonNoEvents, 65, "its file system reports no changes made elsewhere") \
  TEXT(ReasonDirectoryGone, 66, "the directory is missing, deleted or moved") \
  TEXT(ReasonUnavailable, 67, "the system offers no change events") \
  TEXT(IntervalOnly, 68, "interval only: %1") \
  TEXT(CommandStillRunning, 69, "Skipping '%1': its command is still running (PID: %2).") \
  TEXT(Stopped, 70, "%1 stopped: %2.") \
  TEXT(StopByCommand, 71, "command '%1'") \
  TEXT(StopByMenu, 72, "Exit in the tray menu") \
  TEXT(StopBySignal, 73, "signal %1") \
  TEXT(StopBySessionEnd, 74, "the desktop session ended") \
  TEXT(StopByDisplayLoss, 75, "the display went away") \
  TEXT(PatternReplaced, 76, "Observation point '%1': FilePattern '%2' is used as '%3', which matches only names holding a dot; '?*' matches every name.") \
  TEXT(JournalUnusable, 77, "The journal '%1' cannot be used: %2. Files are handled without it.") \
  TEXT(JournalMovedAside, 78, "The journal '%1' was damaged: it was moved to '%2' and a new one started.") \
  TEXT(ConfigurationSuccessFolder, 85, "  Point '%1': after success its files go to %2") \
  TEXT(ConfigurationFailureFolder, 86, "  Point '%1': after a failure its files go to %2") \
  TEXT(OutcomeFoldersIgnored, 87, "Observation point '%1': OnSuccess and OnFailure need a command that is waited for (Wait 0 or more); they are ignored.") \
  TEXT(FileMoved, 88, "'%1' moved to '%2'.") \
  TEXT(FileNotMoved, 89, "Could not move '%1' to %2: %3.") \
  TEXT(FileStays, 90, "'%1' stays where it is: its command may still use it, or the daemon stops.") \
  TEXT(FileGoneBeforeMove, 91, "'%1' is gone; there is nothing to move.") \
  TEXT(FileReplacedBeforeMove, 92, "'%1' is no longer the file that was handed over; it is not moved.") \
  TEXT(WhyNowhere, 93, "'%1' is in no point's folder.") \
  TEXT(WhyPoint, 94, "Point %1 '%2' (%3):\r\n    where it lies (sub-folders, links): %4\r\n    name pattern '%12': %5\r\n    hidden and system: %6\r\n    attributes (%13): %7\r\n    no running command for it: %8\r\n    age: %9\r\n    exclusive access: %10\r\n  => %11") \
  TEXT(WhyPasses, 95, "passes") \
  TEXT(WhyNotChecked, 96, "not checked") \
  TEXT(WhyStops, 97, "stops") \
  TEXT(WhyHandedOver, 98, "would be handed over at the next check") \
  TEXT(WhyNotHandedOver, 99, "not handed over") \
  TEXT(WhyNoSubfolders, 100, "The point searches no sub-folders such as '%1'.") \
  TEXT(WhyNotEntered, 101, "The check does not go into '%1': a link, or a folder it cannot read.") \
  TEXT(WhyCannotSee, 102, "'%1': %2.") \
  TEXT(WhyTooYoung, 103, "Old enough at %1, in %2 sec.") \
  TEXT(WhyOpenIn, 104, "Open in: %1") \
  TEXT(WhyOutcomeFolder, 121, "The check does not go into '%1': the point moves its files there after their command.") \
  TEXT(OutcomeExit, 105, "exit %1") \
  TEXT(OutcomeTerminated, 106, "terminated") \
  TEXT(OutcomeLeftRunning, 107, "left running") \
  TEXT(OutcomeNotStarted, 108, "not started") \
  TEXT(HistoryHeader, 109, "Up to %1 latest hand-overs from '%2', newest last:") \
  TEXT(HistoryEmpty, 110, "No hand-overs in the journal '%1'.") \
  TEXT(JournalOff, 111, "The journal is off: hand-overs are not recorded.") \
  TEXT(JournalUnreadable, 112, "The journal '%1' cannot be read: %2") \
  TEXT(SharedOpenFailed, 113, "%1: the shared folder in %2 cannot be used: %3. The point is skipped until the next check.") \
  TEXT(SharedOwnReturned, 114, "%1: %2 files that this daemon held before it started again are back in %3.") \
  TEXT(SharedStaleReturned, 115, "%1: the daemon '%2' gave no sign of life for more than %3 sec: %4 of its files are back in the hot folder, %5 could not go back.") \
  TEXT(SharedBeatFailed, 116, "%1: the heartbeat in %2 cannot be written: %3. The point is skipped until the next check.") \
  TEXT(SharedTakenByOther, 117, "'%1' is handled by another daemon.") \
  TEXT(SharedAlreadyHeld, 118, "'%1' waits: this daemon still holds a file of that name.") \
  TEXT(SharedClaimFailed, 119, "'%1' cannot be claimed: %2") \
  TEXT(SharedReturned, 120, "'%1' is back in the hot folder.") \
  TEXT(SharedReturnedRenamed, 122, "'%1' is back in the hot folder as '%2': its name was taken.") \
  TEXT(SharedReturnFailed, 123, "'%1' cannot go back to the hot folder: %2") \
  TEXT(SharedIdRefused, 124, "The setting 'Shared.DaemonId' cannot be used: %1. The daemon goes by '%2'.") \
  TEXT(SharedStaleFailed, 125, "%1: the claims of other daemons cannot be looked at: %2") \
  TEXT(WhyUnsettled, 126, "Changed or not seen before: a shared point waits until size and time stay the same between two checks, since writers on other machines cannot be seen.") \
  TEXT(WhySettled, 127, "Unchanged since the last check: another daemon may still win it.") \
  TEXT(WhySharedFolder, 128, "'%1' is the folder the daemons sharing this folder keep their claims in: never scanned.") \
  TEXT(StatShared, 129, "    Shared as '%1': daemons alive: %2   Files held: %3") \
  TEXT(StatSharedUnopened, 130, "    Shared as '%1': not opened yet") \
  TEXT(WhyExclusiveOnClaim, 131, "A shared point tests exclusive access only once it has claimed the file, so that no daemon opens a file another may be claiming.")
// clang-format on

namespace txt {
#define CORVANE_CATALOGUE_ENTRY(name, id, english, ...) \
  inline constexpr CatalogueText name{id, english, {__VA_ARGS__}};
CORVANE_CATALOGUE(CORVANE_CATALOGUE_ENTRY)
#undef CORVANE_CATALOGUE_ENTRY
}  // namespace txt

// Every entry above, in list order (for language-file checks and tools).
std::span<const CatalogueText> AllCatalogueTexts();

}  // namespace corvane
