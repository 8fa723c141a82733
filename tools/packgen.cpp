// kvb-packgen: renders the interface's pictures and writes the resource pack
// and its contact sheet.
//
//   kvb-packgen SOURCES PACK CONTACT_SHEET
//
// SOURCES is the folder of picture sources (resources/pictures):
//   NNN_name.svg, NNN-MMM_name.svg  the pictures NNN (to MMM) stacked top to
//       bottom, each of its width and height in the entry table
//       (resource/pictures.h); the document is exactly as wide as they are
//       and as high as all of them together. Rendered with librsvg at 96 dpi.
//   sheets.txt  the glyph sheets, drawn with FreeType:
//       sheet ENTRY FACE PIXELS BASELINE CHARACTERS [RAISED]
//       CHARACTERS is "ascii" (32-127) or the characters in cell order;
//       each glyph is white, centred in its cell, its baseline BASELINE
//       pixels below the cell's top; the characters in RAISED sit a fifth
//       of a cell higher (the texture font draws them that much lower).
//   contrast.txt  the text that the screens draw over pictures:
//       ENTRY X Y W H [tint RRGGBB] text RRGGBB...
//       Every pixel of the rectangle, multiplied by the tint, must give
//       every text colour a contrast of at least 4.5:1.
// Every entry must come from exactly one source at exactly its size, and a
// 24-bit picture must be opaque; otherwise the tool fails (exit 1) and writes
// nothing. PACK gets every entry as a TGA picture (resource/tga.h) with a
// 24-byte name field each; CONTACT_SHEET is a PNG of all of them with a
// mock-up of the screens and the fonts.
//
// The output depends only on the sources, the fonts and the libraries'
// versions: no time stamps, fixed resolution, so two builds give the same bytes.
#include <librsvg/rsvg.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "picture_io.h"
#include "resource/pack.h"
#include "resource/pictures.h"
#include "resource/tga.h"
#include "tool_util.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kPackFlags = PACK_NAMES_24;
constexpr size_t kNameWidth = 24;

// --- SVG sources ---------------------------------------------------------------------

// Reads "NNN" or "NNN-MMM" at the start of a file name.
bool entryRange(const std::string &name, int &first, int &last) {
    unsigned a = 0, b = 0;
    int used = 0;
    if (std::sscanf(name.c_str(), "%3u-%3u_%n", &a, &b, &used) == 2 && used == 8) {
    } else if (std::sscanf(name.c_str(), "%3u_%n", &a, &used) == 1 && used == 4) {
        b = a;
    } else {
        return false;
    }
    first = static_cast<int>(a);
    last = static_cast<int>(b);
    return first <= last && last < kPictureCount;
}

// Cairo's premultiplied native-endian pixels to straight RGBA.
Canvas fromCairo(cairo_surface_t *surface, int y0, int w, int h) {
    Canvas c(w, h);
    const uint8_t *data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t px;
            std::memcpy(&px, data + static_cast<size_t>(y0 + y) * stride + x * 4, 4);
            unsigned a = px >> 24;
            uint8_t *d = c.at(x, y);
            for (int k = 0; k < 3; ++k) {
                unsigned v = (px >> (16 - 8 * k)) & 255;
                d[k] = static_cast<uint8_t>(a ? std::min(255u, (v * 255 + a / 2) / a) : 0);
            }
            d[3] = static_cast<uint8_t>(a);
        }
    return c;
}

void renderSvg(const fs::path &path, int first, int last, std::vector<Canvas> &out, std::vector<std::string> &from) {
    GError *error = nullptr;
    RsvgHandle *handle = rsvg_handle_new_from_file(path.c_str(), &error);
    if (!handle) {
        std::string why = error ? error->message : "cannot be read";
        if (error) g_error_free(error);
        fail(path.string() + ": " + why);
    }
    rsvg_handle_set_dpi(handle, 96.0);
    int width = kPictures[first].width, height = 0;
    for (int id = first; id <= last; ++id) {
        if (kPictures[id].width != width) fail(path.string() + ": pictures of one source must be equally wide");
        height += kPictures[id].height;
    }
    gdouble w = 0, h = 0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle, &w, &h) || w != width || h != height) {
        g_object_unref(handle);
        fail(path.string() + ": the document must be " + std::to_string(width) + " x " + std::to_string(height) +
             " pixels, not " + std::to_string(w) + " x " + std::to_string(h));
    }
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t *cr = cairo_create(surface);
    RsvgRectangle viewport = {0, 0, static_cast<double>(width), static_cast<double>(height)};
    bool ok = rsvg_handle_render_document(handle, cr, &viewport, &error);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    g_object_unref(handle);
    if (!ok) {
        std::string why = error ? error->message : "cannot be rendered";
        if (error) g_error_free(error);
        cairo_surface_destroy(surface);
        fail(path.string() + ": " + why);
    }
    for (int id = first, y = 0; id <= last; y += kPictures[id].height, ++id) {
        if (!from[id].empty()) fail(path.string() + ": picture " + std::to_string(id) + " also comes from " + from[id]);
        out[id] = fromCairo(surface, y, width, kPictures[id].height);
        from[id] = path.filename().string();
    }
    cairo_surface_destroy(surface);
}

// --- Glyph sheets --------------------------------------------------------------------------

void renderSheet(FT_Library ft, const std::vector<std::string> &w, const std::string &where, std::vector<Canvas> &out,
                 std::vector<std::string> &from) {
    if (w.size() < 6 || w.size() > 7) fail(where + ": expected sheet ENTRY FACE PIXELS BASELINE CHARACTERS [RAISED]");
    int id = std::stoi(w[1]), pixels = std::stoi(w[3]), baseline = std::stoi(w[4]);
    const sPicture *p = pictureGet(id);
    if (!p || p->columns * p->rows < 2) fail(where + ": entry " + w[1] + " is not a glyph sheet");
    if (!from[id].empty()) fail(where + ": picture " + w[1] + " also comes from " + from[id]);
    std::string chars = w[5];
    if (chars == "ascii") {
        chars.clear();
        for (int c = 32; c < 128; ++c) chars += static_cast<char>(c);
    }
    if (static_cast<int>(chars.size()) > p->columns * p->rows) fail(where + ": more characters than cells");
    std::string raised = w.size() == 7 ? w[6] : "";
    FT_Face face;
    if (FT_New_Face(ft, w[2].c_str(), 0, &face)) fail(where + ": " + w[2] + " cannot be opened");
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels));
    int cellW = p->width / p->columns, cellH = p->height / p->rows;
    Canvas sheet(p->width, p->height);
    for (auto &v : sheet.rgba) v = 0;
    for (size_t i = 0; i < chars.size(); ++i) {
        auto c = static_cast<unsigned char>(chars[i]);
        if (c == 127 || FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT)) continue;
        const FT_Bitmap &b = face->glyph->bitmap;
        int cx = static_cast<int>(i % p->columns) * cellW, cy = static_cast<int>(i / p->columns) * cellH;
        int lift = raised.find(static_cast<char>(c)) != std::string::npos ? cellH / 5 : 0;
        int x0 = cx + (cellW - static_cast<int>(b.width)) / 2, y0 = cy + baseline - lift - face->glyph->bitmap_top;
        for (unsigned r = 0; r < b.rows; ++r)
            for (unsigned x = 0; x < b.width; ++x) {
                int dx = x0 + static_cast<int>(x), dy = y0 + static_cast<int>(r);
                if (dx < cx || dx >= cx + cellW || dy < cy || dy >= cy + cellH) continue;
                uint8_t *d = sheet.at(dx, dy);
                d[0] = d[1] = d[2] = 255;
                d[3] = b.buffer[static_cast<ptrdiff_t>(r) * b.pitch + x];
            }
    }
    FT_Done_Face(face);
    out[id] = sheet;
    from[id] = "sheets.txt";
}

// --- Checks ------------------------------------------------------------------------------------

uint32_t parseColour(const std::string &word, const std::string &where) {
    if (word.size() != 6 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        fail(where + ": not a colour RRGGBB: " + word);
    return static_cast<uint32_t>(std::stoul(word, nullptr, 16));
}

void checkContrast(const std::vector<std::string> &w, const std::string &where, const std::vector<Canvas> &pictures) {
    if (w.size() < 7) fail(where + ": expected ENTRY X Y W H [tint RRGGBB] text RRGGBB...");
    int id = std::stoi(w[0]), x = std::stoi(w[1]), y = std::stoi(w[2]), rw = std::stoi(w[3]), rh = std::stoi(w[4]);
    const sPicture *p = pictureGet(id);
    if (!p || x < 0 || y < 0 || rw < 1 || rh < 1 || x + rw > p->width || y + rh > p->height)
        fail(where + ": no such picture or rectangle");
    size_t k = 5;
    uint32_t tint = 0xFFFFFF;
    if (w[k] == "tint" && k + 1 < w.size()) {
        tint = parseColour(w[k + 1], where);
        k += 2;
    }
    if (k >= w.size() || w[k] != "text" || k + 1 >= w.size()) fail(where + ": no text colours");
    for (++k; k < w.size(); ++k) {
        uint32_t text = parseColour(w[k], where);
        double worst = 21;
        for (int yy = y; yy < y + rh; ++yy)
            for (int xx = x; xx < x + rw; ++xx) {
                const uint8_t *px = pictures[id].rgba.data() + (static_cast<size_t>(yy) * p->width + xx) * 4;
                uint32_t bg = 0;
                for (int c = 0; c < 3; ++c) {
                    unsigned v = px[c] * px[3] / 255 * ((tint >> (16 - 8 * c)) & 255) / 255;
                    bg |= v << (16 - 8 * c);
                }
                worst = std::min(worst, contrastRatio(bg, text));
            }
        if (worst < 4.5) {
            char ratio[16];
            std::snprintf(ratio, sizeof ratio, "%.2f", worst);
            fail(where + ": text " + w[k] + " over picture " + w[0] + " reaches only " + ratio + ":1");
        }
    }
}

std::vector<std::vector<std::string>> readWords(const fs::path &path, std::vector<std::string> *where) {
    std::ifstream in(path);
    if (!in) fail(path.string() + ": cannot be read");
    std::vector<std::vector<std::string>> lines;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.empty() || w[0][0] == '#') continue;
        lines.push_back(w);
        where->push_back(path.filename().string() + ":" + std::to_string(n));
    }
    return lines;
}

// --- Contact sheet ----------------------------------------------------------------------------

void checker(Canvas &c, int x, int y, int w, int h) {
    for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx) c.fill(x + xx, y + yy, 1, 1, ((xx / 8 + yy / 8) & 1) ? 0x3a3a3a : 0x2a2a2a);
}

Canvas shrink(const Canvas &src, int factor) {
    Canvas out(src.width / factor, src.height / factor);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) std::memcpy(out.at(x, y), src.rgba.data() + (static_cast<size_t>(y * factor) * src.width + x * factor) * 4, 4);
    return out;
}

Canvas tinted(const Canvas &src, uint32_t rgb) {
    Canvas c = src;
    c.tint(0, 0, c.width, c.height, rgb);
    return c;
}

// Places pictures and texts on the contact sheet relative to an origin.
struct Mock {
    Canvas &sheet;
    const std::vector<Canvas> &p;
    int ox, oy;
    void put(int id, int x, int y) { sheet.blend(p[id], ox + x, oy + y); }
    void text(int size, int x, int y, const char *s, uint32_t rgb) { canvasText(sheet, size, ox + x, oy + y, s, rgb); }
};

// The main window as the layout places its pictures, with sample texts in
// the colours the screens use.
void mockMain(Mock m) {
    Canvas &sheet = m.sheet;
    const std::vector<Canvas> &p = m.p;
    int ox = m.ox, oy = m.oy;
    m.put(eFILE_MAIN_BG, 0, 0);
    m.put(eFILE_HEADER, 30, 15);
    m.put(eFILE_NEW_CATEGORY, 312, 23);
    m.put(eFILE_IMPORT + 1, 352, 23);
    m.text(8, 42, 44, "File:1234/10000 Remain:12.3GB(41%)", 0xe6e6e6);
    const struct {
        const char *name;
        bool category, fresh, selected, used;
    } rows[] = {{"Kick", true, false, false, false},   {"0001 Kick Deep", false, false, false, true},
                {"0002 Kick Tight", false, false, true, true}, {"0003 Kick Room", false, true, false, false},
                {"Snare", true, false, false, false},  {"0010 Snare Rim", false, false, false, false},
                {"0011 Snare Fat", false, true, false, true}, {"Tom", true, false, false, false}};
    int shade = 0;
    for (int i = 0; i < 8; ++i) {
        int y = 75 + 20 * i;
        shade = rows[i].category ? 0 : shade + 1;
        uint32_t tint = rows[i].selected ? 0x6468fd : (!rows[i].category && shade % 2) ? 0x484848 : 0x353535;
        sheet.blend(tinted(p[eFILE_LIST_ROW], tint), ox + 30, oy + y);
        if (rows[i].category) sheet.blend(tinted(p[eFILE_MARK_OPEN], 0xffffff), ox + 36, oy + y + 4);
        if (rows[i].used) sheet.blend(tinted(p[eFILE_KIT_MARK], 0xe6e6e6), ox + 352, oy + y + 4);
        uint32_t colour = rows[i].category ? 0xffffff : rows[i].fresh ? 0xec8736 : 0xe6e6e6;
        m.text(12, rows[i].category ? 54 : 60, y + 15, rows[i].name, colour);
    }
    sheet.blend(tinted(p[eFILE_ROW_FOCUS], 0xffffff), ox + 30, oy + 95);
    m.put(eFILE_DROP_LINE, 30, 234);
    m.put(eFILE_SCROLL_TRACK, 374, 75);
    m.put(eFILE_SCROLL_UP, 374, 75);
    m.put(eFILE_SCROLL_DOWN, 374, 499);
    m.put(eFILE_SLIDER_KNOB, 370, 120);
    m.put(eFILE_KIT_PANEL, 410, 15);
    m.put(eFILE_NUMBER_FIELD, 418, 25);
    m.put(eFILE_SPIN_UP, 464, 25);
    m.put(eFILE_SPIN_DOWN + 1, 464, 39);
    m.put(eFILE_NAME_FIELD, 490, 27);
    m.put(eFILE_SUBNAME_FIELD, 598, 27);
    m.text(16, 425, 46, "12", 0x000000);
    m.text(12, 496, 44, "Rock Kit", 0x000000);
    m.text(12, 604, 44, "Live set, room", 0x000000);
    for (int i = 0; i < 15; ++i) {
        bool ex = i >= 9;
        int col = (ex ? i - 9 : i) % 3, row = (ex ? i - 9 : i) / 3;
        int x = 410 + col * 124, y = ex ? 315 + row * 58 : 75 + row * 80;
        m.put(ex ? (i == 10 ? eFILE_EXPAD + 1 : eFILE_EXPAD) : eFILE_PAD, x, y);
        char number[16];
        std::snprintf(number, sizeof number, "%d", i + 1);
        m.text(10, x + 8, y + 14, number, 0xa0a8b4);
        m.text(12, x + 8, y + (ex ? 30 : 36), i % 4 == 3 ? "" : "Kick Deep", i == 4 ? 0x9da0ff : 0xec8736);
        if (!ex) m.text(12, x + 8, y + 56, i % 3 == 0 ? "Snare Rim" : "", 0xe6e6e6);
    }
    m.put(eFILE_PAD_SELECTED, 534, 155);
    m.put(eFILE_PAD_FOCUS, 532, 153);
    m.put(eFILE_PLAYER_PANEL, 410, 431);
    m.put(eFILE_PLAY + 2, 422, 443);
    m.put(eFILE_STOP, 466, 443);
    m.put(eFILE_LOOP + 2, 510, 443);
    m.text(12, 566, 464, "01:12/02:24", 0xe6e6e6);
    m.text(10, 566, 480, "16bit/44100Hz/Stereo/128KB", 0xb8c0cc);
    m.put(eFILE_TIMEBAR_TRACK, 422, 505);
    m.put(eFILE_TIMEBAR_KNOB, 532, 499);
    m.put(eFILE_SLIDER_TRACK, 735, 440);
    m.put(eFILE_SLIDER_FILL, 735, 440);
    m.put(eFILE_SLIDER_KNOB, 735, 470);
    m.put(eFILE_EXIT, 674, 555);
}

// The secondary windows' backgrounds with their buttons and fields.
void mockDialogs(Mock m) {
    Canvas &sheet = m.sheet;
    const std::vector<Canvas> &p = m.p;
    int ox = m.ox;
    int &oy = m.oy;
    // Wave edit window, 280 x 170.
    m.put(eFILE_DIALOG_SMALL_BG, 0, 0);
    m.text(12, 16, 30, "Name", 0xffffff);
    m.put(eFILE_TEXT_FIELD, 64, 14);
    m.text(12, 70, 31, "Kick Deep", 0x000000);
    m.text(12, 16, 66, "Category", 0xffffff);
    m.put(eFILE_CHOOSER, 84, 50);
    m.text(12, 90, 67, "Kick", 0x000000);
    m.put(eFILE_DELETE, 16, 126);
    m.put(eFILE_OK, 100, 126);
    m.put(eFILE_CANCEL + 1, 184, 126);
    m.text(12, 36, 145, "Delete", 0x000000);
    m.text(12, 132, 145, "OK", 0x000000);
    m.text(12, 202, 146, "Cancel", 0x000000);
    // Wave import window, 512 x 170.
    int x = 0;
    oy += 190;
    m.put(eFILE_DIALOG_BG, x, 0);
    m.put(eFILE_BROWSE, x + 16, 14);
    m.text(12, x + 30, 33, "Browse...", 0x000000);
    for (int i = 0; i < 3; ++i) {
        sheet.blend(tinted(p[eFILE_IMPORT_ROW], i == 1 ? 0x6468fd : 0x353535), ox + x + 110, oy + 14 + 20 * i);
        m.text(12, x + 118, 29 + 20 * i, i == 1 ? "snare_fat.wav  Stereo" : "kick_deep.wav  Mono", 0xe6e6e6);
    }
    m.put(eFILE_PLAY, x + 16, 86);
    m.put(eFILE_STOP, x + 60, 86);
    m.put(eFILE_LOOP, x + 104, 86);
    m.put(eFILE_KNOB, x + 156, 82);
    m.put(eFILE_CHOOSER, x + 212, 90);
    m.text(12, x + 218, 107, "Create New Category", 0x000000);
    m.put(eFILE_OK, x + 316, 130);
    m.put(eFILE_CANCEL, x + 408, 130);
    m.text(12, x + 348, 149, "OK", 0x000000);
    m.text(12, x + 426, 149, "Cancel", 0x000000);
    // Pop-up list beside the wave edit window, progress window below the import window.
    oy -= 190;
    const uint32_t rowTint[] = {0xffffff, 0xec8736, 0x0a246a, 0xec8736};
    for (int i = 0; i < 4; ++i) {
        sheet.blend(tinted(p[i == 0 ? eFILE_POPUP_ROW_NEW : eFILE_POPUP_ROW], rowTint[i]), ox + 300, oy + 20 * i);
        m.text(12, 316, 15 + 20 * i, i == 0 ? "Create New Category" : i == 2 ? "Snare" : "Kick", i == 2 ? 0xffffff : 0x000000);
    }
    m.put(eFILE_POPUP_OPEN_MARK, 304, 25);
    for (int i = 0; i < 3; ++i) {
        sheet.blend(tinted(p[eFILE_POPUP_ROW_KIT], i == 1 ? 0xff8080 : 0xffffff), ox + 480, oy + 20 * i);
        char label[16];
        std::snprintf(label, sizeof label, "Kit %d", 5 + 8 * i);
        m.text(12, 486, 15 + 20 * i, label, 0x000000);
    }
    oy += 380;
    m.put(eFILE_PROGRESS_BG, 0, 0);
    m.text(12, 16, 24, "Saving the backup...", 0xffffff);
    m.put(eFILE_BAR_BACK, 16, 34);
    Canvas fill = p[eFILE_BAR_FILL];
    for (int yy = 0; yy < fill.height; ++yy)
        for (int xx = 120; xx < fill.width; ++xx) fill.at(xx, yy)[3] = 0;
    sheet.blend(fill, ox + 16, oy + 34);
    m.put(eFILE_BAR_EDGE, 132, 34);
    m.put(eFILE_BAR_FRAME, 16, 34);
    m.put(eFILE_CANCEL, 204, 66);
    m.text(12, 222, 85, "Cancel", 0x000000);
}

Canvas contactSheet(const std::vector<Canvas> &p) {
    const int kCell = 220, kColumns = 7;
    int gridRows = (kPictureCount + kColumns - 1) / kColumns;
    std::vector<int> rowHeight(gridRows, 0);
    for (int id = 0; id < kPictureCount; ++id) {
        int f = std::max(1, (p[id].width + kCell - 21) / (kCell - 20));
        rowHeight[id / kColumns] = std::max(rowHeight[id / kColumns], p[id].height / f + 40);
    }
    int gridTop = 640, fontTop = gridTop;
    for (int h : rowHeight) fontTop += h;
    Canvas sheet(kColumns * kCell, fontTop + 5 * 34 + 20, 0x202226);
    mockMain({sheet, p, 10, 20});
    mockDialogs({sheet, p, 830, 20});
    canvasText(sheet, 12, 10, 14, "Main window", 0xffffff);
    canvasText(sheet, 12, 830, 14, "Secondary windows", 0xffffff);
    int y = gridTop;
    for (int row = 0; row < gridRows; ++row) {
        for (int col = 0; col < kColumns; ++col) {
            int id = row * kColumns + col;
            if (id >= kPictureCount) break;
            const sPicture &e = kPictures[id];
            int f = std::max(1, (p[id].width + kCell - 21) / (kCell - 20));
            Canvas shown = f > 1 ? shrink(p[id], f) : p[id];
            int x = col * kCell + 10;
            char label[80];
            std::snprintf(label, sizeof label, "%d %s", id, e.name);
            canvasText(sheet, 10, x, y + 12, label, 0xffffff);
            std::snprintf(label, sizeof label, "%dx%d %d bit%s", e.width, e.height, e.bits, f > 1 ? " (shrunk)" : "");
            canvasText(sheet, 8, x, y + 24, label, 0xb0b0b0);
            checker(sheet, x, y + 30, shown.width, shown.height);
            sheet.blend(shown, x, y + 30);
        }
        y += rowHeight[row];
    }
    const int sizes[] = {8, 10, 12, 16, 22};
    for (int i = 0; i < 5; ++i) {
        char line[200];
        std::snprintf(line, sizeof line,
                      "%d px: The quick brown fox jumps over 0123456789 (gjpqy) \xB6\xC0\xB6\xC5 "
                      "\x83\x4C\x83\x62\x83\x67 \x94\x67\x8C\x60\x95\x5C\x8E\xA6 \xF0\x40",
                      sizes[i]);
        canvasText(sheet, sizes[i], 10, fontTop + 30 + 34 * i, line, 0xffffff);
    }
    return sheet;
}

// --- Output --------------------------------------------------------------------------------------

int run(int argc, char **argv) {
    if (argc != 4) {
        std::cerr << "usage: kvb-packgen SOURCES PACK CONTACT_SHEET\n";
        return 2;
    }
    fs::path sources = argv[1];
    std::vector<Canvas> pictures(kPictureCount);
    std::vector<std::string> from(kPictureCount);

    std::vector<fs::path> svgs;
    for (const auto &e : fs::directory_iterator(sources))
        if (e.path().extension() == ".svg") svgs.push_back(e.path());
    std::sort(svgs.begin(), svgs.end());
    for (const auto &path : svgs) {
        int first, last;
        if (!entryRange(path.filename().string(), first, last))
            fail(path.string() + ": the name must start with NNN_ or NNN-MMM_ (entries 0 to 102)");
        renderSvg(path, first, last, pictures, from);
    }

    FT_Library ft;
    if (FT_Init_FreeType(&ft)) fail("FreeType cannot start");
    std::vector<std::string> where;
    auto sheets = readWords(sources / "sheets.txt", &where);
    for (size_t i = 0; i < sheets.size(); ++i) renderSheet(ft, sheets[i], where[i], pictures, from);
    FT_Done_FreeType(ft);

    std::vector<std::vector<uint8_t>> entries;
    std::vector<uint8_t> names(kNameWidth * kPictureCount, 0);
    for (int id = 0; id < kPictureCount; ++id) {
        const sPicture &e = kPictures[id];
        if (from[id].empty()) fail("picture " + std::to_string(id) + " (" + e.name + ") has no source");
        const Canvas &c = pictures[id];
        if (e.bits == 24)
            for (size_t i = 3; i < c.rgba.size(); i += 4)
                if (c.rgba[i] != 255) fail(from[id] + ": picture " + std::to_string(id) + " is 24-bit but not opaque");
        entries.push_back(tgaEncode(c.rgba.data(), c.width, c.height, e.bits));
        std::strncpy(reinterpret_cast<char *>(names.data() + kNameWidth * id), e.name, kNameWidth - 1);
    }
    where.clear();
    auto pairs = readWords(sources / "contrast.txt", &where);
    for (size_t i = 0; i < pairs.size(); ++i) checkContrast(pairs[i], where[i], pictures);

    std::vector<uint8_t> pack = rkePackBuild(entries, kPackFlags, names.data(), nullptr);
    if (pack.empty() || rkePackCheck(pack.data(), pack.size(), nullptr, 0) < 0) fail("the pack cannot be built");
    Canvas sheet = contactSheet(pictures);
    std::string error;
    writeReplacing(argv[2], pack.data(), pack.size());
    if (!pngWrite(argv[3], sheet, &error)) fail(error);
    return 0;
}

}  // namespace

int main(int argc, char **argv) { return toolMain("kvb-packgen", run, argc, argv); }
