// mountinfo: the mounted volumes of a Linux machine, from /proc/self/mountinfo.
//
// Used by hosts without a desktop toolkit to tell volumes; kept apart from
// them so the parsing of this outside text can be tested and fuzzed alone.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ghost.h"

// A volume label and the block device it belongs to.
struct sMntLabel {
    unsigned major, minor;  // device numbers
    std::string label;      // decoded label
};

// Parses mountinfo text into volumes: mount folders with their octal escapes
// decoded, overmounted folders listed once (the later mount), file systems
// marked "nodev" in `filesystems` (the text of /proc/filesystems) left out
// except tmpfs, mounts on the system's own folders (/dev, /proc, /sys, /run
// but for /run/media) left out, display name = the label of the mount's
// device when `labels` has one, else the mount folder's name ("/" for the
// root). Malformed lines are skipped. Never fails.
std::vector<sOsVolume> mntInfoParse(std::string_view mountinfo, std::string_view filesystems,
                                    const std::vector<sMntLabel> &labels);
// Decodes a mountinfo field's "\NNN" octal escapes. Never fails.
std::string mntUnescape(std::string_view field);
// Decodes the "\xNN" escapes of a /dev/disk/by-label name. Never fails.
std::string mntLabelDecode(std::string_view name);
// Reads the labels of folder `byLabelDir` (normally /dev/disk/by-label); an
// unreadable folder gives none. Never fails.
std::vector<sMntLabel> mntReadLabels(const char *byLabelDir);
// Lists the machine's mounted volumes whose mount folder is a folder. Never
// fails; an unreadable mountinfo gives none.
std::vector<sOsVolume> mntVolumesRead(void);
