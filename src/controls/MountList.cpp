#include "controls/MountList.h"

#include <algorithm>
#include <set>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"

namespace spinwave {

namespace {

// Mount lists escape space, tab, newline and backslash as a backslash and three octal digits.
std::string DecodeOctalEscapes(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out += char((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
    fields.push_back(line.substr(i, j - i));
    i = j;
  }
  return fields;
}

bool IsUnder(std::string_view path, std::string_view folder) {
  return path == folder ||
         (path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
          path[folder.size()] == '/');
}

}  // namespace

std::vector<MountEntry> ParseMountList(std::string_view text) {
  std::vector<MountEntry> mounts;
  for (const std::string& line : SplitLines(text)) {
    const auto fields = SplitFields(line);
    if (fields.size() < 3) continue;
    MountEntry entry{DecodeOctalEscapes(fields[0]), DecodeOctalEscapes(fields[1]),
                     std::string(fields[2])};
    if (entry.mountPoint.empty() || entry.mountPoint[0] != '/') continue;
    mounts.push_back(std::move(entry));
  }
  return mounts;
}

bool IsNetworkFileSystem(std::string_view type) {
  static const char* const kTypes[] = {"nfs",   "nfs4",  "cifs", "smb3",  "smbfs",
                                       "ncpfs", "afs",   "davfs", "coda", "glusterfs",
                                       "ceph",  "lustre"};
  for (const char* t : kTypes)
    if (type == t) return true;
  static const char* const kFuse[] = {"fuse.sshfs",   "fuse.rclone",  "fuse.curlftpfs",
                                      "fuse.s3fs",    "fuse.davfs2",  "fuse.gcsfuse",
                                      "fuse.smbnetfs", "fuse.glusterfs", "fuse.ceph-fuse"};
  for (const char* t : kFuse)
    if (type == t) return true;
  return false;
}

bool IsLocalVolume(const MountEntry& entry) {
  if (entry.device.rfind("/dev/", 0) != 0) return false;
  if (entry.device.rfind("/dev/loop", 0) == 0) return false;
  if (entry.type == "swap" || entry.type == "squashfs") return false;
  const std::string& mp = entry.mountPoint;
  if (mp == "/") return false;
  if (IsUnder(mp, "/run/media")) return true;
  static const char* const kSystem[] = {"/boot", "/proc", "/sys", "/dev", "/run",
                                        "/snap", "/var/lib", "/etc", "/efi"};
  for (const char* s : kSystem)
    if (IsUnder(mp, s)) return false;
  return true;
}

VolumeLists ClassifyMounts(const std::vector<MountEntry>& mounts) {
  VolumeLists lists;
  std::set<std::string> seen;
  for (const MountEntry& m : mounts) {
    const bool network = IsNetworkFileSystem(m.type);
    if (!network && !IsLocalVolume(m)) continue;
    if (!seen.insert(m.mountPoint).second) continue;
    (network ? lists.network : lists.local).push_back(m);
  }
  const auto byMountPoint = [](const MountEntry& a, const MountEntry& b) {
    return a.mountPoint < b.mountPoint;
  };
  std::sort(lists.local.begin(), lists.local.end(), byMountPoint);
  std::sort(lists.network.begin(), lists.network.end(), byMountPoint);
  return lists;
}

bool ReadVolumes(const std::string& mountListFile, VolumeLists& out) {
  std::string text;
  if (!ReadWholeFile(mountListFile, text)) return false;
  out = ClassifyMounts(ParseMountList(text));
  return true;
}

}  // namespace spinwave
