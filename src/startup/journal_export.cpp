#include "startup/journal_export.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringDecoder>
#include <algorithm>
#include <ostream>

#include "core/journal_location.h"
#include "core/settings.h"
#include "core/std_helpers.h"
#include "core/visible_text.h"
#include "journal/journal_reader.h"
#include "startup/command_line.h"
#include "startup/daemon_app.h"

namespace corvane {
namespace {

bool IsUtf8(const std::string& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8);
  [[maybe_unused]] const QString text = decoder(QByteArrayView(bytes.data(), bytes.size()));
  return !decoder.hasError();
}

// A JSON string of ASCII only; UTF-16 escapes for the rest.
std::string JsonString(const QString& text) {
  std::string json = "\"";
  for (const QChar c : text) {
    const char16_t unit = c.unicode();
    if (unit == '"' || unit == '\\') {
      json += '\\';
      json += static_cast<char>(unit);
    } else if (unit >= 0x20 && unit < 0x7f) {
      json += static_cast<char>(unit);
    } else {
      constexpr char kHex[] = "0123456789abcdef";
      json += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) json += kHex[(unit >> shift) & 0xf];
    }
  }
  return json + '"';
}

std::string JsonBytes(const std::string& bytes) {
  return JsonString(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string Base64(const std::string& bytes) {
  return '"' +
         QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64().toStdString() +
         '"';
}

template <typename T>
std::string JsonNumber(const std::optional<T>& value) {
  return value ? std::to_string(*value) : "null";
}

// Writes `"name":value` pairs separated by commas.
class JsonObject {
 public:
  JsonObject& Add(const char* name, const std::string& json) {
    text_ += text_.empty() ? "{" : ",";
    text_ += '"';
    text_ += name;
    text_ += "\":";
    text_ += json;
    return *this;
  }
  std::string Close() const { return text_ + "}"; }

 private:
  std::string text_;
};

std::string JsonArray(const std::vector<std::string>& items,
                      std::string (*json)(const std::string&)) {
  std::string text = "[";
  for (const std::string& item : items) {
    if (text.size() > 1) text += ',';
    text += json(item);
  }
  text += ']';
  return text;
}

std::string Iso8601(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
}

// ISO 8601 or the log's "yyyy-MM-dd HH:mm:ss"; a date alone is midnight.
// Without a zone the time is local.
std::optional<std::int64_t> ParseTime(std::string text) {
  if (text.size() > 10 && text[10] == ' ') text[10] = 'T';
  QDateTime when = QDateTime::fromString(QString::fromStdString(text), Qt::ISODateWithMs);
  if (!when.isValid()) {
    const QDate day = QDate::fromString(QString::fromStdString(text), Qt::ISODate);
    if (day.isValid()) when = day.startOfDay();
  }
  if (!when.isValid()) return std::nullopt;
  return when.toMSecsSinceEpoch();
}

// The filter the switches ask for; "" in `problem` when they fit.
journal::Filter FilterFrom(const CommandLineSwitches& commandLine, std::string& problem) {
  journal::Filter filter;
  if (commandLine.IsSet("point")) filter.point = commandLine.Value("point");
  for (const auto& [name, bound] :
       {std::pair{"since", &filter.sinceMs}, {"until", &filter.untilMs}}) {
    if (!commandLine.IsSet(name)) continue;
    *bound = ParseTime(commandLine.Value(name));
    if (!*bound) problem = std::string("--") + name + " takes a time such as 2026-12-07T14:05:00Z";
  }
  if (commandLine.IsSet("outcome")) {
    filter.outcome = journal::OutcomeFromName(AsciiLower(commandLine.Value("outcome")));
    if (!filter.outcome) {
      problem =
          "--outcome takes one of: exit, signal, terminated, \"left running\", "
          "\"not started\", running";
    }
  }
  return filter;
}

std::string JournalOf(const std::string& observationFile) {
  const std::optional<std::string> configured = SettingsReader().Text("Journal.File");
  return configured && !configured->empty() ? *configured : DefaultJournalFile(observationFile);
}

}  // namespace

std::string HandOverJson(const journal::HandOver& row) {
  JsonObject object;
  object.Add("id", std::to_string(row.id))
      .Add("started", JsonString(QString::fromStdString(Iso8601(row.startedMs))))
      .Add("point", JsonBytes(row.point))
      .Add("path", JsonBytes(row.path));
  if (!IsUtf8(row.path)) object.Add("path_base64", Base64(row.path));
  object.Add("size", JsonNumber(row.size))
      .Add("modified_ns", JsonNumber(row.modifiedNs))
      .Add("inode", JsonNumber(row.inode))
      .Add("arguments", JsonArray(row.arguments, JsonBytes));
  if (!std::all_of(row.arguments.begin(), row.arguments.end(), IsUtf8))
    object.Add("arguments_base64", JsonArray(row.arguments, Base64));
  object.Add("pid", std::to_string(row.pid))
      .Add("waited", row.waited ? "true" : "false")
      .Add("outcome", JsonBytes(std::string(journal::OutcomeName(row.outcome))))
      .Add("code", JsonNumber(row.code))
      .Add("duration_ms", JsonNumber(row.durationMs))
      .Add("moved_to", row.movedTo.empty() ? "null" : JsonBytes(row.movedTo));
  if (!IsUtf8(row.movedTo)) object.Add("moved_to_base64", Base64(row.movedTo));
  return object.Close();
}

int PrintJournal(const CommandLineSwitches& commandLine, std::ostream& out, std::ostream& err) {
  const std::string observationFile = commandLine.Value("journal", commandLine.Value("xml"));
  if (observationFile.empty()) {
    err << "corvane: --journal needs an observation file (--journal FILE or --xml FILE)\n";
    return exit_code::kBadJournalFilter;
  }
  std::string problem;
  const journal::Filter filter = FilterFrom(commandLine, problem);
  if (!problem.empty()) {
    err << "corvane: " << problem << '\n';
    return exit_code::kBadJournalFilter;
  }
  std::string journalFile;
  try {
    journalFile = JournalOf(observationFile);
  } catch (const SettingsError& error) {
    err << "corvane: " << VisibleText(error.what()) << '\n';
    return exit_code::kJournalUnreadable;
  }
  const auto rows = journal::ReadHandOvers(journalFile, filter);
  if (!rows) {
    err << "corvane: cannot read the journal " << VisibleText(journalFile) << ": "
        << VisibleText(rows.error().text) << '\n';
    return exit_code::kJournalUnreadable;
  }
  for (const journal::HandOver& row : *rows) out << HandOverJson(row) << '\n';
  out.flush();
  return out ? exit_code::kOk : exit_code::kJournalUnreadable;
}

}  // namespace corvane
