#pragma once
// Reading numbers that people type, strictly: the whole word must be the number.

#include <cstdint>
#include <string>

// Plain decimal digits, no sign, within [lowest, highest].
bool readWholeNumber(const std::string& text, uint32_t lowest, uint32_t highest, uint32_t& value);

// A finite number in any form strtod reads.
bool readNumber(const std::string& text, double& value);
