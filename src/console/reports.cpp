#include "console/reports.h"

#include "core/change_wakeups.h"
#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "lang/language.h"

namespace corvane {
namespace {

void WriteReport(Log& log, const std::string& text) {
  log.WriteLog(text, LogLevel::Info, kRawLine);
}

std::string YesNo(const Language& language, bool yes) {
  return language.Translate(yes ? txt::Yes : txt::No);
}

std::string StateWord(const Language& language, bool running) {
  return language.Translate(running ? txt::StateRunning : txt::StateStopped);
}

// The attributes a file may carry to be handled, one word each.
std::string AttributeWords(const Language& language, const ObservationPoint& point) {
  std::string words;
  if (point.Archive) words += language.Translate(txt::AttrArchive);
  if (point.Readonly) words += language.Translate(txt::AttrReadOnly);
  if (point.Compressed) words += language.Translate(txt::AttrCompressed);
  if (point.Hidden) words += language.Translate(txt::AttrHidden);
  if (point.System) words += language.Translate(txt::AttrSystem);
  return words;
}

void ShowPoint(Log& log, std::size_t index, const ObservationPoint& point) {
  const Language& language = log.language();
  const long long ticksLeft = static_cast<long long>(point.Intervall) - point.ticks;
  WriteReport(log, FormatMsg(language.Translate(txt::StatisticsPoint),
                             {index, point.Name, point.Directory, point.FilePattern, point.Command,
                              point.Wait, YesNo(language, point.Terminate), point.Window,
                              AttributeWords(language, point), YesNo(language, point.Exclusive),
                              point.LastChange, point.Period, point.Intervall, ticksLeft,
                              point.executed, point.failed, YesNo(language, !point.NoSubdirs),
                              WatchStateText(language, point)}));
}

}  // namespace

void ShowHelp(Log& log) { WriteReport(log, log.language().Translate(txt::HelpReport)); }

void ShowConfiguration(Log& log, const DaemonState& state) {
  try {
    WriteReport(log, FormatMsg(log.language().Translate(txt::ConfigurationReport),
                               {state.daemonName, state.xmlFile, state.logFile, state.logLevel,
                                state.languageFile}));
  } catch (...) {
  }
}

void ShowStatistics(Log& log, const DaemonState& state, bool running) {
  try {
    const Language& language = log.language();
    WriteReport(log, FormatMsg(language.Translate(txt::StatisticsHeader),
                               {FormatTimeStamp(state.startTime).toStdString(), state.Points.size(),
                                StateWord(language, running)}));
    for (std::size_t i = 0; i < state.Points.size(); ++i) ShowPoint(log, i, state.Points[i]);
  } catch (...) {
  }
}

std::string CaptionText(const DaemonState& state, const Language& language, bool running) {
  std::string caption = state.daemonName;
  if (caption.empty()) caption = FormatMsg("Corvane [%1]", {state.xmlFile});
  return caption + " (" + StateWord(language, running) + ")";
}

}  // namespace corvane
