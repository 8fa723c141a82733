// texture: the pack's pictures as OpenGL textures.
//
// Each screen owns one texture manager and loads the pack's pictures into it
// so that texture slot N holds pack entry N (pictures.h). A texture keeps the
// picture's size and the texture's power-of-two size, whose ratio is the
// texture-coordinate extent of the picture. Main thread, with the window's
// GL context current.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gui/gifalloc.h"

// setTexParameter bits, applied in this order (a later bit wins).
enum : uint32_t {
    TEX_LINEAR = 1u << 0,   // linear minifying and magnifying filters
    TEX_NEAREST = 1u << 1,  // nearest filters
    TEX_CLAMP = 1u << 2,    // clamp at both edges
    TEX_REPEAT = 1u << 3,   // repeat
};

// One picture as a GL texture.
class CgifTexObj {
public:
    // Decodes the TGA picture (gifTgaDecode) and uploads it as a new texture
    // with nearest filters and clamped edges. Returns 0; 1 when a texture is
    // loaded already (nothing changes); -1 for a picture the decoder refuses,
    // -2 when memory runs out (nothing loaded then).
    int init(const uint8_t *data, size_t size);
    // Deletes the texture. Never fails.
    void term();
    // Returns whether a texture is loaded.
    bool isLoaded() const { return loaded != 0; }
    // Stores width / texture width and height / texture height: how much of
    // the texture the picture covers. 0, 0 when nothing is loaded.
    void getRate(float *u, float *v) const;
    // Sets filters and wrapping (TEX_* bits) of a loaded texture.
    void setTexParameter(uint32_t bits);

    int loaded;                    // 1 once a GL texture exists
    uint32_t name;                 // the GL texture
    const uint8_t *source;         // the TGA data it was made from (not owned)
    uint16_t width, height;        // the picture's size
    uint16_t texWidth, texHeight;  // the texture's size, powers of two
    uint32_t format;               // GL_RGB for 24-bit pictures, GL_RGBA for 32-bit ones
};

// A screen's textures: a fixed number of slots.
class CgifTexMng : public CgifTracked {
public:
    CgifTexMng() = default;
    CgifTexMng(const CgifTexMng &) = delete;
    CgifTexMng &operator=(const CgifTexMng &) = delete;
    ~CgifTexMng() { term(); }

    // Makes `capacity` empty slots. Returns 0; -1 when memory runs out. A zero
    // capacity or a second call changes nothing (and returns 0).
    int init(int capacity);
    // Deletes every texture and the slots. Never fails.
    void term();
    // Loads the TGA picture into `slot`, or into the lowest free slot when
    // `slot` is -1; a loaded slot is replaced only once the new picture has
    // loaded. Returns the slot; -1 for null data, a slot out of range, no free
    // slot, or a picture that does not load (the slot unchanged then).
    int setTexObject(const uint8_t *data, size_t size, int slot);
    // Returns the texture object of a slot (loaded or not), null out of range.
    CgifTexObj *getTexObject(int slot);
    // Deletes a loaded slot's texture. Out of range is ignored.
    void deleteTexObject(int slot);
    // Loads pack entries 0 to count - 1 into the slots of the same numbers.
    // Returns 0; -1 when an entry is missing or does not load (the others
    // are loaded all the same).
    int loadPack(int count);
    int getCapacity() const { return capacity_; }
    int getCount() const { return count_; }

private:
    CgifTexObj *objs_ = nullptr;  // capacity_ slots ("gifTex")
    int capacity_ = 0;
    int count_ = 0;               // loaded slots
};
