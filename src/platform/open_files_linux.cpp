#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <utility>

#include "platform/directory_listing.h"
#include "platform/files.h"
#include "platform/open_files.h"

namespace corvane::platform {

// /proc/PID/fd/N are links to what each descriptor holds: their targets'
// status is what counts, so they are followed here.
std::vector<FileHolder> FileHolders(unsigned long long device, unsigned long long inode,
                                    std::size_t most) {
  std::vector<FileHolder> holders;
  const std::string self = std::to_string(::getpid());
  std::size_t looked = 0;
  DirectoryListing proc("/proc");
  while (const ListingEntry* process = proc.Next()) {
    const std::string& pid = process->name;
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    const std::string fdDir = "/proc/" + pid + "/fd/";
    DirectoryListing fds(fdDir);
    struct statx stx {};
    while (const ListingEntry* fd = fds.Next()) {
      if (++looked > kMaxDescriptorsLooked) return holders;
      // What the kernel has at hand will do: a file on a network file system
      // is not asked of its server.
      if (::statx(AT_FDCWD, (fdDir + fd->name).c_str(), AT_STATX_DONT_SYNC, STATX_INO, &stx) != 0 ||
          makedev(stx.stx_dev_major, stx.stx_dev_minor) != device || stx.stx_ino != inode) {
        continue;
      }
      const Result<std::string> comm = ReadRegularFile("/proc/" + pid + "/comm", 64);
      std::string command = comm ? *comm : std::string();
      if (command.ends_with('\n')) command.pop_back();
      holders.push_back({std::stoi(pid), std::move(command)});
      if (holders.size() >= most) return holders;
      break;  // one descriptor is enough to name the process
    }
  }
  return holders;
}

}  // namespace corvane::platform
