// The container reader. See zanarray.h.
#include "resource/zanarray.h"

#include <vector>

#include "resource/le.h"

namespace {

constexpr uint32_t kMappedFlag = 0x80000000u;
constexpr uint16_t kUntyped = 0xFFFF;

// The sections and tables of one container, every one checked to lie inside
// the buffer. Offsets are 64-bit so that no sum of file values can wrap.
struct Layout {
    const uint8_t *data;
    uint64_t size;
    uint64_t dataSection;  // D
    uint64_t typeTable;    // absolute
    uint64_t arrayTable;   // absolute
    uint64_t formatSection;
    uint32_t typeCount;
    uint32_t arrayCount;
};

struct TypeInfo {
    uint64_t elementSize;
    uint32_t refCount;
    uint64_t refList;  // absolute
};

struct ArrayInfo {
    uint16_t type;
    uint32_t count;
    uint32_t offset;  // from D; 0 = no data
};

bool fits(const Layout &l, uint64_t at, uint64_t length) { return at <= l.size && length <= l.size - at; }

bool readLayout(const uint8_t *data, size_t size, Layout &l) {
    if (!data || size < kZanHeaderSize) return false;
    l.data = data;
    l.size = size;
    l.formatSection = leGet32(data + 16);
    l.dataSection = leGet32(data + 20);
    if (!fits(l, l.formatSection, 16) || !fits(l, l.dataSection, 12)) return false;
    l.typeCount = leGet16(data + l.formatSection + 4);
    l.typeTable = l.formatSection + leGet32(data + l.formatSection + 12);
    l.arrayCount = leGet32(data + l.dataSection + 4);
    l.arrayTable = l.dataSection + leGet32(data + l.dataSection + 8);
    return fits(l, l.typeTable, 8ull * l.typeCount) && fits(l, l.arrayTable, 8ull * l.arrayCount);
}

bool readType(const Layout &l, uint32_t index, TypeInfo &t) {
    if (index >= l.typeCount) return false;
    const uint8_t *p = l.data + l.typeTable + 8ull * index;
    t.elementSize = leGet16(p) + 65536ull * p[2];
    t.refCount = p[3];
    t.refList = l.formatSection + leGet32(p + 4);
    return t.refCount == 0 || fits(l, t.refList, 4ull * t.refCount);
}

ArrayInfo readArray(const Layout &l, uint32_t index) {
    const uint8_t *p = l.data + l.arrayTable + 8ull * index;
    return ArrayInfo{leGet16(p), leGet16(p + 2), leGet32(p + 4)};
}

// Checks every array's extent. For typed arrays with data also counts their
// reference fields into `refs` (stopping early past `refLimit`).
bool checkArrays(const Layout &l, uint64_t refLimit, uint64_t &refs) {
    refs = 0;
    for (uint32_t a = 0; a < l.arrayCount; ++a) {
        ArrayInfo arr = readArray(l, a);
        if (arr.offset == 0) continue;
        uint64_t base = l.dataSection + arr.offset;
        if (arr.type == kUntyped) {
            if (base > l.size) return false;
            continue;
        }
        TypeInfo t;
        if (!readType(l, arr.type, t) || !fits(l, base, t.elementSize * arr.count)) return false;
        refs += static_cast<uint64_t>(arr.count) * t.refCount;
        if (refs > refLimit) return false;
    }
    return true;
}

}  // namespace

// --- Mapping -------------------------------------------------------------------

int CzanArray::Mapping(uint8_t *data, size_t size) {
    Reset();
    Layout l;
    uint64_t refs = 0;
    if (!readLayout(data, size, l) || !checkArrays(l, size / 4, refs)) return 0;
    data_ = data;
    size_ = size;
    if (leGet32(data + 12) & kMappedFlag) return 1;
    if (!MappingData()) {
        Reset();
        return 0;
    }
    lePut32(data + 12, leGet32(data + 12) | kMappedFlag);
    return 1;
}

// Resolves every reference field. The new values are worked out from the
// untouched buffer first and written afterwards, so two arrays sharing bytes
// cannot resolve a field twice; a field that turns out to overlap the tables
// themselves is caught by checking the layout again, and then every write is
// undone.
bool CzanArray::MappingData() {
    Layout l;
    uint64_t refs = 0;
    if (!readLayout(data_, size_, l) || !checkArrays(l, size_ / 4, refs)) return false;

    struct Change {
        uint64_t at;
        uint32_t before, after;
    };
    std::vector<Change> changes;
    changes.reserve(static_cast<size_t>(refs));
    for (uint32_t a = 0; a < l.arrayCount; ++a) {
        ArrayInfo arr = readArray(l, a);
        if (arr.offset == 0 || arr.type == kUntyped) continue;
        TypeInfo t;
        readType(l, arr.type, t);
        for (uint32_t r = 0; r < t.refCount; ++r) {
            uint64_t field = leGet16(data_ + t.refList + 4ull * r);
            if (field + 4 > t.elementSize) return false;
            for (uint32_t e = 0; e < arr.count; ++e) {
                uint64_t at = l.dataSection + arr.offset + e * t.elementSize + field;
                uint32_t target = leGet32(data_ + at);
                if (target >= l.arrayCount) return false;
                changes.push_back(Change{at, target, readArray(l, target).offset});
            }
        }
    }
    for (const Change &c : changes) lePut32(data_ + c.at, c.after);
    if (!readLayout(data_, size_, l) || !checkArrays(l, size_ / 4, refs)) {
        for (auto c = changes.rbegin(); c != changes.rend(); ++c) lePut32(data_ + c->at, c->before);
        return false;
    }
    return true;
}

// --- Array 0 -------------------------------------------------------------------

int CzanArray::GetDataNum() const {
    Layout l;
    if (!readLayout(data_, size_, l) || l.arrayCount == 0) return 0;
    return static_cast<int>(readArray(l, 0).count);
}

uint8_t *CzanArray::GetDataAddr() const {
    Layout l;
    if (!readLayout(data_, size_, l) || l.arrayCount == 0) return nullptr;
    ArrayInfo arr = readArray(l, 0);
    uint64_t base = l.dataSection + arr.offset;
    if (arr.offset == 0 || base >= size_) return nullptr;
    return data_ + base;
}

uint8_t *CzanArray::GetDataAddr(int index) const {
    Layout l;
    if (index < 0 || !readLayout(data_, size_, l) || l.arrayCount == 0) return nullptr;
    ArrayInfo arr = readArray(l, 0);
    TypeInfo t;
    if (arr.offset == 0 || arr.type == kUntyped || !readType(l, arr.type, t)) return nullptr;
    if (static_cast<uint32_t>(index) >= arr.count) return nullptr;
    uint64_t at = l.dataSection + arr.offset + static_cast<uint64_t>(index) * t.elementSize;
    return at < size_ ? data_ + at : nullptr;
}

uint8_t *CzanArray::GetRefAddr(uint32_t field) const {
    Layout l;
    if (field == 0 || !readLayout(data_, size_, l)) return nullptr;
    uint64_t at = l.dataSection + field;
    return at < size_ ? data_ + at : nullptr;
}

size_t CzanArray::BytesFrom(const uint8_t *p) const {
    if (!data_ || p < data_ || p >= data_ + size_) return 0;
    return size_ - static_cast<size_t>(p - data_);
}

uint8_t *zanArrayMapping(uint8_t *data, size_t size, int *count) {
    CzanArray view;
    view.Mapping(data, size);
    if (count) *count = view.GetDataNum();
    return view.GetDataAddr();
}
