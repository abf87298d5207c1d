// The card text the clock's card commands take: the card number (decimal, or hexadecimal for
// touch keys, by the one card-number rule) written in decimal with at least five digits.
#pragma once

#include <cstdint>
#include <string>

namespace collect {

// The text for a card number already read.
std::string cardText(double number);

// 0 with the text in `out` when `typed` is a card number of kind `tipoNumero` (2 = touch,
// hexadecimal); otherwise 341, the message for a wrong number, and `out` untouched.
int cardTextOf(const std::string& typed, int16_t tipoNumero, std::string& out);

}  // namespace collect
