// The "set" command: one setting changed from the console. The changes are
// not stored here: the controller announces those of the log level and the
// language file, and start-up saves them.

#include "console/console_commands.h"
#include "console/reports.h"
#include "core/daemon_controller.h"
#include "core/log.h"
#include "core/number_text.h"
#include "core/program_directory.h"
#include "core/std_helpers.h"
#include "core/visible_text.h"
#include "lang/language.h"
#include "lang/untranslated_texts.h"

namespace corvane {
namespace {

// "set journalfile PATH" (empty: the default file), "set journal on|off",
// "set journaldays N" (0: for ever). The journal is reopened at once. A
// switch that is neither word, or a negative number, is ignored, as a log
// level outside the levels is; a value that is no number throws.
bool SetJournal(DaemonController& controller, Log& log, const std::string& name,
                const std::string& value) {
  JournalSettings settings = controller.Settings().journal;
  if (name == "journalfile") {
    settings.file = value;
  } else if (name == "journal") {
    if (value != "on" && value != "off") return true;
    settings.enabled = value == "on";
  } else if (name == "journaldays") {
    const std::int16_t days = ToInt16(value);
    if (days < 0) return true;
    settings.keepDays = days;
  } else {
    return false;
  }
  // The message first, as for the observation file: a journal that cannot
  // be opened is warned of after it.
  log.Message(txt::Changed, LogLevel::Info, {name, value});
  controller.SetJournalSettings(settings);
  return true;
}

}  // namespace

void ConsoleCommands::Set(const Tokens& tokens) {
  if (tokens.size() < 3) {
    ShowConfiguration(log(), context_.controller.state());
    return;
  }
  // Setting names are matched exactly: they are typed in small letters.
  const std::string& name = tokens[1];
  const std::string& value = tokens[2];
  if (name == "loglevel") {
    SetLogLevel(value);
  } else if (name == "logfile") {
    SetLogFile(value);
  } else if (name == "xmlfile") {
    SetXmlFile(value);
  } else if (name == "name") {
    SetName(value);
  } else if (name == "languagefile") {
    SetLanguageFile(value);
  } else if (!SetJournal(context_.controller, log(), name, value)) {
    log().WriteLog(FormatMsg(log().language().Translate(txt::UnknownParameter), {name}),
                   LogLevel::Info, kRawLine);
  }
}

// A value that is no number, or none of 16 bits, throws: the command is
// then not understood. A number outside the levels is ignored silently.
void ConsoleCommands::SetLogLevel(const std::string& value) {
  const std::int16_t level = ToInt16(value);
  if (level < LevelNumber(LogLevel::Debug) || level > LevelNumber(LogLevel::Error)) return;
  context_.controller.SetLogLevel(LevelFromNumber(level));
  log().Message(txt::Changed, LogLevel::Info, {"loglevel", level});
}

// The message comes after the change, so it opens the new log file.
void ConsoleCommands::SetLogFile(const std::string& value) {
  if (value.empty()) return;
  if (const platform::Result<void> taken = context_.controller.SetLogFile(value); !taken) {
    Refuse(value, "logfile", taken.error().text);
    return;
  }
  log().Message(txt::Changed, LogLevel::Info, {"logfile", value});
}

// The message comes first; the move of the file and its lock may wait for
// a walk's end.
void ConsoleCommands::SetXmlFile(const std::string& value) {
  if (!PathExists(value)) {
    Refuse(value, "xmlfile", "no such file");
    return;
  }
  log().Message(txt::Changed, LogLevel::Info, {"xmlfile", value});
  context_.controller.ChangeObservationFile(value);
}

void ConsoleCommands::SetName(const std::string& value) {
  context_.controller.SetDaemonName(value);
}

// Language files are looked for in the program's directory (a full path is
// taken as it is).
void ConsoleCommands::SetLanguageFile(const std::string& value) {
  if (!PathExists(ProgramFile(value))) {
    log().WriteLog(log().language().Translate(txt::LanguageFileNotFound) + VisibleText(value),
                   LogLevel::Info);
    return;
  }
  platform::Result<std::string> text = Language::ReadLanguageFile(ProgramFile(value));
  if (!text) {
    Refuse(value, "languagefile", text.error().text);
    return;
  }
  context_.controller.SetLanguageFile(value, *std::move(text));
  if (context_.translateTrayMenu) context_.translateTrayMenu();
  log().Message(txt::Changed, LogLevel::Info, {"languagefile", value});
}

// The setting keeps its value; the log says why.
void ConsoleCommands::Refuse(const std::string& value, const char* setting,
                             const std::string& problem) {
  log().Message(txt::FileRefused, LogLevel::Error, {value, setting, problem});
}

}  // namespace corvane
