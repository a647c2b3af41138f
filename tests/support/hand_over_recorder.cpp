// Stands in for a hot folder's command in the tests of several daemons on
// one folder: `hand_over_recorder --delay-ms=N OUT NAME CLAIMED` records
// that the file NAME was handed over, waits N milliseconds, then removes
// CLAIMED, the file the command got.
//
// The record is OUT/NAME, made with O_EXCL and holding the claimed path (so
// that it tells which daemon handed the file over). When OUT/NAME is there
// already, the file was handed over twice: a line "NAME<tab>CLAIMED" is
// appended to OUT/duplicates instead, with one write, so that records of
// several processes at once never mix. A NAME that is no plain file name
// fails to record, or records as a duplicate.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace {

bool Record(const std::string& out, const std::string& name, const std::string& claimed) {
  int fd = ::open((out + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  std::string text = claimed;
  if (fd < 0 && errno == EEXIST) {
    fd = ::open((out + "/duplicates").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    text = name + "\t" + claimed + "\n";
  }
  if (fd < 0) return false;
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  return ::close(fd) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  int delayMs = -1;
  if (argc != 5 || std::sscanf(argv[1], "--delay-ms=%d", &delayMs) != 1 || delayMs < 0) {
    std::fprintf(stderr, "usage: hand_over_recorder --delay-ms=N OUT NAME CLAIMED\n");
    return 2;
  }
  const bool recorded = Record(argv[2], argv[3], argv[4]);
  ::usleep(static_cast<useconds_t>(delayMs) * 1000);
  if (!recorded || ::unlink(argv[4]) != 0) {
    std::perror("hand_over_recorder");
    return 1;
  }
  return 0;
}
