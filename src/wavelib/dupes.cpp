// Waves with identical audio files. See dupes.h.
#include "wavelib/dupes.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "foundation/mem.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

constexpr size_t kChunk = 1 << 16;

// An open file that closes itself.
struct Fd {
    int fd;
    explicit Fd(const char *path) : fd(path ? open(path, O_RDONLY | O_CLOEXEC) : -1) {}
    ~Fd() {
        if (fd >= 0) close(fd);
    }
    // Reads until `size` bytes or the end; returns the count, -1 on error.
    ssize_t fill(uint8_t *buf, size_t size) const {
        size_t got = 0;
        while (got < size) {
            ssize_t n = read(fd, buf + got, size - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return -1;
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        return static_cast<ssize_t>(got);
    }
};

// One wave's audio file as the scan found it.
struct Candidate {
    sWave *wave;
    const char *path;
    uint64_t size;
    uint64_t hash = 0;
};

}  // namespace

uint64_t waveDupesHash(uint64_t hash, const void *data, size_t size) {
    auto *p = static_cast<const uint8_t *>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

int waveDupesHashFile(const char *path, uint64_t *hash) {
    Fd f(path);
    if (f.fd < 0 || !hash) return -1;
    std::vector<uint8_t> buf(kChunk);
    uint64_t h = kDupesHashStart;
    for (;;) {
        ssize_t n = f.fill(buf.data(), buf.size());
        if (n < 0) return -1;
        h = waveDupesHash(h, buf.data(), static_cast<size_t>(n));
        if (static_cast<size_t>(n) < buf.size()) break;
    }
    *hash = h;
    return 0;
}

int waveDupesSameFile(const char *a, const char *b) {
    Fd fa(a), fb(b);
    if (fa.fd < 0 || fb.fd < 0) return -1;
    std::vector<uint8_t> ba(kChunk), bb(kChunk);
    for (;;) {
        ssize_t na = fa.fill(ba.data(), kChunk), nb = fb.fill(bb.data(), kChunk);
        if (na < 0 || nb < 0) return -1;
        if (na != nb || std::memcmp(ba.data(), bb.data(), static_cast<size_t>(na)) != 0) return 0;
        if (static_cast<size_t>(na) < kChunk) return 1;
    }
}

void waveDupesDispose(sListBase *groups) {
    if (!groups) return;
    while (auto *g = static_cast<sDupeGroup *>(groups->first)) {
        rliListFreeList(&g->waves);
        rliListFreeLink(groups, g);
    }
}

int waveDupesFind(sWaveList *list, sListBase *groups, int *unreadable) {
    if (unreadable) *unreadable = 0;
    if (!groups) return -1;
    *groups = sListBase{};
    _sWaveStorage *storage = list ? list->storage : nullptr;
    if (!storage) return 0;
    // Sizes first: most files have a size of their own and are never read.
    std::vector<const sStorageWavePrm *> byNumber(kWaveNumberMax + 1, nullptr);
    for (auto *n = static_cast<const sStorageWavePrm *>(storage->wavePrms.first); n; n = n->next) {
        int number = n->prm ? n->prm->waveNumber : -1;
        if (number >= 0 && number <= kWaveNumberMax && !byNumber[number]) byNumber[number] = n;
    }
    std::vector<Candidate> all;
    for (auto *n = static_cast<const sListItem *>(list->waveNumber.first); n; n = n->next) {
        auto *w = static_cast<sWave *>(n->item);
        bool known = w->waveNumber >= 0 && w->waveNumber <= kWaveNumberMax;
        const sStorageWavePrm *node = known ? byNumber[w->waveNumber] : nullptr;
        if (node && node->audioPath) all.push_back({w, node->audioPath, node->audioSize});
    }
    std::map<uint64_t, int> sizeCount;
    for (const Candidate &c : all) ++sizeCount[c.size];
    std::vector<Candidate> shared;
    for (Candidate &c : all) {
        if (sizeCount[c.size] < 2) continue;
        if (waveDupesHashFile(c.path, &c.hash) != 0) {
            if (unreadable) ++*unreadable;
            continue;
        }
        shared.push_back(c);
    }
    // Equal size and hash: split into classes of byte-identical files, each
    // led by its lowest-numbered wave (the list is in number order).
    std::stable_sort(shared.begin(), shared.end(), [](const Candidate &a, const Candidate &b) {
        return a.size != b.size ? a.size < b.size : a.hash < b.hash;
    });
    std::vector<std::vector<const Candidate *>> classes;
    for (size_t i = 0; i < shared.size();) {
        size_t end = i;
        while (end < shared.size() && shared[end].size == shared[i].size && shared[end].hash == shared[i].hash) ++end;
        std::vector<std::vector<const Candidate *>> here;
        for (size_t k = i; k < end; ++k) {
            bool placed = false;
            for (auto &cls : here) {
                int same = waveDupesSameFile(cls.front()->path, shared[k].path);
                if (same < 0 && unreadable) ++*unreadable;
                if (same < 0) {
                    placed = true;
                    break;
                }
                if (same == 1) {
                    cls.push_back(&shared[k]);
                    placed = true;
                    break;
                }
            }
            if (!placed) here.push_back({&shared[k]});
        }
        for (auto &cls : here)
            if (cls.size() > 1) classes.push_back(std::move(cls));
        i = end;
    }
    std::sort(classes.begin(), classes.end(), [](const auto &a, const auto &b) {
        return a.front()->wave->waveNumber < b.front()->wave->waveNumber;
    });
    for (const auto &cls : classes) {
        auto *g = static_cast<sDupeGroup *>(memCalloc(sizeof(sDupeGroup), "DGroup"));
        if (!g) {
            waveDupesDispose(groups);
            return -1;
        }
        g->size = cls.front()->size;
        rliListAddTail(groups, g);
        for (const Candidate *c : cls) {
            auto *item = static_cast<sListItem *>(memCalloc(sizeof(sListItem), "DWave"));
            if (!item) {
                waveDupesDispose(groups);
                return -1;
            }
            item->item = c->wave;
            rliListAddTail(&g->waves, item);
        }
    }
    return 0;
}
