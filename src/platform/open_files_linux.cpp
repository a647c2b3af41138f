#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <utility>

#include "platform/directory_listing.h"
#include "platform/files.h"
#include "platform/open_files.h"

namespace corvane::platform {

void VisitForeignDescriptors(
    const std::function<NextDescriptor(const std::string& pid, const std::string& link)>& visit) {
  const std::string self = std::to_string(::getpid());
  DirectoryListing proc("/proc");
  while (const ListingEntry* process = proc.Next()) {
    const std::string& pid = process->name;
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    const std::string fdDir = "/proc/" + pid + "/fd/";
    DirectoryListing fds(fdDir);
    while (const ListingEntry* fd = fds.Next()) {
      const NextDescriptor next = visit(pid, fdDir + fd->name);
      if (next == NextDescriptor::Stop) return;
      if (next == NextDescriptor::OtherProcess) break;
    }
  }
}

// The descriptors' links are followed: their targets' status is what counts.
std::vector<FileHolder> FileHolders(unsigned long long device, unsigned long long inode,
                                    std::size_t most) {
  std::vector<FileHolder> holders;
  std::size_t looked = 0;
  VisitForeignDescriptors([&](const std::string& pid, const std::string& link) {
    if (++looked > kMaxDescriptorsLooked) return NextDescriptor::Stop;
    // What the kernel has at hand will do: a file on a network file system
    // is not asked of its server.
    struct statx stx {};
    if (::statx(AT_FDCWD, link.c_str(), AT_STATX_DONT_SYNC, STATX_INO, &stx) != 0 ||
        makedev(stx.stx_dev_major, stx.stx_dev_minor) != device || stx.stx_ino != inode) {
      return NextDescriptor::Same;
    }
    const Result<std::string> comm = ReadRegularFile("/proc/" + pid + "/comm", 64);
    std::string command = comm ? *comm : std::string();
    if (command.ends_with('\n')) command.pop_back();
    holders.push_back({std::stoi(pid), std::move(command)});
    // One descriptor is enough to name the process.
    return holders.size() >= most ? NextDescriptor::Stop : NextDescriptor::OtherProcess;
  });
  return holders;
}

}  // namespace corvane::platform
