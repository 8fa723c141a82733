// Journals of many-file edits. See journal.h.
#include "wavelib/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "foundation/file.h"
#include "wavelib/card.h"
#include "wavelib/storage.h"

const char *const cJOURNAL_DIR = "Korvan/.kvbrt-journal/";
const char *const cJOURNAL_FOLDER = ".kvbrt-journal";
const char *const cJOURNAL_RENUMBER = "renumber.journal";
const char *const cJOURNAL_CATEGORY = "category.journal";

namespace {

// Syncs the folder `path`, so a name made or removed in it survives a crash.
int syncFolder(const std::string &path) {
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    int r = fsync(fd);
    int err = errno;
    close(fd);
    errno = err;
    return r;
}

}  // namespace

int journalPath(const char *root, const char *name, char *out, size_t cap) {
    return wstorageDevicePath(out, cap, root, (std::string(cJOURNAL_DIR) + name).c_str());
}

int journalWrite(const sCard *card, const char *name, const std::string &text) {
    char path[kStoragePathMax];
    // The card must still be the card, and the maker folder there: it is never made here.
    if (cardPath(card, path, sizeof path, (std::string(cJOURNAL_DIR) + name).c_str()) != 0) return -1;
    std::string file = path, folder = file.substr(0, file.rfind('/') + 1);
    std::string maker = folder.substr(0, folder.rfind('/', folder.size() - 2) + 1);
    struct stat st;
    if (lstat(maker.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        errno = ENOENT;
        return -1;
    }
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return -1;
    if (rliFileWriteAll(file.c_str(), text.data(), text.size()) != 0) return -1;
    // Synced itself even inside a job's batch, which would sync only at its end.
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    bool synced = fd >= 0 && fsync(fd) == 0;
    if (fd >= 0) close(fd);
    if (synced && syncFolder(folder) == 0 && syncFolder(maker) == 0) return 0;
    int err = errno ? errno : EIO;
    rliFileDelete(file.c_str());
    errno = err;
    return -1;
}

int journalRemove(const sCard *card, const char *name) {
    char path[kStoragePathMax];
    if (journalPath(cardRoot(card), name, path, sizeof path) != 0) return -1;
    if (rliFileDelete(path) != 0) return errno == ENOENT ? 0 : -1;
    // The folder goes with its last journal, leaving the card as it was.
    std::string file = path, folder = file.substr(0, file.rfind('/'));
    if (rmdir(folder.c_str()) == 0) syncFolder(folder.substr(0, folder.rfind('/') + 1));
    else syncFolder(folder);
    return 0;
}

bool journalRead(const char *root, const char *name, std::string *text) {
    char path[kStoragePathMax];
    text->clear();
    if (journalPath(root, name, path, sizeof path) != 0) return false;
    struct stat st;
    if (lstat(path, &st) != 0) return false;
    _sRliFile *f = rliFileOpenA(path, cRLIFILE_MODE_READ_BINARY, 1 << 24);
    if (f) {
        text->assign(reinterpret_cast<const char *>(rliFileGetDataAddr(f)), rliFileGetDataSize(f));
        rliFileClose(f);
    }
    return true;
}
