// The three language blocks of the message table. Each block holds messages 101-415 in
// number order; English sits at +1000 and Portuguese at +2000 of the same number.
#pragma once

#include <array>
#include <cstddef>

namespace messages {

constexpr int kFirstMessage = 101;
constexpr int kLastMessage = 415;
constexpr std::size_t kMessageCount = kLastMessage - kFirstMessage + 1;

using MessageBlock = std::array<const char*, kMessageCount>;

extern const MessageBlock kMessagesEs;  // 101-415
extern const MessageBlock kMessagesEn;  // 1101-1415
extern const MessageBlock kMessagesPt;  // 2101-2415

}  // namespace messages
