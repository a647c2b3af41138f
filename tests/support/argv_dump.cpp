// A command for the tests of command execution: writes every argument after
// the first, each followed by a NUL byte, into the file named by the first.
// Usage: corvane_argv_dump OUTPUT [ARGUMENT...]

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::FILE* out = std::fopen(argv[1], "wbe");
  if (!out) return 3;
  for (int i = 2; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, out);
  return std::fclose(out) == 0 ? 0 : 4;
}
