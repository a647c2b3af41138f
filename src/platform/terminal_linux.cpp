#include <unistd.h>

#include <cerrno>

#include "platform/terminal.h"

namespace corvane::platform {

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

int StandardInputDescriptor() { return STDIN_FILENO; }

InputRead ReadInput(int fd, std::string& chunk, std::size_t maxBytes) {
  const std::size_t old = chunk.size();
  chunk.resize(old + maxBytes);
  ssize_t got = -1;
  do {
    got = ::read(fd, chunk.data() + old, maxBytes);
  } while (got < 0 && errno == EINTR);
  chunk.resize(old + (got > 0 ? static_cast<std::size_t>(got) : 0));
  if (got > 0) return InputRead::Data;
  if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return InputRead::NothingYet;
  return InputRead::EndOfInput;
}

void SetTerminalTitle(const std::string& title) {
  if (!StdoutIsTerminal()) return;
  std::string sequence = "\x1b]0;";
  for (char c : title) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) sequence += c;
  }
  sequence += '\a';
  std::size_t done = 0;
  while (done < sequence.size()) {
    const ssize_t written = ::write(STDOUT_FILENO, sequence.data() + done, sequence.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    done += static_cast<std::size_t>(written);
  }
}

}  // namespace corvane::platform
