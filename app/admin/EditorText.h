// Plain rules the store editors share: the folder text, and the card kind and digit count of
// the current clock that the card and company editors show numbers in.
#pragma once

#include <cstdint>
#include <string>

// A folder as the editors store it: trimmed, and with "/" added when the text is not empty
// and ends in neither "/" nor "\" (a path copied from Windows keeps its own separator).
std::string folderWithSeparator(const std::string& text);

// The current clock's card kind: 2 for touch keys (hexadecimal), else 1.
int16_t currentCardKind();
// The digits a number box of that kind takes (LONGTOUCH or LONGTARJETA); 0 without settings.
int cardDigits(int16_t kind);
