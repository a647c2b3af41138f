#pragma once

#include <QObject>
#include <cstdint>
#include <string>

#include "core/format_msg.h"
#include "core/log_level.h"
#include "lang/text_catalogue.h"

namespace corvane {

class Clock;
class Language;
struct DaemonState;

// How a line is shown: bold, or raw. Raw lines carry no stamp, are always
// shown and never reach the log file.
struct LogStyle {
  bool bold = false;
  bool raw = false;
  bool viewGone = false;  // its display went away: only the file gets the line
};
inline constexpr LogStyle kRawLine{.raw = true};

// The one way every part of the daemon reports. A line is stamped
// "[date time tag ] text", handed to the view (LineLogged; shown when its
// level is high enough), appended to the log file (opened and closed per
// line, so other programs may move or delete it at any time) and, for
// warnings and errors, offered as a balloon (BalloonRequested).
//
// A log file that cannot be written (a missing folder, a full disk, anything
// but a regular file) is reported once, in the view and on stderr, with the
// reason, and once more when writing to it works again.
//
// WriteLog may be re-entered from a message pump; the only state it keeps
// between calls is which log file is known to fail.
class Log : public QObject {
  Q_OBJECT

 public:
  Log(const DaemonState& state, const Language& language, const Clock& clock);

  // text may hold several lines separated by CR LF; each becomes an entry.
  void WriteLog(const std::string& text, LogLevel level, LogStyle style = {});

  // An error that must be seen also where nobody reads the view: logged at
  // Error and written to stderr as well.
  void Alert(const std::string& text);

  // Translate, fill and log one catalogue message: the usual road of a text.
  void Message(const CatalogueText& text, LogLevel level, const std::vector<MsgArg>& args = {});

  const Language& language() const { return language_; }

 signals:
  // One line for the view. `shown` is false for a line below the log
  // level: the view adds nothing, yet goes to its newest line all the same.
  void LineLogged(const std::string& line, bool bold, bool shown);
  // A warning or an error, raw or not, whatever the log level.
  void BalloonRequested(const std::string& line, LogLevel level);

 private:
  std::string Prefix(LogLevel level) const;
  void AppendToFile(const std::string& line);

  const DaemonState& state_;
  const Language& language_;
  const Clock& clock_;
  std::string failingFile_;  // the log file whose failure was reported
};

}  // namespace corvane
