#include "core/log.h"

#include <cstdio>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "lang/language.h"
#include "lang/untranslated_texts.h"
#include "platform/files.h"

namespace corvane {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  std::string::size_type start = 0;
  for (auto pos = text.find("\r\n"); pos != std::string::npos; pos = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, pos - start));
    start = pos + 2;
  }
  lines.push_back(text.substr(start));
  return lines;
}

const CatalogueText* TagOf(LogLevel level) {
  switch (level) {
    case LogLevel::Debug: return &txt::TagDebug;
    case LogLevel::Info: return &txt::TagInfo;
    case LogLevel::Warning: return &txt::TagWarning;
    case LogLevel::Error: return &txt::TagError;
    default: return nullptr;
  }
}

}  // namespace

Log::Log(const DaemonState& state, const Language& language, const Clock& clock)
    : state_(state), language_(language), clock_(clock) {}

void Log::WriteLog(const std::string& text, LogLevel level, LogStyle style) {
  for (const std::string& text : SplitLines(text)) {
    const std::string line = style.raw ? text : Prefix(level) + text;
    if (!style.viewGone) {
      emit LineLogged(line, style.bold, style.raw || level >= state_.logLevel);
      if (level >= LogLevel::Warning) emit BalloonRequested(line, level);
    }
    if (!style.raw) AppendToFile(line);
  }
}

void Log::Message(const CatalogueText& text, LogLevel level, const std::vector<MsgArg>& args) {
  WriteLog(FormatMsg(language_.Translate(text), args), level);
}

std::string Log::Prefix(LogLevel level) const {
  std::string prefix(1, '[');
  prefix += FormatTimeStamp(clock_.Now()).toStdString();
  if (const CatalogueText* tag = TagOf(level)) prefix += language_.Translate(*tag) + " ] ";
  return prefix;
}

// A log file that cannot be written must not stop the daemon or hide the
// line from the view: its failure is told once, and its recovery once.
void Log::AppendToFile(const std::string& line) {
  const std::string file = state_.logFile;
  if (file.empty()) return;
  const platform::Result<void> appended = platform::AppendToRegularFile(file, line + "\r\n");
  const bool reported = failingFile_ == file;
  if (appended) {
    failingFile_.clear();
    if (reported) Message(txt::LogFileWritableAgain, LogLevel::Info, {file});
    return;
  }
  if (reported) return;
  failingFile_ = file;  // first, so that the report's own line is not reported
  Alert(FormatMsg(language_.Translate(txt::LogFileUnwritable), {file, appended.error().text}));
}

void Log::Alert(const std::string& text) {
  WriteLog(text, LogLevel::Error);
  std::fprintf(stderr, "%s%s\n", Prefix(LogLevel::Error).c_str(), text.c_str());
}

}  // namespace corvane
