#include "core/log.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/hosts/desktop_host.h"
#include "core/hosts/log_view.h"
#include "lang/language.h"

namespace corvane {
namespace {

constexpr int kBalloonMs = 5000;

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

const CatalogueText* TagOf(std::int32_t level) {
  switch (level) {
    case LogLevel::Debug: return &txt::TagDebug;
    case LogLevel::Info: return &txt::TagInfo;
    case LogLevel::Warning: return &txt::TagWarning;
    case LogLevel::Error: return &txt::TagError;
    default: return nullptr;
  }
}

}  // namespace

Log::Log(const DaemonState& state, const Language& language, LogView& view, DesktopHost& desktop,
         const Clock& clock)
    : state_(state), language_(language), view_(view), desktop_(desktop), clock_(clock) {}

void Log::WriteLog(const std::string& sText, std::int32_t lLevel, bool bBold, bool bRaw) {
  for (const std::string& text : SplitLines(sText)) {
    const std::string line = bRaw ? text : Prefix(lLevel) + text;
    if (bRaw || lLevel >= state_.iLogLevel) view_.AddItem(line, bBold);
    if (lLevel >= LogLevel::Warning && !desktop_.IsWindowVisible()) {
      desktop_.fShowBalloonTip(line, kBalloonMs, static_cast<BalloonType>(std::min(lLevel, 3)));
    }
    view_.ScrollToBottom();
    if (!bRaw) AppendToFile(line);
  }
}

void Log::Message(const CatalogueText& text, std::int32_t level, const std::vector<MsgArg>& args) {
  WriteLog(FormatMsg(language_.Translate(text), args), level);
}

std::string Log::Prefix(std::int32_t level) const {
  std::string prefix(1, '[');
  prefix += FormatTimeStamp(clock_.Now()).toStdString();
  if (const CatalogueText* tag = TagOf(level)) prefix += language_.Translate(*tag) + " ] ";
  return prefix;
}

// A log file that cannot be written must not stop the daemon or hide the
// line from the view: failures here are silent.
void Log::AppendToFile(const std::string& line) const {
  if (state_.sLogFile.empty()) return;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
      std::fopen(state_.sLogFile.c_str(), "ab"), &std::fclose);
  if (!file) return;
  const std::string entry = line + "\r\n";
  std::fwrite(entry.data(), 1, entry.size(), file.get());
}

}  // namespace corvane
