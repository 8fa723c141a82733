// The tag dialect's reader and writer. See xml.h.
#include "wavelib/xml.h"

#include <cstdio>
#include <cstring>

#include "foundation/file.h"
#include "foundation/mem.h"

namespace {

// Open tags of these names end their line; every other open tag shares its
// line with its value and close tag.
constexpr const char *kContainers[] = {"WvPrm", "TagList", "TagPrm", "KitPrm", "PadPrm"};

void setText(_sXMLElement *e, const char *text, size_t length) {
    if (length > kXmlTextMax) length = kXmlTextMax;
    std::memcpy(e->text, text, length);
    e->text[length] = '\0';
}

// One token being collected. A token that outgrows the buffer keeps its first
// kXmlPendingMax bytes; the rest is dropped until the byte that ends it, so
// one damaged token costs one element and the walk stays in step.
struct Tokenizer {
    char buf[kXmlPendingMax];
    size_t len = 0;
    int32_t tabs = 0;
    xmlElementFn fn;
    void *ctx;

    void append(char c) {
        if (len < sizeof buf) buf[len++] = c;
    }

    void emit(int32_t level) {
        if (len == 0) return;
        _sXMLElement e;
        e.next = e.prev = nullptr;
        e.level = level;
        // A tag's text is the token less its brackets. A token cut off by the
        // next "<" loses its last byte as the bracket would; "<" or "</" alone
        // make an empty name rather than a negative length.
        if (buf[0] != '<') {
            e.type = XML_ELEMENT_VALUE;
            setText(&e, buf, len);
        } else if (len >= 2 && buf[1] == '/') {
            e.type = XML_ELEMENT_CLOSE;
            setText(&e, buf + 2, len >= 3 ? len - 3 : 0);
        } else {
            e.type = XML_ELEMENT_OPEN;
            setText(&e, buf + 1, len >= 2 ? len - 2 : 0);
        }
        len = 0;
        fn(ctx, &e);
    }
};

void appendElement(void *ctx, const _sXMLElement *elem) {
    auto *xml = static_cast<_sXML *>(ctx);
    auto *e = static_cast<_sXMLElement *>(memMalloc(sizeof(_sXMLElement), "ELEM"));
    // An element that cannot be allocated is lost alone; reading goes on, and
    // the count tells an in-place writer not to build on the gap.
    if (!e) {
        ++xml->lostElements;
        return;
    }
    *e = *elem;
    rliListAddTail(&xml->elements, e);
}

bool isContainer(const char *name) {
    for (const char *c : kContainers)
        if (xmlNameIs(name, c)) return true;
    return false;
}

_sXMLElement *lastElement(const _sXML *xml) { return static_cast<_sXMLElement *>(xml->elements.last); }

void formatNumber(char *buf, size_t cap, int number) { std::snprintf(buf, cap, "%d", number); }

}  // namespace

// --- Reading and disposing -------------------------------------------------------

bool xmlHasRoot(const uint8_t *data, size_t size, const char *root) {
    if (!data || !root) return false;
    std::string open = std::string("<") + root + ">";
    std::string close = std::string("</") + root + ">";
    return memmem(data, size, open.data(), open.size()) && memmem(data, size, close.data(), close.size());
}

void xmlParse(const uint8_t *data, size_t size, xmlElementFn fn, void *ctx) {
    if (!data || !fn) return;
    Tokenizer t;
    t.fn = fn;
    t.ctx = ctx;
    for (size_t i = 0; i < size; ++i) {
        char c = static_cast<char>(data[i]);
        switch (c) {
        case '\0': return;  // the text ends at the first zero byte
        case '\r':
        case '\n': break;   // line ends carry no meaning, even inside a value
        case '\t':
            if (t.tabs < INT32_MAX) ++t.tabs;
            break;
        case '<': {
            bool wasEmpty = t.len == 0;
            t.emit(t.tabs);
            // Tabs seen while a value was pending were that value's; tabs
            // before a fresh "<" belong to the tag it starts.
            if (!wasEmpty) t.tabs = 0;
            t.append('<');
            break;
        }
        case '>':
            t.append('>');
            t.emit(t.tabs);
            t.tabs = 0;
            break;
        default: t.append(c);
        }
    }
    // Text after the last ">" is not part of the document.
}

_sXML *xmlOpenMemory(const uint8_t *data, size_t size, const char *root) {
    if (!data) return nullptr;
    if (root && !xmlHasRoot(data, size, root)) return nullptr;
    auto *xml = static_cast<_sXML *>(memCalloc(sizeof(_sXML), "XML"));
    if (!xml) return nullptr;
    xmlParse(data, size, appendElement, xml);
    return xml;
}

_sXML *xmlOpen(const char *path, const char *root) {
    _sRliFile *f = rliFileOpenA(path, cRLIFILE_MODE_READ_BINARY, -1);
    if (!f) return nullptr;
    _sXML *xml = xmlOpenMemory(rliFileGetDataAddr(f), rliFileGetDataSize(f), root);
    rliFileClose(f);
    return xml;
}

_sXMLElement *xmlGetFirstElementPtr(const _sXML *xml) {
    return xml ? static_cast<_sXMLElement *>(xml->elements.first) : nullptr;
}

void xmlDispose(_sXML *xml) {
    if (!xml) return;
    rliListFreeList(&xml->elements);
    memFree(xml);
}

// --- Building ----------------------------------------------------------------------

_sXMLElement *elemCreateTag(const char *text, eXMLELEMENT_TYPE type, int level) {
    auto *e = static_cast<_sXMLElement *>(memCalloc(sizeof(_sXMLElement), "xmlelm"));
    if (!e) return nullptr;
    e->type = type;
    e->level = level;
    if (text) setText(e, text, std::strlen(text));
    return e;
}

_sXML *xmlCreate(const char *root) {
    auto *xml = static_cast<_sXML *>(memCalloc(sizeof(_sXML), "XML"));
    if (!xml) return nullptr;
    _sXMLElement *open = elemCreateTag(root, XML_ELEMENT_OPEN, 0);
    _sXMLElement *close = elemCreateTag(root, XML_ELEMENT_CLOSE, 0);
    if (!open || !close) {
        if (open) memFree(open);
        if (close) memFree(close);
        memFree(xml);
        return nullptr;
    }
    rliListAddTail(&xml->elements, open);
    rliListAddTail(&xml->elements, close);
    return xml;
}

int xmlInsertTag(_sXML *xml, _sXMLElement *before, const char *name, int isClose, int level) {
    if (!xml) return -1;
    _sXMLElement *e = elemCreateTag(name, isClose ? XML_ELEMENT_CLOSE : XML_ELEMENT_OPEN, level);
    if (!e) return -1;
    rliListInsertLinkBefore(&xml->elements, before, e);
    return 0;
}

bool xmlValueIsWritable(const char *text) {
    if (!text || strnlen(text, kXmlTextMax + 1) > kXmlTextMax) return false;
    for (const char *p = text; *p; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F || c == '<' || c == '>') return false;
    }
    return true;
}

int xmlInsertValue(_sXML *xml, _sXMLElement *before, const char *name, const char *text, int level) {
    if (!xml || !xmlValueIsWritable(text)) return -1;
    _sXMLElement *open = elemCreateTag(name, XML_ELEMENT_OPEN, level);
    _sXMLElement *value = elemCreateTag(text, XML_ELEMENT_VALUE, 0);
    _sXMLElement *close = elemCreateTag(name, XML_ELEMENT_CLOSE, 0);
    if (!open || !value || !close) {
        for (_sXMLElement *e : {open, value, close})
            if (e) memFree(e);
        return -1;
    }
    rliListInsertLinkBefore(&xml->elements, before, open);
    rliListInsertLinkBefore(&xml->elements, before, value);
    rliListInsertLinkBefore(&xml->elements, before, close);
    return 0;
}

int xmlAddTag(_sXML *xml, const char *name, int isClose, int level) {
    return xml ? xmlInsertTag(xml, lastElement(xml), name, isClose, level) : -1;
}

int xmlAddValue(_sXML *xml, const char *name, const char *text, int level) {
    return xml ? xmlInsertValue(xml, lastElement(xml), name, text, level) : -1;
}

int xmlAddValue(_sXML *xml, const char *name, int number, int level) {
    char buf[16];
    formatNumber(buf, sizeof buf, number);
    return xmlAddValue(xml, name, buf, level);
}

// --- Editing -------------------------------------------------------------------------

bool xmlNameIs(const char *a, const char *b) {
    for (;; ++a, ++b) {
        char la = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a + 32) : *a;
        char lb = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b + 32) : *b;
        if (la != lb) return false;
        if (!la) return true;
    }
}

int xmlSetValue(_sXML *xml, const char *name, const char *text, int index) {
    if (!xml || !name || !xmlValueIsWritable(text)) return -1;
    int count = 0;
    for (auto *e = xmlGetFirstElementPtr(xml); e; e = e->next) {
        if (e->type != XML_ELEMENT_OPEN || !xmlNameIs(e->text, name)) continue;
        if (count == index && e->next && e->next->type == XML_ELEMENT_VALUE) {
            setText(e->next, text, std::strlen(text));
            return 0;
        }
        ++count;
    }
    return -1;
}

int xmlSetValue(_sXML *xml, const char *name, int number, int index) {
    char buf[16];
    formatNumber(buf, sizeof buf, number);
    return xmlSetValue(xml, name, buf, index);
}

int xmlFindTag(const _sXML *xml, const char *name, int index) {
    if (!xml || !name || index < 0) return -1;
    int count = 0;
    for (auto *e = xmlGetFirstElementPtr(xml); e; e = e->next)
        if (e->type == XML_ELEMENT_OPEN && xmlNameIs(e->text, name) && count++ == index) return 0;
    return -1;
}

// --- Writing ---------------------------------------------------------------------------

std::string xmlToText(const _sXML *xml) {
    std::string out;
    for (auto *e = xmlGetFirstElementPtr(xml); e; e = e->next) {
        if (e->level > 0) out.append(static_cast<size_t>(e->level), '\t');
        switch (e->type) {
        case XML_ELEMENT_OPEN:
            out += '<';
            out += e->text;
            out += '>';
            if (isContainer(e->text)) out += '\n';
            break;
        case XML_ELEMENT_CLOSE:
            out += "</";
            out += e->text;
            out += ">\n";
            break;
        case XML_ELEMENT_VALUE: out += e->text; break;
        }
    }
    return out;
}

int xmlSave(const _sXML *xml, const char *path) {
    if (!xml || !path) return -1;
    std::string text = xmlToText(xml);
    return rliFileWriteAll(path, text.data(), text.size());
}
