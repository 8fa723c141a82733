// Volumes from mountinfo text, labels from their device links.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/mountinfo.h"
#include "support/test_util.h"

namespace {

const char kMountinfo[] =
    "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
    "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "60 26 8:17 / /media/u/KVB\\040RT\\040card rw,nosuid shared:40 master:2 - vfat /dev/sdb1 rw,uid=1000\n"
    "61 26 8:33 / /media/u/tab\\011name rw - exfat /dev/sdc1 rw\n"
    "62 26 0:50 / /tmp/card rw - tmpfs tmpfs rw\n"
    "63 26 0:51 / /home/u/overlaid rw - overlay overlay rw\n"
    "64 26 0:52 / /mnt/remote rw - fuse.sshfs host:/ rw\n"
    "65 26 8:49 / /mnt/back\\134slash rw - ext4 /dev/sdd1 rw\n"
    "66 26 0:53 / /run/user/1000 rw - tmpfs tmpfs rw\n"
    "67 26 8:51 / /run/media/u/STICK rw - vfat /dev/sde1 rw\n"
    "68 26 8:17 /sub /mnt/again rw - vfat /dev/sdb1 rw\n"
    "69 26 8:65 / /mnt/hidden rw - ext4 /dev/sdf1 rw\n"
    "70 69 0:60 / /mnt/hidden rw - proc proc rw\n"
    "71 26 8:81 / /mnt/cover rw - ext4 /dev/sdg1 rw\n"
    "72 71 8:82 / /mnt/cover rw - vfat /dev/sdh1 rw\n"
    "garbage\n"
    "\n"
    "80 26 8:1 / /mnt/nodash rw\n"
    "81 26 x:y / /mnt/badnumbers rw - ext4 /dev/sdz rw\n"
    "82 26 8:2 / relative rw - ext4 /dev/sdy rw\n"
    "83 26 8:3 / /mnt/zero\\000byte rw - ext4 /dev/sdx rw";

const char kFilesystems[] =
    "nodev\tsysfs\nnodev\ttmpfs\nnodev\tproc\n\text4\n\tvfat\n\texfat\nnodev\tfuse\nnodev\toverlay\n\tfuseblk\n";

TEST(Mountinfo, MountinfoGivesRealFileSystemsWithDecodedFoldersAndLabels) {
    std::vector<sMntLabel> labels = {{8, 17, "KVB-RT"}, {8, 33, "My Disk"}, {8, 99, "Unused"}};
    std::vector<sOsVolume> v = mntInfoParse(kMountinfo, kFilesystems, labels);
    struct Want {
        const char *name, *path, *fs;
    };
    const Want want[] = {
        {"/", "/", "ext4"},
        {"KVB-RT", "/media/u/KVB RT card/", "vfat"},
        {"My Disk", "/media/u/tab\tname/", "exfat"},
        {"card", "/tmp/card/", "tmpfs"},
        {"back\\slash", "/mnt/back\\slash/", "ext4"},
        {"STICK", "/run/media/u/STICK/", "vfat"},
        {"KVB-RT", "/mnt/again/", "vfat"},
        {"cover", "/mnt/cover/", "vfat"},  // the later mount hides the earlier
    };
    ASSERT_EQ(v.size(), std::size(want));
    for (size_t i = 0; i < v.size(); i++) {
        SCOPED_TRACE(want[i].path);
        EXPECT_STREQ(v[i].name, want[i].name);
        EXPECT_STREQ(v[i].path, want[i].path);
        EXPECT_STREQ(v[i].fsType, want[i].fs);
    }
    // Without the file system list the known pseudo ones are left out.
    std::vector<std::string> paths;
    for (const sOsVolume &x : mntInfoParse(kMountinfo, "", {})) paths.push_back(x.path);
    for (const char *gone : {"/proc/", "/home/u/overlaid/", "/mnt/remote/", "/mnt/hidden/"})
        EXPECT_EQ(std::count(paths.begin(), paths.end(), gone), 0) << gone;
    EXPECT_EQ(std::count(paths.begin(), paths.end(), "/tmp/card/"), 1);

    // Escapes, of mount folders and of labels, alone.
    struct Case {
        const char *in, *out;
    };
    const Case mount[] = {{"a\\040b", "a b"}, {"\\134", "\\"},     {"x\\012y", "x\ny"}, {"end\\04", "end\\04"},
                          {"\\999", "\\999"}, {"\\400", "\\400"}, {"plain", "plain"}};
    for (const Case &c : mount) EXPECT_EQ(mntUnescape(c.in), c.out) << c.in;
    const Case label[] = {{"My\\x20Disk", "My Disk"}, {"KVB\\x2dRT", "KVB-RT"}, {"\\xe3\\x81\\x82", "\xe3\x81\x82"},
                          {"bad\\xZZ", "bad\\xZZ"},  {"short\\x4", "short\\x4"}, {"\\x", "\\x"}};
    for (const Case &c : label) EXPECT_EQ(mntLabelDecode(c.in), c.out) << c.in;
}

TEST(Mountinfo, LabelsAreReadFromBlockDeviceLinks) {
    if (!testIsRoot()) GTEST_SKIP() << "making block device nodes needs root";
    ScratchDir dir;
    std::string node = dir / "sdx1";
    if (mknod(node.c_str(), S_IFBLK | 0600, makedev(8, 17)) != 0)
        GTEST_SKIP() << "mknod refused here: " << std::strerror(errno);
    std::string byLabel = dir / "by-label";
    ASSERT_EQ(mkdir(byLabel.c_str(), 0700), 0);
    ASSERT_EQ(symlink("../sdx1", (byLabel + "/KVB\\x20RT").c_str()), 0);
    ASSERT_EQ(symlink("../missing", (byLabel + "/Dangling").c_str()), 0);
    ASSERT_TRUE(testWriteFile(byLabel + "/notadevice", "x"));
    std::vector<sMntLabel> labels = mntReadLabels(byLabel.c_str());
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].label, "KVB RT");
    EXPECT_EQ(labels[0].major, 8u);
    EXPECT_EQ(labels[0].minor, 17u);
    EXPECT_TRUE(mntReadLabels((dir / "none").c_str()).empty());
}

}  // namespace
