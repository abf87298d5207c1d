// The one card-number rule of the program. A card number is held as a double (the stores'
// field). Decimal cards (kind 1) are written with digits only; touch keys (kind 2) are
// hexadecimal, read unsigned, leading zeros not counted, at most 8 significant digits
// ("00000000AB" is AB, "FFFF" is 65535, never -1). Blanks around the text are ignored.
#pragma once

#include <cstdint>
#include <string>

// True with the number in `out` when `text` is a card number of kind `tipoNumero`
// (2 = touch/hexadecimal, anything else decimal); false, `out` untouched, otherwise.
bool cardNumberOf(const std::string& text, int16_t tipoNumero, double& out);

// The number as its kind writes it, unpadded: decimal digits, or upper-case hexadecimal for
// touch keys (255 -> "FF"). A negative or non-finite value gives "".
std::string cardNumberText(double value, int16_t tipoNumero);
