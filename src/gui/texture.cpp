// Textures and the texture manager. See texture.h.
#include "gui/texture.h"

#include "foundation/log.h"
#include "gui/glinc.h"
#include "gui/tga.h"
#include "resource/pack.h"

int CgifTexObj::init(const uint8_t *data, size_t size) {
    if (loaded) return 1;
    sGifPixels p;
    int rc = gifTgaDecode(data, size, &p);
    if (rc < 0) return rc;
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    GLint oldAlign = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlign);
    glPixelStorei(GL_UNPACK_ALIGNMENT, p.bytesPerPixel == 4 ? 4 : 1);
    GLenum fmt = p.bytesPerPixel == 4 ? GL_RGBA : GL_RGB;
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(fmt), p.texWidth, p.texHeight, 0, fmt, GL_UNSIGNED_BYTE,
                 p.pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlign);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    // GL holds its own copy; nothing reads the converted pixels again.
    *this = CgifTexObj{1, tex, data, p.width, p.height, p.texWidth, p.texHeight, fmt};
    gifTgaRelease(&p);
    return 0;
}

void CgifTexObj::term() {
    if (loaded) glDeleteTextures(1, &name);
    *this = CgifTexObj{};
}

void CgifTexObj::getRate(float *u, float *v) const {
    *u = loaded ? float(width) / float(texWidth) : 0.0f;
    *v = loaded ? float(height) / float(texHeight) : 0.0f;
}

void CgifTexObj::setTexParameter(uint32_t bits) {
    if (!loaded) return;
    glBindTexture(GL_TEXTURE_2D, name);
    auto both = [](GLenum a, GLenum b, GLint v) {
        glTexParameteri(GL_TEXTURE_2D, a, v);
        glTexParameteri(GL_TEXTURE_2D, b, v);
    };
    if (bits & TEX_LINEAR) both(GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (bits & TEX_NEAREST) both(GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (bits & TEX_CLAMP) both(GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    if (bits & TEX_REPEAT) both(GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// --- Manager ---------------------------------------------------------------------

int CgifTexMng::init(int capacity) {
    if (capacity <= 0 || objs_) return 0;
    objs_ = static_cast<CgifTexObj *>(memCalloc(sizeof(CgifTexObj) * size_t(capacity), "gifTex"));
    if (!objs_) return -1;
    capacity_ = capacity;
    return 0;
}

void CgifTexMng::term() {
    if (!objs_) return;
    for (int i = 0; i < capacity_; i++) objs_[i].term();
    memFree(objs_);
    objs_ = nullptr;
    capacity_ = count_ = 0;
}

int CgifTexMng::setTexObject(const uint8_t *data, size_t size, int slot) {
    if (!data || !objs_ || slot < -1 || slot >= capacity_) return -1;
    if (slot == -1) {
        for (int i = 0; i < capacity_ && slot == -1; i++)
            if (!objs_[i].loaded) slot = i;
        if (slot == -1) {
            rliDbgLog("Error TexMng Max Over\n");
            return -1;
        }
    }
    CgifTexObj fresh{};
    if (fresh.init(data, size) != 0) return -1;
    if (objs_[slot].loaded) count_--;
    objs_[slot].term();
    objs_[slot] = fresh;
    count_++;
    return slot;
}

CgifTexObj *CgifTexMng::getTexObject(int slot) {
    return objs_ && slot >= 0 && slot < capacity_ ? &objs_[slot] : nullptr;
}

void CgifTexMng::deleteTexObject(int slot) {
    CgifTexObj *t = getTexObject(slot);
    if (!t || !t->loaded) return;
    t->term();
    count_--;
}

int CgifTexMng::loadPack(int count) {
    int rc = 0;
    for (int id = 0; id < count; id++) {
        const uint8_t *data = fileGetPtr(id);
        if (setTexObject(data, fileGetSize(id), id) != id) {
            rliDbgLog("pack entry %d is missing or not a picture the toolkit reads\n", id);
            rc = -1;
        }
    }
    return rc;
}
