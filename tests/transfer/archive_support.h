// Helpers of the archive, backup and restore tests: headers built by the
// tests' own hand (not by the code under test), folder trees and their snapshots.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_util.h"

// A header as the format's table describes it, with the usual unsigned checksum;
// `sizeField`, when given, is written as the size's 11 octal digits instead.
inline std::string testTarHeader(const std::string &name, char type, size_t size, bool signedSum = false,
                                 const char *sizeField = nullptr) {
    std::string h(512, '\0');
    h.replace(0, name.size(), name);
    h.replace(100, 8, std::string("0000666\0", 8));
    h.replace(108, 8, std::string("0000000\0", 8));
    h.replace(116, 8, std::string("0000000\0", 8));
    char size8[16];
    std::snprintf(size8, sizeof size8, "%011zo", size);
    h.replace(124, 12, std::string(sizeField ? sizeField : size8, 11) + '\0');
    h.replace(136, 12, std::string("11524413767\0", 12));
    h.replace(148, 8, std::string(8, ' '));
    h[156] = type;
    h.replace(257, 8, std::string("ustar  \0", 8));
    long sum = 0;
    for (char c : h) sum += signedSum ? static_cast<signed char>(c) : static_cast<unsigned char>(c);
    char chk[8];
    std::snprintf(chk, sizeof chk, "%06lo", sum & 0xFFFF);
    h.replace(148, 7, std::string(chk, 6) + '\0');
    return h;
}

// A header and its data padded to the block.
inline std::string testTarEntry(const std::string &name, const std::string &data, char type = '0') {
    std::string e = testTarHeader(name, type, data.size()) + data;
    e.append((512 - data.size() % 512) % 512, '\0');
    return e;
}

inline std::string testTarEnd() { return std::string(1024, '\0'); }

// Writes `bytes` at `root/rel`, making the folders on the way.
inline void testPut(const std::string &root, const std::string &rel, const std::string &bytes) {
    std::filesystem::path p = std::filesystem::path(root) / rel;
    std::filesystem::create_directories(p.parent_path());
    testWriteFile(p.string(), bytes);
}

// The names of the entries of archive bytes, stepping by the size fields.
inline std::vector<std::string> testTarNames(const std::string &bytes) {
    std::vector<std::string> names;
    size_t off = 0;
    while (off + 512 <= bytes.size() && bytes[off] != '\0') {
        names.push_back(std::string(bytes.c_str() + off, strnlen(bytes.c_str() + off, 100)));
        size_t size = std::strtoull(bytes.substr(off + 124, 11).c_str(), nullptr, 8);
        off += 512 + (size + 511) / 512 * 512;
    }
    return names;
}

// Deterministic bytes of a given length.
inline std::string testBytes(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (auto &c : s) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    return s;
}

inline std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// A folder for scratch trees where syncing costs nothing (a memory file
// system when there is one): the fault loops run hundreds of backups and
// restores, each syncing the volume a few times.
inline const char *testFastTempDir() {
    if (access("/dev/shm", W_OK) == 0) return "/dev/shm";
    const char *t = std::getenv("TMPDIR");
    return t && *t ? t : "/tmp";
}
