// kvb-strtable: builds a string-table file from a readable source.
//
//   kvb-strtable [-D NAME=VALUE]... SOURCE OUTPUT
//
// SOURCE is UTF-8 text, one string per line:
//   # a comment             (a line whose first character is '#')
//                           (a blank line)
//   27<TAB>About the program
// A string line is its decimal number, one tab or space, and the text: the
// rest of the line as it stands. In the text, "\n" is a line feed, "\t" a tab
// and "\\" a backslash; "@NAME@" is replaced by the VALUE given with
// -D NAME=VALUE. Every number the program uses must have a non-empty text,
// no number may appear twice or be unknown to the program, and a text may
// fill at most 256 UTF-16 code units.
//
// OUTPUT is the table container the program reads (resource/zanarray.h): one
// type (512-byte elements, no references) and one array, the strings in
// number order, each 256 UTF-16LE units padded with zero units. Numbers the
// source leaves out are empty strings. The file is written under a temporary
// name and renamed into place, so a failed run leaves no half table behind.
// Errors name the source line; the exit status is 1 then, 2 for bad usage.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "resource/dnastr_ids.h"

namespace {

struct Failure {
    std::string text;
};

[[noreturn]] void fail(const std::string &source, int line, const std::string &why) {
    throw Failure{source + ":" + std::to_string(line) + ": " + why};
}

// Strict UTF-8 to UTF-16: overlong forms, surrogates and stray bytes are errors.
bool utf8ToUtf16(const std::string &in, std::u16string &out) {
    out.clear();
    size_t i = 0;
    while (i < in.size()) {
        auto b = static_cast<unsigned char>(in[i]);
        uint32_t cp;
        int follow;
        if (b < 0x80) {
            cp = b;
            follow = 0;
        } else if (b >= 0xC2 && b <= 0xDF) {
            cp = b & 0x1F;
            follow = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            cp = b & 0x0F;
            follow = 2;
        } else if (b >= 0xF0 && b <= 0xF4) {
            cp = b & 0x07;
            follow = 3;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(follow) >= in.size()) return false;
        for (int k = 1; k <= follow; ++k) {
            auto c = static_cast<unsigned char>(in[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = cp << 6 | (c & 0x3F);
        }
        static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[follow] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += follow + 1;
    }
    return true;
}

std::string unescape(const std::string &text, const std::string &source, int line) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (static_cast<unsigned char>(c) < 0x20) fail(source, line, "control character in the text; write \\n or \\t");
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == text.size()) fail(source, line, "the text ends with a lone backslash");
        switch (text[i]) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        default: fail(source, line, std::string("unknown escape \\") + text[i]);
        }
    }
    return out;
}

std::string substitute(const std::string &text, const std::map<std::string, std::string> &defines,
                       const std::string &source, int line) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t at = text.find('@', i);
        size_t close = at == std::string::npos ? at : text.find('@', at + 1);
        if (close == std::string::npos) {
            out += text.substr(i);
            break;
        }
        std::string name = text.substr(at + 1, close - at - 1);
        bool isName = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        });
        out += text.substr(i, at - i);
        if (!isName) {
            out += '@';
            i = at + 1;
            continue;
        }
        auto found = defines.find(name);
        if (found == defines.end()) fail(source, line, "@" + name + "@ has no value; give it with -D " + name + "=...");
        out += found->second;
        i = close + 1;
    }
    return out;
}

std::map<int, std::u16string> parse(const std::string &source, const std::map<std::string, std::string> &defines) {
    std::ifstream in(source, std::ios::binary);
    if (!in) throw Failure{source + ": cannot be read"};
    std::map<int, std::u16string> texts;
    std::string raw;
    int line = 0;
    const auto isUsed = [](long n) {
        return std::find(std::begin(kDnaStrUsed), std::end(kDnaStrUsed), n) != std::end(kDnaStrUsed);
    };
    while (std::getline(in, raw)) {
        ++line;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (line == 1 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
        if (raw.empty() || raw[0] == '#') continue;
        size_t digits = 0;
        while (digits < raw.size() && raw[digits] >= '0' && raw[digits] <= '9') ++digits;
        if (digits == 0 || digits > 5 || digits == raw.size() || (raw[digits] != '\t' && raw[digits] != ' '))
            fail(source, line, "expected a string number, a tab or space, and the text");
        long number = std::stol(raw.substr(0, digits));
        if (!isUsed(number)) fail(source, line, "string " + std::to_string(number) + " is not one the program uses");
        if (texts.count(static_cast<int>(number))) fail(source, line, "string " + std::to_string(number) + " given twice");
        std::string text = substitute(unescape(raw.substr(digits + 1), source, line), defines, source, line);
        std::u16string units;
        if (!utf8ToUtf16(text, units)) fail(source, line, "the text is not valid UTF-8");
        if (units.empty()) fail(source, line, "the text is empty");
        if (units.size() > static_cast<size_t>(kDnaStrUnits))
            fail(source, line, "the text has " + std::to_string(units.size()) + " UTF-16 units; at most " +
                                   std::to_string(kDnaStrUnits) + " fit");
        texts[static_cast<int>(number)] = units;
    }
    for (eDNASTR id : kDnaStrUsed)
        if (!texts.count(id)) throw Failure{source + ": string " + std::to_string(id) + " has no text"};
    return texts;
}

void put16(std::vector<uint8_t> &out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(std::vector<uint8_t> &out, size_t at, uint32_t v) {
    put16(out, at, v & 0xFFFF);
    put16(out, at + 2, v >> 16);
}

// Header 24 bytes, format section 24 bytes (its type table 16 bytes in),
// data section 32 bytes (its array table 16 bytes in), then the strings.
std::vector<uint8_t> container(const std::map<int, std::u16string> &texts) {
    int count = 0;
    for (eDNASTR id : kDnaStrUsed) count = std::max(count, static_cast<int>(id) + 1);
    constexpr size_t kFormat = 24, kData = 48, kStrings = 32;
    std::vector<uint8_t> out(kData + kStrings + static_cast<size_t>(count) * kDnaStrBytes, 0);
    const char magic[12] = {'K', 'V', 'B', 'S', 'T', 'R', 'T', 'A', 'B', 'L', 'E', 0};
    std::copy(magic, magic + 12, out.begin());
    put32(out, 16, kFormat);
    put32(out, 20, kData);
    put16(out, kFormat + 4, 1);              // one type
    put32(out, kFormat + 12, 16);            // its table
    put16(out, kFormat + 16, kDnaStrBytes);  // element size; high byte, references and list stay 0
    put32(out, kData + 4, 1);                // one array
    put32(out, kData + 8, 16);               // its table
    put16(out, kData + 16, 0);               // of type 0
    put16(out, kData + 18, static_cast<uint32_t>(count));
    put32(out, kData + 20, kStrings);
    for (const auto &[number, units] : texts)
        for (size_t i = 0; i < units.size(); ++i)
            put16(out, kData + kStrings + static_cast<size_t>(number) * kDnaStrBytes + 2 * i, units[i]);
    return out;
}

void writeAtomically(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temp.c_str());
            throw Failure{path + ": cannot be written"};
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        throw Failure{path + ": cannot be put in place"};
    }
}

}  // namespace

int main(int argc, char **argv) {
    std::map<std::string, std::string> defines;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-D" && i + 1 < argc) {
            std::string def = argv[++i];
            size_t eq = def.find('=');
            if (eq == std::string::npos || eq == 0) {
                std::cerr << "kvb-strtable: -D wants NAME=VALUE, not " << def << '\n';
                return 2;
            }
            defines[def.substr(0, eq)] = def.substr(eq + 1);
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) {
        std::cerr << "usage: kvb-strtable [-D NAME=VALUE]... SOURCE OUTPUT\n";
        return 2;
    }
    try {
        writeAtomically(files[1], container(parse(files[0], defines)));
    } catch (const Failure &f) {
        std::cerr << "kvb-strtable: " << f.text << '\n';
        return 1;
    }
    return 0;
}
