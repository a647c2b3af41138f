#pragma once

#include <QObject>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace corvane {

// Reads console commands line by line from an input descriptor (standard
// input in console mode) while the event loop runs, and hands each
// non-empty line, without its line end, to the handler.
//
// One line at a time: the handler may run a check that waits for a started
// command and handles events meanwhile; the descriptor is not watched and
// no further line is handed on until the handler has returned. Then the
// next line follows on a later turn of the event loop. The end of the input
// ends the reading, not the daemon.
class StdinReader : public QObject {
  Q_OBJECT

 public:
  using LineHandler = std::function<void(const std::string&)>;
  // Longer lines are cut to this length; the rest up to the line end is
  // dropped, so that endless input without line ends cannot fill memory.
  static constexpr std::size_t kMaxLineBytes = 16 * 1024 * 1024;

  // Reads standard input.
  explicit StdinReader(LineHandler onLine);
  StdinReader(int fd, LineHandler onLine);
  ~StdinReader() override;

  // Starts watching the descriptor.
  void Start();
  // True once the input has ended and every line of it was handed on.
  bool Finished() const { return atEnd_ && !busy_ && buffer_.empty(); }

 private:
  void OnReadable();
  void HandleNextLine();
  bool TakeLine(std::string& line);
  bool TakeUpTo(std::size_t end, std::size_t skip, std::string& line);

  int fd_;
  LineHandler onLine_;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::string buffer_;
  std::size_t searchedUpTo_ = 0;  // buffer_ holds no line end before this
  bool dropping_ = false;         // the rest of an over-long line is skipped
  bool atEnd_ = false;
  bool busy_ = false;
};

}  // namespace corvane
