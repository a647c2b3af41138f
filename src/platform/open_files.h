#pragma once

// Who has a file open: for telling the user which process keeps a file
// busy. Only what the system lets this process see is found.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace corvane::platform {

// A process that holds a file open.
struct FileHolder {
  int pid = 0;
  std::string command;  // the process's own name for itself, as it set it
};

// The processes other than this one with a descriptor on the file with this
// device and inode, in the order the system lists them. Processes whose
// descriptors may not be read (another user's) are passed over. Stops after
// `most` holders, or after looking at kMaxDescriptorsLooked descriptors in
// all, so that a machine with many processes cannot hold it up.
std::vector<FileHolder> FileHolders(unsigned long long device, unsigned long long inode,
                                    std::size_t most);

inline constexpr std::size_t kMaxDescriptorsLooked = 1 << 18;

// What visitor answers after one descriptor of a process.
enum class NextDescriptor { Same, OtherProcess, Stop };

// Calls visit(pid, link) for every descriptor of every process other than
// this one whose descriptors may be read; link is its /proc/PID/fd/N, a link
// to what the descriptor holds.
void VisitForeignDescriptors(
    const std::function<NextDescriptor(const std::string& pid, const std::string& link)>& visit);

}  // namespace corvane::platform
