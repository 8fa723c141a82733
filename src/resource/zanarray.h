// zanarray: the reader of ".zar" containers, files of typed arrays.
//
// A container is mapped in place: after a successful Mapping its arrays are
// addressed through the view, and every reference field (a 32-bit field that
// names another array by number) has been rewritten. Because a 32-bit field
// cannot hold an address on a 64-bit host, a resolved field holds the target
// array's offset from the data section instead (0 when that array has no
// data); GetRefAddr turns it into an address. Flags bit 31 marks a mapped
// buffer, so mapping it again changes nothing; a buffer that already carries
// it is checked like any other but not rewritten.
//
// Layout (little-endian; F and D are the format and data sections):
//   header:  12 bytes free for the writer, flags @12, F @16, D @20
//   F:       type count (u16) @F+4, type table offset from F @F+12
//   type:    element size (u16 + u8 high byte), reference count (u8),
//            reference list offset from F (u32); 8 bytes each
//   ref:     field offset in the element (u16), 2 bytes unused; 4 bytes each
//   D:       array count @D+4, array table offset from D @D+8
//   array:   type (u16, 0xFFFF untyped), element count (u16), data offset
//            from D (u32, 0 = no data); 8 bytes each
//
// The file comes from outside: every offset, count and reference is checked
// against the buffer before anything is read or rewritten through it, and a
// container that does not fit its buffer is refused whole and left unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

// Smallest buffer that can hold a container header.
constexpr size_t kZanHeaderSize = 24;

// A view of one mapped container; owns nothing.
class CzanArray {
public:
    CzanArray() = default;
    // Constructs and maps `data` (see Mapping).
    CzanArray(uint8_t *data, size_t size) { Mapping(data, size); }
    virtual ~CzanArray() = default;

    // Maps the container in the `size` bytes at `data`. Returns 1 when mapped
    // (or mapped before), 0 for null data or a damaged container; the view is
    // then empty and the buffer unchanged.
    int Mapping(uint8_t *data, size_t size);
    // Nothing to do: the format section is only read.
    void MappingFormat() {}
    // Forget the buffer; the view becomes empty.
    void Reset() { data_ = nullptr; size_ = 0; }
    void Default() { Reset(); }

    // Returns array 0's element count; 0 for an empty view.
    int GetDataNum() const;
    // Returns array 0's first element, or null when it has no data or the view is empty.
    uint8_t *GetDataAddr() const;
    // Returns element `index` of array 0 (its type's element size apart), or
    // null when the view is empty, array 0 is untyped or has no data, or
    // `index` is outside 0 to count-1.
    uint8_t *GetDataAddr(int index) const;
    // Returns the array a resolved reference field names, or null for a field
    // of 0 or one that does not lie inside the buffer.
    uint8_t *GetRefAddr(uint32_t field) const;
    // Returns the number of bytes from `p` (inside the buffer) to its end; 0 otherwise.
    size_t BytesFrom(const uint8_t *p) const;

private:
    bool MappingData();

    uint8_t *data_ = nullptr;
    size_t size_ = 0;
};

// Maps `data` (`size` bytes) with a temporary view. Returns array 0's first
// element, null for null data, a damaged container or no data in array 0;
// stores array 0's element count in `count` when given (0 on failure).
uint8_t *zanArrayMapping(uint8_t *data, size_t size, int *count);
