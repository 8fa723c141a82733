// xml: the tag dialect every parameter file of the card is written in.
//
// It looks like XML but has no attributes, entities, comments, declarations
// or nesting checks. A document is a flat list of elements in file order (open
// tag, close tag or value text), each with the number of tabs that stood in
// front of it, so the parameter-file modules can walk it with small state
// machines and update a file in place: overwrite the values they know, append
// the missing ones, and write the list back with everything else unchanged.
//
// Bytes, not characters: tag names are ASCII and compared without regard to
// ASCII case; values are short decimal numbers or card-relative paths. Reading
// never trusts the input: over-long tags, values and tokens are cut (see
// kXmlTextMax, kXmlPendingMax) and reading goes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/list.h"

// Longest tag name or value kept, in bytes (the field holds one more for the zero).
constexpr size_t kXmlTextMax = 35;
// Room for one pending token (a tag with its brackets, or a value) while reading.
constexpr size_t kXmlPendingMax = 256;

enum eXMLELEMENT_TYPE : int32_t {
    XML_ELEMENT_OPEN = 0,   // open tag: text is the name
    XML_ELEMENT_CLOSE = 1,  // close tag: text is the name
    XML_ELEMENT_VALUE = 2,  // value: text is the value as it stood, spaces included
};

// One element ("ELEM" when read, "xmlelm" when built).
struct _sXMLElement {
    _sXMLElement *next;         // list links
    _sXMLElement *prev;
    eXMLELEMENT_TYPE type;      // what the element is
    char text[kXmlTextMax + 1]; // tag name or value, zero-terminated, at most 35 bytes
    int32_t level;              // tabs that preceded the element; written back as tabs
};

// A document ("XML"): the elements in document order.
struct _sXML {
    sListBase elements;    // of _sXMLElement
    int32_t lostElements;  // elements dropped while reading because memory ran out
};

// Called once per element while parsing; `elem` lives only during the call.
typedef void (*xmlElementFn)(void *ctx, const _sXMLElement *elem);

// --- Reading and disposing -----------------------------------------------------

// Reads the file at byte path `path`. With a `root`, the bytes must contain
// "<root>" and "</root>" (exact, case-sensitive, in any order). Returns a new
// document, or null when the file cannot be read, the root check fails or
// the document head cannot be allocated; nothing stays allocated then. An
// element that cannot be allocated is left out and counted in lostElements.
_sXML *xmlOpen(const char *path, const char *root);
// As xmlOpen for bytes already in memory. Null on failure, nothing allocated.
_sXML *xmlOpenMemory(const uint8_t *data, size_t size, const char *root);
// Returns whether `data` holds both "<root>" and "</root>". Changes nothing.
bool xmlHasRoot(const uint8_t *data, size_t size, const char *root);
// Splits `data` into elements and hands each to `fn`, in order, without
// building a document; stops at the end or at the first zero byte. Never fails.
void xmlParse(const uint8_t *data, size_t size, xmlElementFn fn, void *ctx);
// Returns the first element, null for an empty or null document.
_sXMLElement *xmlGetFirstElementPtr(const _sXML *xml);
// Frees every element and the document; null is ignored.
void xmlDispose(_sXML *xml);

// --- Building ------------------------------------------------------------------

// Returns a new document holding the open and the close tag of `root`, both at
// level 0; null when memory runs out (nothing allocated).
_sXML *xmlCreate(const char *root);
// Returns a new element ("xmlelm") with `text` cut to 35 bytes; null when
// memory runs out.
_sXMLElement *elemCreateTag(const char *text, eXMLELEMENT_TYPE type, int level);
// Returns whether `text` reads back as one value exactly as it stands: at most
// 35 bytes, no "<" or ">" (they would open or close an element) and no
// control byte (a reader drops tabs and line ends and stops at a zero).
bool xmlValueIsWritable(const char *text);
// Inserts an open tag (isClose 0) or a close tag before the document's last
// element. Returns 0, or -1 with the document unchanged.
int xmlAddTag(_sXML *xml, const char *name, int isClose, int level);
// Inserts before the last element: open tag at `level`, the value at level 0,
// close tag at level 0. Returns 0, or -1 with the document unchanged (all three
// elements are made before any is inserted; a text that is not writable is
// refused).
int xmlAddValue(_sXML *xml, const char *name, const char *text, int level);
int xmlAddValue(_sXML *xml, const char *name, int number, int level);
// As xmlAddTag / xmlAddValue, inserting before `before` (at the end when it is
// null). Returns 0, or -1 with the document unchanged.
int xmlInsertTag(_sXML *xml, _sXMLElement *before, const char *name, int isClose, int level);
int xmlInsertValue(_sXML *xml, _sXMLElement *before, const char *name, const char *text, int level);

// --- Editing -------------------------------------------------------------------

// Replaces the value after the `index`th open tag named `name` (counted from 0,
// any case). An occurrence with no value right after it only advances the count.
// Returns 0, or -1 with nothing changed when no value was replaced or the text
// is not writable.
int xmlSetValue(_sXML *xml, const char *name, int number, int index);
int xmlSetValue(_sXML *xml, const char *name, const char *text, int index);
// Returns 0 when the `index`th open tag named `name` exists, else -1.
int xmlFindTag(const _sXML *xml, const char *name, int index);
// Returns whether `a` and `b` are equal without regard to ASCII case.
bool xmlNameIs(const char *a, const char *b);

// --- Writing -------------------------------------------------------------------

// Returns the bytes xmlSave would write. Never fails (empty for null).
std::string xmlToText(const _sXML *xml);
// Replaces the file at `path` with the document, through a temporary file in
// the same folder. Returns 0, or -1 with the old file (if any) untouched.
int xmlSave(const _sXML *xml, const char *path);
