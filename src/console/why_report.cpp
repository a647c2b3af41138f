#include "console/why_report.h"

#include <algorithm>
#include <array>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/path_verdict.h"
#include "lang/language.h"
#include "lang/untranslated_texts.h"

namespace corvane {
namespace {

// The rule lines of a point's block, in the order the check applies them.
enum RuleLine : std::size_t {
  PlaceLine,
  PatternLine,
  HiddenSystemLine,
  AttributesLine,
  RunningLine,
  AgeLine,
  ExclusiveLine,
  RuleLineCount
};

RuleLine LineOf(FileRule rule) {
  switch (rule) {
    case FileRule::Pattern: return PatternLine;
    case FileRule::HiddenOrSystem: return HiddenSystemLine;
    case FileRule::Gone: return PlaceLine;
    case FileRule::Attributes: return AttributesLine;
    case FileRule::CommandRunning: return RunningLine;
    case FileRule::Age: return AgeLine;
    case FileRule::Exclusive: return ExclusiveLine;
    case FileRule::Unsettled:  // a shared point's rule, told below the block
    case FileRule::None: break;
  }
  return RuleLineCount;
}

void Write(Log& log, const std::string& text) { log.WriteLog(text, LogLevel::Info, kRawLine); }

// The words of the attributes a file carries, as the statistics name them.
std::string AttributeWords(const Language& language, std::uint32_t attributes) {
  std::string words;
  const std::pair<std::uint32_t, const CatalogueText*> kinds[] = {
      {file_attribute::kReadOnly, &txt::AttrReadOnly},
      {file_attribute::kCompressed, &txt::AttrCompressed},
      {file_attribute::kHidden, &txt::AttrHidden},
      {file_attribute::kSystem, &txt::AttrSystem}};
  for (const auto& [bit, word] : kinds) {
    if (attributes & bit) words += language.Translate(*word);
  }
  while (words.ends_with(' ')) words.pop_back();
  return words.empty() ? "-" : words;
}

// Why the rules that stopped the path did, a line each below the block.
std::vector<std::string> Reasons(const Language& language, const ObservationPoint& point,
                                 const PathVerdict& verdict, const Clock& clock) {
  std::vector<std::string> reasons;
  const auto reason = [&](const CatalogueText& text, const std::vector<MsgArg>& args) {
    reasons.push_back("    " + FormatMsg(language.Translate(text), args));
  };
  const std::string& path = verdict.path;
  switch (verdict.place) {
    case PathPlace::DirectoryMissing: reason(txt::DirectoryNotFound, {verdict.folder}); break;
    case PathPlace::NoSubfolders: reason(txt::WhyNoSubfolders, {verdict.folder}); break;
    case PathPlace::NotEntered: reason(txt::WhyNotEntered, {verdict.folder}); break;
    case PathPlace::OutcomeFolder: reason(txt::WhyOutcomeFolder, {verdict.folder}); break;
    case PathPlace::SharedFolder: reason(txt::WhySharedFolder, {verdict.folder}); break;
    case PathPlace::CannotSee:
    case PathPlace::Folder:
      reason(txt::WhyCannotSee, {verdict.folder.empty() ? path : verdict.folder, verdict.reason});
      break;
    case PathPlace::Reached: break;
  }
  if (verdict.place != PathPlace::Reached) return reasons;
  const FileVerdict& file = verdict.file;
  if (file.stoppedBy == FileRule::CommandRunning) {
    reason(txt::CommandStillRunning, {path, file.runningPid});
  }
  if (file.stoppedBy == FileRule::Age && file.comesOfAge) {
    const QDateTime due = QDateTime::fromSecsSinceEpoch(*file.comesOfAge);
    reason(txt::WhyTooYoung,
           {FormatTimeStamp(due).toStdString(), std::max<qint64>(0, clock.Now().secsTo(due))});
  } else if (file.stoppedBy == FileRule::Age) {
    reason(txt::UnknownPeriod, {point.name, point.ageUnit});
  }
  // Last in the check's order: whether it stayed the same since the check
  // before, once every other rule let it pass.
  if (point.shared && file.stoppedBy == FileRule::Unsettled) reason(txt::WhyUnsettled, {});
  if (point.shared && file.stoppedBy == FileRule::None) reason(txt::WhySettled, {});
  if (point.shared && point.exclusive &&
      (file.stoppedBy == FileRule::None || file.stoppedBy == FileRule::Unsettled)) {
    reason(txt::WhyExclusiveOnClaim, {});
  }
  if (file.exclusive == platform::Exclusive::OutOfDescriptors) {
    reason(txt::FileOutOfDescriptors, {verdict.name, point.interval});
  }
  if (!verdict.holders.empty()) {
    std::string holders;
    for (const platform::FileHolder& holder : verdict.holders) {
      if (!holders.empty()) holders += ", ";
      holders += "PID " + std::to_string(holder.pid) + " (" + holder.command + ")";
    }
    reason(txt::WhyOpenIn, {holders});
  }
  return reasons;
}

void ShowPoint(Log& log, const ObservationPoint& point, const PathVerdict& verdict,
               const Clock& clock) {
  const Language& language = log.language();
  const FileVerdict& file = verdict.file;
  const RuleLine stop = verdict.place == PathPlace::Reached ? LineOf(file.stoppedBy) : PlaceLine;
  std::array<std::string, RuleLineCount> lines;
  for (std::size_t line = 0; line < RuleLineCount; ++line) {
    const CatalogueText& word = line < stop    ? txt::WhyPasses
                                : line == stop ? txt::WhyStops
                                               : txt::WhyNotChecked;
    lines[line] = language.Translate(word);
  }
  // The exclusive test is made whatever the age, so that a file both too
  // young and busy tells both.
  if (stop == AgeLine && file.exclusive) {
    lines[ExclusiveLine] = language.Translate(
        file.exclusive == platform::Exclusive::Yes ? txt::WhyPasses : txt::WhyStops);
  }
  if (point.shared && point.exclusive) {
    lines[ExclusiveLine] = language.Translate(txt::WhyNotChecked);
  }
  const std::string verdictWord =
      language.Translate(verdict.HandedOver() ? txt::WhyHandedOver : txt::WhyNotHandedOver);
  Write(
      log,
      FormatMsg(
          language.Translate(txt::WhyPoint),
          {verdict.pointIndex, point.name, verdict.path, lines[PlaceLine], lines[PatternLine],
           lines[HiddenSystemLine], lines[AttributesLine], lines[RunningLine], lines[AgeLine],
           lines[ExclusiveLine], verdictWord, point.filePattern,
           verdict.place == PathPlace::Reached ? AttributeWords(language, file.attributes) : "-"}));
  for (const std::string& reason : Reasons(language, point, verdict, clock)) Write(log, reason);
}

}  // namespace

void ShowWhy(Log& log, const DaemonState& state, const Clock& clock, const std::string& path,
             const LinesForPaths& afterVerdicts) {
  const std::vector<PathVerdict> verdicts = JudgePath(state.points, path, clock);
  if (verdicts.empty()) Write(log, FormatMsg(log.language().Translate(txt::WhyNowhere), {path}));
  std::vector<std::string> judged;
  for (const PathVerdict& verdict : verdicts) {
    ShowPoint(log, state.points[verdict.pointIndex], verdict, clock);
    if (std::find(judged.begin(), judged.end(), verdict.path) == judged.end())
      judged.push_back(verdict.path);
  }
  if (judged.empty()) judged.push_back(path);
  if (afterVerdicts) {
    for (const std::string& line : afterVerdicts(judged)) Write(log, line);
  }
}

}  // namespace corvane
