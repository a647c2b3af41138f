#include "headless/stdin_reader.h"

#include <QSocketNotifier>
#include <QTimer>

#include "platform/terminal.h"

namespace corvane {
namespace {

constexpr std::size_t kReadBytes = 64 * 1024;

}  // namespace

StdinReader::StdinReader(LineHandler onLine)
    : StdinReader(platform::StandardInputDescriptor(), std::move(onLine)) {}

StdinReader::StdinReader(int fd, LineHandler onLine) : fd_(fd), onLine_(std::move(onLine)) {}

StdinReader::~StdinReader() = default;

void StdinReader::Start() {
  if (notifier_ || atEnd_) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &StdinReader::OnReadable);
}

// Reads only while no complete line waits, so the buffer stays small
// however fast the input comes.
void StdinReader::OnReadable() {
  if (platform::ReadInput(fd_, buffer_, kReadBytes) == platform::InputRead::EndOfInput) {
    atEnd_ = true;
    notifier_->setEnabled(false);
  }
  HandleNextLine();
}

void StdinReader::HandleNextLine() {
  if (busy_) return;  // the line under way hands on the next when it is done
  std::string line;
  if (!TakeLine(line)) {
    if (!atEnd_) notifier_->setEnabled(true);
    return;
  }
  notifier_->setEnabled(false);
  if (!line.empty()) {
    busy_ = true;
    onLine_(line);
    busy_ = false;
  }
  QTimer::singleShot(0, this, &StdinReader::HandleNextLine);
}

bool StdinReader::TakeLine(std::string& line) {
  for (;;) {
    const std::size_t end = buffer_.find('\n', searchedUpTo_);
    if (end == std::string::npos) {
      searchedUpTo_ = buffer_.size();
      if (dropping_) {
        buffer_.clear();
        searchedUpTo_ = 0;
        return false;
      }
      if (buffer_.size() >= kMaxLineBytes) {
        dropping_ = true;
        return TakeUpTo(kMaxLineBytes, 0, line);
      }
      return atEnd_ && !buffer_.empty() && TakeUpTo(buffer_.size(), 0, line);
    }
    if (!dropping_) return TakeUpTo(end, 1, line);
    buffer_.erase(0, end + 1);  // the end of an over-long line
    searchedUpTo_ = 0;
    dropping_ = false;
  }
}

// Moves the first `end` bytes into `line` and drops `skip` more (the line
// end). A CR before the line end belongs to it.
bool StdinReader::TakeUpTo(std::size_t end, std::size_t skip, std::string& line) {
  line.assign(buffer_, 0, end);
  buffer_.erase(0, end + skip);
  searchedUpTo_ = 0;
  if (skip > 0 && line.ends_with('\r')) line.pop_back();
  return true;
}

}  // namespace corvane
