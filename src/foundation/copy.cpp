// In-process copy and move. See copy.h.
#include "copy.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "fault.h"
#include "file.h"
#include "str.h"

namespace {

constexpr size_t kChunk = 1u << 20;

std::atomic<int> gbCopyAsyncCancel{0};

bool faulted() { return rliFaultFileHit() != 0; }

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    // Closes now and reports the result; a failed close can mean lost data.
    bool closeChecked() {
        int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

private:
    int fd_;
};

// Moves up to `want` bytes from `in` to `out` at their current offsets; the
// kernel copy when it can, else read and write through one buffer. Returns the
// bytes moved, or -1.
ssize_t copyChunk(int in, int out, size_t want, bool &useKernel) {
    if (faulted()) return -1;
    if (useKernel) {
        ssize_t n = copy_file_range(in, nullptr, out, nullptr, want, 0);
        if (n >= 0) return n;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF &&
            errno != EPERM)
            return -1;
        useKernel = false;
    }
    static thread_local std::unique_ptr<char[]> buffer;
    if (!buffer) buffer.reset(new char[kChunk]);
    ssize_t got;
    do {
        got = read(in, buffer.get(), want);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return got;
    for (ssize_t done = 0; done < got;) {
        ssize_t w = write(out, buffer.get() + done, static_cast<size_t>(got - done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return -1;
        done += w;
    }
    return got;
}

// The one copy routine behind every public entry. `cancel` may be null.
int copyFile(const char *src, const char *dst, rliCopyProgressFn progress, std::atomic<int> *cancel) {
    if (!src || !dst || faulted()) return -1;
    Fd in(open(src, O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (in.get() < 0 || fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;

    char tmp[kRliPathMax];
    Fd out(rliFileMakeTemp(dst, tmp, sizeof tmp));
    if (out.get() < 0) return -1;

    auto length = static_cast<uint64_t>(st.st_size);
    uint64_t remaining = length;
    bool useKernel = true;
    int result = 0;
    while (remaining > 0) {
        ssize_t n = copyChunk(in.get(), out.get(), remaining < kChunk ? remaining : kChunk, useKernel);
        if (n <= 0) {  // an error, or the source shrank under us
            result = -1;
            break;
        }
        remaining -= static_cast<uint64_t>(n);
        if (progress) progress(1.0f - static_cast<float>(remaining) / static_cast<float>(length));
        if (cancel && cancel->load()) {
            result = -2;
            break;
        }
    }
    if (result == 0) {
        // Permissions and time are kept where the file system can hold them
        // (a FAT card refuses fchmod; that is not a failure of the copy).
        (void)fchmod(out.get(), st.st_mode & 07777);
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        (void)futimens(out.get(), times);
        if (!rliFileSyncInBatch() && (faulted() || fsync(out.get()) != 0)) result = -1;
    }
    bool closed = !faulted() && out.closeChecked();
    if (result == 0 && !closed) result = -1;
    if (result == 0 && (faulted() || rename(tmp, dst) != 0)) result = -1;
    if (result != 0) unlink(tmp);
    return result;
}

bool sameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

// --- Copy ---------------------------------------------------------------------

int rliFileCopyAsync(const char *src, const char *dst, rliCopyProgressFn progress) {
    gbCopyAsyncCancel = 0;
    return copyFile(src, dst, progress, &gbCopyAsyncCancel);
}

void rliFileCopyAsyncSetCancel(void) { gbCopyAsyncCancel = 1; }

int rliFileCopyAsyncIsCancel(void) { return gbCopyAsyncCancel.load(); }

int rliFileCopy(const char *src, const char *dst) { return copyFile(src, dst, nullptr, nullptr) == 0 ? 0 : -1; }

// --- Move ---------------------------------------------------------------------

int rliFileMove(const char *src, const char *dst) { return rliFileMoveEx(src, dst, 0); }

int rliFileMoveEx(const char *src, const char *dst, unsigned flags) {
    if (!src || !dst) return -1;
    struct stat s, d;
    if (lstat(src, &s) != 0) return -1;
    if (std::strcmp(src, dst) == 0) return 0;
    bool dstExists = lstat(dst, &d) == 0;
    // On a case-insensitive card "a.wav" and "A.WAV" are one file: renaming it
    // changes the name's case, it does not replace anything.
    bool self = dstExists && sameFile(s, d);
    bool noReplace = (flags & RLI_MOVE_NOREPLACE) && !self;
    if (noReplace && dstExists) return -3;

    if (faulted()) return -1;
    int r;
    if (noReplace) {
        r = renameat2(AT_FDCWD, src, AT_FDCWD, dst, RENAME_NOREPLACE);
        if (r != 0 && errno == EEXIST) return -3;
        if (r != 0 && errno == EINVAL) r = rename(src, dst);  // file system without the flag; checked above
    } else {
        r = rename(src, dst);
    }
    if (r == 0) return 0;
    if (errno != EXDEV) return -1;

    // Another file system: copy whole, check, and only then let go of the source.
    if (!S_ISREG(s.st_mode)) return -1;
    if (copyFile(src, dst, nullptr, nullptr) != 0) return -1;
    if (rliFileGetSizeA(dst) != static_cast<uint32_t>(s.st_size)) return -1;
    return rliFileDelete(src) == 0 ? 0 : -1;
}
