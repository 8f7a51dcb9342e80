#include <gtest/gtest.h>

#include "controls/MountList.h"

using namespace spinwave;

TEST(MountList, ParsesLinesAndDecodesEscapedSpaces) {
  const auto mounts = ParseMountList(
      "/dev/sdb1 /media/dj/My\\040Music vfat rw,relatime 0 0\n"
      "broken-line\n"
      "nas:/export /mnt/back\\134slash nfs4 rw 0 0\r\n");
  ASSERT_EQ(mounts.size(), 2u);
  EXPECT_EQ(mounts[0], (MountEntry{"/dev/sdb1", "/media/dj/My Music", "vfat"}));
  EXPECT_EQ(mounts[1], (MountEntry{"nas:/export", "/mnt/back\\slash", "nfs4"}));
}

TEST(MountList, SortsVolumesFromNetworkMountsAndSystemMounts) {
  struct Case {
    const char* line;
    int expected;  // 0 neither, 1 local volume, 2 network mount
  };
  const Case cases[] = {
      {"/dev/vda / ext4 rw 0 0", 0},
      {"proc /proc proc rw 0 0", 0},
      {"tmpfs /tmp tmpfs rw 0 0", 0},
      {"/dev/loop3 /snap/core/1 squashfs ro 0 0", 0},
      {"/dev/sda1 /boot/efi vfat rw 0 0", 0},
      {"/dev/vda /etc/hosts ext4 rw 0 0", 0},
      {"/dev/sdb1 /media/dj/USB vfat rw 0 0", 1},
      {"/dev/sdc1 /run/media/dj/Disk ext4 rw 0 0", 1},
      {"/dev/sdd2 /home ext4 rw 0 0", 1},
      {"server:/music /mnt/music nfs4 rw 0 0", 2},
      {"//nas/share /mnt/share cifs rw 0 0", 2},
      {"dj@host:/srv /home/dj/remote fuse.sshfs rw 0 0", 2},
      {"gvfsd-fuse /run/user/1000/gvfs fuse.gvfsd-fuse rw 0 0", 0},
  };
  for (const Case& c : cases) {
    const VolumeLists lists = ClassifyMounts(ParseMountList(c.line));
    const int got = !lists.local.empty() ? 1 : !lists.network.empty() ? 2 : 0;
    EXPECT_EQ(got, c.expected) << c.line;
  }
}

TEST(MountList, StackedMountPointAppearsOnceAndListsAreSorted) {
  const VolumeLists lists = ClassifyMounts(ParseMountList(
      "/dev/sdc1 /media/b ext4 rw 0 0\n"
      "/dev/sdb1 /media/a vfat rw 0 0\n"
      "/dev/sdd1 /media/a ext4 rw 0 0\n"));
  ASSERT_EQ(lists.local.size(), 2u);
  EXPECT_EQ(lists.local[0].mountPoint, "/media/a");
  EXPECT_EQ(lists.local[0].device, "/dev/sdb1");
  EXPECT_EQ(lists.local[1].mountPoint, "/media/b");
}
