// An event as a window's handler received it, comparable and printable.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

struct sSeenEvent {
    uint16_t code;
    int32_t value;
    char key;
    std::string text;
    bool operator==(const sSeenEvent &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const sSeenEvent &e) {
    return os << "{" << e.code << ", " << e.value << ", " << int(e.key) << ", \"" << e.text << "\"}";
}
