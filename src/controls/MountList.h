// The mounted file systems as the folder tree shows them: local volumes go under "My Computer",
// network mounts (NFS, SMB/CIFS, SSHFS and other network FUSE file systems) under "Network".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace spinwave {

struct MountEntry {
  std::string device;
  std::string mountPoint;
  std::string type;

  bool operator==(const MountEntry&) const = default;
};

// Parses the text of /proc/self/mounts (one mount a line: device, mount point, type, options…).
// Octal escapes such as "\040" for a space are decoded. Malformed lines are skipped.
std::vector<MountEntry> ParseMountList(std::string_view text);

// A network file system type: nfs, nfs4, cifs, smb3, smbfs, ncpfs, afs, davfs and FUSE network
// file systems (fuse.sshfs, fuse.rclone, fuse.curlftpfs, fuse.s3fs ...).
bool IsNetworkFileSystem(std::string_view type);

// A volume the user mounted or plugged in: a block device (not a loop device of a packaged
// application) mounted somewhere other than "/" and the system's own trees (/boot, /proc, /sys,
// /dev, /run except /run/media, /snap, /var/lib).
bool IsLocalVolume(const MountEntry& entry);

struct VolumeLists {
  std::vector<MountEntry> local;    // sorted by mount point
  std::vector<MountEntry> network;  // sorted by mount point
  bool operator==(const VolumeLists&) const = default;
};

// Splits a mount list into local volumes and network mounts; a mount point listed twice (a mount
// stacked on another) appears once.
VolumeLists ClassifyMounts(const std::vector<MountEntry>& mounts);

// Reads and classifies a mount list file; false when it cannot be read.
bool ReadVolumes(const std::string& mountListFile, VolumeLists& out);

}  // namespace spinwave
