// Message lookup by number over the three language blocks.
#include "core/Messages.h"

#include "core/ClsCfgFile.h"
#include "core/Globals.h"
#include "core/MessagesBlocks.h"

#include <cstdint>
#include <iterator>
#include <limits>

namespace {

// The table as the numbers see it: block b (0, 1, 2) holds 101 + 1000 * b .. 415 + 1000 * b.
const char* findMessage(int number) {
  static const messages::MessageBlock* const blocks[] = {
      &messages::kMessagesEs, &messages::kMessagesEn, &messages::kMessagesPt};
  if (number < messages::kFirstMessage) return nullptr;
  const int block = number / 1000;
  const int inBlock = number % 1000;
  if (block >= static_cast<int>(std::size(blocks))) return nullptr;
  if (inBlock < messages::kFirstMessage || inBlock > messages::kLastMessage) return nullptr;
  return (*blocks[block])[static_cast<std::size_t>(inBlock - messages::kFirstMessage)];
}

}  // namespace

std::string GetMsgIn(int id, int lenguaje) {
  constexpr int kMax = std::numeric_limits<int16_t>::max();
  if (id <= 0 || id > kMax) return "";
  // Only the three block offsets are languages; any other value would land on the wrong
  // message or none, so it gives "" rather than some other text.
  if (lenguaje != 0 && lenguaje != 1000 && lenguaje != 2000) return "";
  // The number is a 16-bit sum: past its range there is no message.
  const int number = id + lenguaje;
  if (number > kMax) return "";
  const char* text = findMessage(number);
  return text ? std::string(text) : std::string();
}

std::string GetMsg(int id) {
  if (id <= 0 || gCfgFile == nullptr) return "";
  return GetMsgIn(id, gCfgFile->LENGUAJE);
}
