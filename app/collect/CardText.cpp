#include "collect/CardText.h"

#include "core/CardNumber.h"

namespace collect {

std::string cardText(double number) {
  std::string card = cardNumberText(number, 1);
  if (card.size() < 5) card.insert(0, 5 - card.size(), '0');
  return card;
}

int cardTextOf(const std::string& typed, int16_t tipoNumero, std::string& out) {
  double number = 0;
  if (!cardNumberOf(typed, tipoNumero == 2 ? 2 : 1, number)) return 341;
  out = cardText(number);
  return 0;
}

}  // namespace collect
