// Text forms and string tools. See str.h.
#include "str.h"

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <iconv.h>
#include <memory>

#include "mem.h"

namespace {

constexpr wchar_t kReplacement = 0xFFFD;
constexpr char kForbidden[] = "\\/?:*\"|<>,;";

// One conversion descriptor per direction and thread: iconv handles carry
// shift state and must not be shared between threads.
class Converter {
public:
    Converter(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }
    void reset() const { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd_;
};

const Converter &sjisDecoder() {
    static thread_local Converter c("WCHAR_T", "CP932");
    return c;
}

const Converter &sjisEncoder() {
    static thread_local Converter c("CP932", "WCHAR_T");
    return c;
}

template <typename C>
size_t textLength(const C *s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

template <typename C>
int findFirst(const C *text, int length, C c) {
    if (!text) return -1;
    for (int i = 0; i < length; ++i)
        if (text[i] == c) return i;
    return -1;
}

template <typename C>
int findLast(const C *text, int length, C c) {
    if (!text) return -1;
    for (int i = length - 1; i >= 0; --i)
        if (text[i] == c) return i;
    return -1;
}

template <typename C>
int findLastNot(const C *text, int length, C c) {
    if (!text) return -1;
    for (int i = length - 1; i >= 0; --i)
        if (text[i] != c) return i;
    return -1;
}

template <typename C>
bool hasForbidden(const C *name) {
    for (; *name; ++name) {
        auto u = static_cast<uint32_t>(static_cast<std::make_unsigned_t<C>>(*name));
        if (u < 0x80 && std::strchr(kForbidden, static_cast<char>(u))) return true;
    }
    return false;
}

template <typename C>
C *extDelete(C *text, const C *needle) {
    if (!text || !needle) return nullptr;
    for (C *p = text; *p; ++p) {
        // Compare only while the text lasts: a needle longer than what is left
        // must not be read against bytes past the terminator.
        size_t i = 0;
        while (needle[i] && p[i] == needle[i]) ++i;
        if (!needle[i]) {
            *p = 0;
            return p;
        }
    }
    return nullptr;
}

template <typename C>
void assign(C *out, const C *from, size_t n) {
    if (!out) return;
    std::char_traits<C>::copy(out, from, n);
    out[n] = 0;
}

template <typename C>
int splitPath(C *drive, C *dir, C *name, C *ext, const C *path) {
    for (C *out : {drive, dir, name, ext})
        if (out) out[0] = 0;
    if (!path) return -1;
    size_t len = textLength(path);
    if (len == 0 || len >= kRliPathMax) return -1;

    size_t slash = len;
    for (size_t i = len; i-- > 0;) {
        if (path[i] == C('/')) {
            slash = i;
            break;
        }
    }
    size_t restStart = slash == len ? 0 : slash + 1;
    assign(dir, path, restStart);

    const C *rest = path + restStart;
    int restLen = static_cast<int>(len - restStart);
    int lastNotDot = findLastNot(rest, restLen, C('.'));
    if (lastNotDot < 0) {
        // Only dots ("." or ".."): a folder reference, not a name with an extension.
        assign(name, rest, static_cast<size_t>(restLen));
        return 0;
    }
    int dot = findLast(rest, lastNotDot + 1, C('.'));
    if (dot < 0) {
        assign(name, rest, static_cast<size_t>(lastNotDot + 1));
        return 0;
    }
    assign(name, rest, static_cast<size_t>(dot));
    assign(ext, rest + dot, static_cast<size_t>(restLen - dot));
    return 0;
}

// Decodes at most `srcLen` Shift-JIS bytes (stopping at a zero) into `dst`.
int sjisDecode(wchar_t *dst, size_t dstCap, const char *src, size_t srcLen) {
    if (!dst || dstCap == 0) return -1;
    const Converter &cv = sjisDecoder();
    size_t srcEnd = 0;
    while (srcEnd < srcLen && src[srcEnd]) ++srcEnd;
    size_t room = dstCap - 1;  // keep one unit for the terminator
    char *in = const_cast<char *>(src);
    size_t inLeft = srcEnd;
    auto *outStart = reinterpret_cast<char *>(dst);
    char *out = outStart;
    size_t outLeft = room * sizeof(wchar_t);
    bool cut = false;
    cv.reset();
    while (inLeft > 0) {
        size_t r = cv.ok() ? iconv(cv.get(), &in, &inLeft, &out, &outLeft) : static_cast<size_t>(-1);
        if (r != static_cast<size_t>(-1)) break;
        int err = cv.ok() ? errno : EILSEQ;
        if (err == E2BIG) {
            cut = true;
            break;
        }
        // EILSEQ or EINVAL (a lead byte at the very end): one U+FFFD per bad byte.
        if (outLeft < sizeof(wchar_t)) {
            cut = true;
            break;
        }
        std::memcpy(out, &kReplacement, sizeof(wchar_t));
        out += sizeof(wchar_t);
        outLeft -= sizeof(wchar_t);
        ++in;
        --inLeft;
        cv.reset();
    }
    size_t written = static_cast<size_t>(out - outStart) / sizeof(wchar_t);
    dst[written] = 0;
    return cut ? -1 : static_cast<int>(written);
}

}  // namespace

// --- Searching --------------------------------------------------------------

int strFindFirstOf(const wchar_t *text, int length, wchar_t c) { return findFirst(text, length, c); }
int strFindFirstOfA(const char *text, int length, char c) { return findFirst(text, length, c); }
int strFindLastOf(const wchar_t *text, int length, wchar_t c) { return findLast(text, length, c); }
int strFindLastOfA(const char *text, int length, char c) { return findLast(text, length, c); }
int strFindLastNotOf(const wchar_t *text, int length, wchar_t c) { return findLastNot(text, length, c); }
int strFindLastNotOfA(const char *text, int length, char c) { return findLastNot(text, length, c); }

// --- Names ------------------------------------------------------------------

int strCheckFileName(const wchar_t *name) {
    if (!name) return 0;
    // A wide name is measured at two bytes a character, as the UTF-16 the
    // names are kept in elsewhere takes.
    if (textLength(name) * 2 > kRliNameMax) return 0;
    return hasForbidden(name) ? 0 : 1;
}

int strCheckFileNameA(const char *name) {
    if (!name) return 0;
    if (std::strlen(name) > kRliNameMax) return 0;
    return hasForbidden(name) ? 0 : 1;
}

// --- Shift-JIS --------------------------------------------------------------

int rliStringSjisToUtf16be(wchar_t *dst, size_t dstCap, int *outBytes, const char *src) {
    if (!src) return 0;
    if (outBytes) *outBytes = static_cast<int>(4 * std::strlen(src));
    return sjisDecode(dst, dstCap, src, SIZE_MAX);
}

int rliStringSjisToUtf16beN(wchar_t *dst, size_t dstCap, const char *src, size_t srcLen) {
    if (!src) return 0;
    return sjisDecode(dst, dstCap, src, srcLen);
}

int rliStringUtf16beToSjis(char *dst, size_t dstCap, int *outLen, const wchar_t *src, int *outLost) {
    if (outLost) *outLost = 0;
    if (!src) return 0;
    if (!dst || dstCap == 0) return -1;
    if (*src == 0xFEFF || *src == 0xFFFE) ++src;
    const Converter &cv = sjisEncoder();
    size_t n = 0;
    bool cut = false;
    for (; *src; ++src) {
        char bytes[8];
        char *in = const_cast<char *>(reinterpret_cast<const char *>(src));
        size_t inLeft = sizeof(wchar_t);
        char *out = bytes;
        size_t outLeft = sizeof bytes;
        size_t got = 0;
        if (cv.ok()) {
            cv.reset();
            if (iconv(cv.get(), &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
                got = sizeof bytes - outLeft;
        }
        if (got != 1 && got != 2) {
            bytes[0] = ' ';
            got = 1;
            if (outLost) ++*outLost;
        }
        if (n + got > dstCap - 1) {
            cut = true;
            break;
        }
        std::memcpy(dst + n, bytes, got);
        n += got;
    }
    dst[n] = 0;
    if (outLen) *outLen = static_cast<int>(n);
    return cut ? -1 : static_cast<int>(n);
}

// --- UTF-8 ------------------------------------------------------------------

int chtoutf8(uint32_t c, char *out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c <= 0xFFFF) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    if (c < 0x200000) {
        out[0] = static_cast<char>(0xF0 | (c >> 18));
        out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[3] = static_cast<char>(0x80 | (c & 0x3F));
        return 4;
    }
    return 0;
}

int wcs2utf8s(char *dst, size_t dstCap, const wchar_t *src) {
    if (!dst || dstCap == 0) return -1;
    size_t n = 0;
    bool cut = false;
    for (; src && *src; ++src) {
        char bytes[4];
        int k = chtoutf8(static_cast<uint32_t>(*src), bytes);
        if (n + static_cast<size_t>(k) > dstCap - 1) {
            cut = true;
            break;
        }
        std::memcpy(dst + n, bytes, static_cast<size_t>(k));
        n += static_cast<size_t>(k);
    }
    dst[n] = 0;
    return cut ? -1 : static_cast<int>(n);
}

int rliStringUtf16beToUtf8(char *dst, size_t dstCap, int *outLen, const wchar_t *src) {
    int r = wcs2utf8s(dst, dstCap, src);
    if (outLen) *outLen = dst && dstCap ? static_cast<int>(std::strlen(dst)) : 0;
    return r;
}

int utf8towchar(wchar_t *dst, size_t dstCap, const char *src) {
    if (!dst || !src) return 0;
    if (dstCap == 0) return -1;
    auto *s = reinterpret_cast<const unsigned char *>(src);
    size_t n = 0;
    while (*s) {
        if (n == dstCap - 1) {
            dst[n] = 0;
            return -1;
        }
        unsigned char b = *s;
        int follow = -1;
        uint32_t value = 0;
        if (b < 0x80) {
            follow = 0;
            value = b;
        } else if ((b & 0xE0) == 0xC0) {
            follow = 1;
            value = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            follow = 2;
            value = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            follow = 3;
            value = b & 0x07;
        }
        bool good = follow >= 0;
        for (int i = 1; good && i <= follow; ++i) {
            if ((s[i] & 0xC0) != 0x80)
                good = false;
            else
                value = (value << 6) | (s[i] & 0x3F);
        }
        // A decoded zero would end the string early; it is as malformed as a
        // stray continuation byte, which the older rule turned into a NUL too.
        if (good && value == 0 && follow > 0) good = false;
        if (!good) {
            dst[n++] = L'?';
            ++s;
            continue;
        }
        dst[n++] = static_cast<wchar_t>(value);
        s += 1 + follow;
    }
    dst[n] = 0;
    return static_cast<int>(n);
}

int rliStringUtf8ToUtf16be(wchar_t *dst, size_t dstCap, int *outLen, const char *src) {
    int r = utf8towchar(dst, dstCap, src);
    if (outLen) *outLen = r < 0 ? static_cast<int>(dstCap ? dstCap - 1 : 0) : r;
    return r;
}

int rliStringUtf8ToSjis(char *dst, size_t dstCap, int *outLen, const char *src) {
    if (outLen) *outLen = 0;
    if (!src) return 0;
    size_t cap = std::strlen(src) + 1;
    std::unique_ptr<wchar_t[]> wide(new wchar_t[cap]);
    utf8towchar(wide.get(), cap, src);
    return rliStringUtf16beToSjis(dst, dstCap, outLen, wide.get());
}

int rliStringSjisToUtf8(char *dst, size_t dstCap, char **outEnd, const char *src) {
    if (!src) return 0;
    size_t cap = std::strlen(src) + 1;
    std::unique_ptr<wchar_t[]> wide(new wchar_t[cap]);
    sjisDecode(wide.get(), cap, src, SIZE_MAX);
    int r = wcs2utf8s(dst, dstCap, wide.get());
    if (outEnd && dst && dstCap) *outEnd = dst + std::strlen(dst);
    return r;
}

std::string strSjisToUtf8(std::string_view sjis) {
    std::wstring wide(sjis.size() + 1, L'\0');
    int n = sjisDecode(wide.data(), wide.size(), sjis.data(), sjis.size());
    wide.resize(n < 0 ? 0 : static_cast<size_t>(n));
    std::string out(wide.size() * 4 + 1, '\0');
    int k = wcs2utf8s(out.data(), out.size(), wide.c_str());
    out.resize(k < 0 ? 0 : static_cast<size_t>(k));
    return out;
}

std::string strUtf8ToSjis(std::string_view utf8, int *lost) {
    std::string in(utf8);
    std::wstring wide(in.size() + 1, L'\0');
    int n = utf8towchar(wide.data(), wide.size(), in.c_str());
    wide.resize(n < 0 ? 0 : static_cast<size_t>(n));
    std::string out(wide.size() * 2 + 1, '\0');
    int k = rliStringUtf16beToSjis(out.data(), out.size(), nullptr, wide.c_str(), lost);
    out.resize(k < 0 ? 0 : static_cast<size_t>(k));
    return out;
}

// --- Small string functions -------------------------------------------------

char *rliStringExtDelete(char *text, const char *needle) { return extDelete(text, needle); }
wchar_t *rliStringExtDelete(wchar_t *text, const wchar_t *needle) { return extDelete(text, needle); }

char *rliStrDupn(const char *src, size_t n) {
    if (!src) return nullptr;
    auto *p = static_cast<char *>(memMalloc(n + 1, "StrDup"));
    if (!p) return nullptr;
    std::memcpy(p, src, n);
    p[n] = 0;
    return p;
}

char *rliStrDup(const char *src) { return src ? rliStrDupn(src, std::strlen(src)) : nullptr; }

int64_t rliStrAtoi64(const char *text) {
    if (!text) return 0;
    // Unsigned arithmetic: a text of more than 19 digits wraps instead of
    // overflowing a signed value.
    uint64_t value = 0, scale = 1;
    for (size_t i = std::strlen(text); i-- > 0;) {
        char c = text[i];
        if (c >= '0' && c <= '9') value += static_cast<uint64_t>(c - '0') * scale;
        scale *= 10;
    }
    return static_cast<int64_t>(value);
}

int rliStrCaseCmp(const char *a, const char *b) {
    for (;; ++a, ++b) {
        auto la = static_cast<signed char>((*a >= 'A' && *a <= 'Z') ? *a + 32 : *a);
        auto lb = static_cast<signed char>((*b >= 'A' && *b <= 'Z') ? *b + 32 : *b);
        if (la != lb) return la < lb ? -1 : 1;
        if (!la) return 0;
    }
}

int rliStrIcmp(const char *a, const char *b) { return rliStrCaseCmp(a, b); }

// --- Paths ------------------------------------------------------------------

int rliStringSplitpath(wchar_t *drive, wchar_t *dir, wchar_t *name, wchar_t *ext, const wchar_t *path) {
    return splitPath(drive, dir, name, ext, path);
}

int rliStringSplitpathA(char *drive, char *dir, char *name, char *ext, const char *path) {
    return splitPath(drive, dir, name, ext, path);
}
