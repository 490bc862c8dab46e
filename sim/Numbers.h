#pragma once
// Reading numbers that people type. The options and scenarios read strictly: the
// whole word must be the number. The window's resolution keeps its lenient reading.

#include <cstdint>
#include <string>

#include "sim/GridSize.h"

// The most a whole number may be: nine digits, which no conversion here overflows.
constexpr uint32_t LARGEST_WHOLE_NUMBER = 999999999;

// Plain decimal digits, no sign, within [lowest, highest].
bool readWholeNumber(const std::string& text, uint32_t lowest, uint32_t highest, uint32_t& value);

// A finite number in any form strtod reads.
bool readNumber(const std::string& text, double& value);

// "N" for N by N cells, or "IxJ"; each side a whole number from 1 to `highest`.
bool readGridSize(const std::string& text, uint32_t highest, GridSize2D& grid);

// The leading digits of a word in the manner of atoi (leading blanks, a sign, then
// digits; none give 0), except that a number too large for any integer saturates at
// the 64-bit limits instead of being undefined.
int64_t leadingInteger(const char* text);
