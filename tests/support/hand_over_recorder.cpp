// Stands in for a hot folder's command in the tests of several daemons on
// one folder: `hand_over_recorder --delay-ms=N OUT NAME CLAIMED` waits N
// milliseconds, records that the file NAME was handed over, then removes
// CLAIMED, the file the command got.
//
// The record is OUT/NAME, made with O_EXCL and holding the claimed path (so
// that it tells which daemon handed the file over). When OUT/NAME is there
// already, the file was handed over twice: a line "NAME<tab>CLAIMED" is
// appended to OUT/duplicates instead, with one write, so that records of
// several processes at once never mix.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

bool WriteAll(int fd, const std::string& text) {
  return ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

bool Record(const std::string& out, const std::string& name, const std::string& claimed) {
  int fd = ::open((out + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  std::string text = claimed;
  if (fd < 0 && errno == EEXIST) {
    fd = ::open((out + "/duplicates").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    text = name + "\t" + claimed + "\n";
  }
  if (fd < 0) return false;
  const bool written = WriteAll(fd, text);
  return ::close(fd) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  int delayMs = -1;
  if (argc != 5 || std::sscanf(argv[1], "--delay-ms=%d", &delayMs) != 1 || delayMs < 0 ||
      std::strchr(argv[3], '/') != nullptr || argv[3][0] == '\0') {
    std::fprintf(stderr,
                 "usage: hand_over_recorder --delay-ms=N OUT NAME CLAIMED (NAME without '/')\n");
    return 2;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  if (!Record(argv[2], argv[3], argv[4])) {
    std::perror("hand_over_recorder: record");
    return 1;
  }
  if (::unlink(argv[4]) != 0) {
    std::perror("hand_over_recorder: remove");
    return 1;
  }
  return 0;
}
