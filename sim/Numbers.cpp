#include "sim/Numbers.h"

#include <cmath>
#include <cstdlib>

bool readWholeNumber(const std::string& text, uint32_t lowest, uint32_t highest, uint32_t& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const unsigned long v = std::strtoul(text.c_str(), nullptr, 10);
    if (v < lowest || v > highest) return false;
    value = uint32_t(v);
    return true;
}

bool readNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    // strtod reports a result below the normal range (a subnormal number, or 0) as a
    // range error too; that value is still the nearest, and a recording may hold one.
    return *end == '\0' && std::isfinite(value);
}

bool readGridSize(const std::string& text, uint32_t highest, GridSize2D& grid) {
    const size_t x = text.find('x');
    const std::string across = text.substr(0, x);
    const std::string up = x == std::string::npos ? across : text.substr(x + 1);
    return readWholeNumber(across, 1, highest, grid.resI) && readWholeNumber(up, 1, highest, grid.resJ);
}

int64_t leadingInteger(const char* text) {
    // strtoll follows atoi's reading and saturates where atoi would overflow.
    return int64_t(std::strtoll(text, nullptr, 10));
}
