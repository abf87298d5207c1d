// The frame layer of ClsMirsol: framing per model, check byte, sending with
// acknowledgement and retries, receiving with NAK and repeat, unframed text
// to a serial gateway, and the cancellable waits.
#include "ModelTraits.h"
#include "clocklink/ClsMirsol.h"
#include "clocklink/EventPump.h"

#include <cmath>
#include <cstdlib>

namespace clocklink {

uint8_t ClsMirsol::L_CheckORex(const std::string& p_string) {
  uint8_t x = 0;
  for (unsigned char c : p_string) x ^= c;
  return x;
}

Clock::time_point ClsMirsol::replyDeadline() const {
  return Clock::now() + std::chrono::seconds(replyTimeout_ > 0 ? replyTimeout_ : 0);
}

bool ClsMirsol::CheckAbort(Clock::time_point deadline) {
  pumpEvents();
  bool expired = deadline != Clock::time_point{} && Clock::now() > deadline;
  pumpEvents();
  bool cancel = cancel_ == 1;
  pumpEvents();
  return expired || cancel || cancel_ == 1;
}

void ClsMirsol::Pause(double seconds) { WaitSecondsUnlessCancelled(seconds, cancel_); }

int16_t ClsMirsol::BuildFrame(const std::string& command) {
  std::string body;
  const Framing framing = traits().framing;
  if (framing == Framing::Qlm) {
    size_t len = command.size() + 4;
    std::string id = clockId_;
    char* end = nullptr;
    double v = std::strtod(id.c_str(), &end);
    bool idOk = end != id.c_str() && std::isfinite(v);
    long addr = idOk ? std::lround(v) : -1;
    if (len > 255 || addr < 0 || addr > 255) {
      lastResult_ = kFailure;
      return 0;
    }
    body.push_back(STX);
    body.push_back(static_cast<char>(len));
    body.push_back(static_cast<char>(addr));
    body += command;
    body.push_back(ETX);
  } else if (framing == Framing::Pexel) {
    body = std::string(1, STX) + "E1" + command + ETX;
  } else {
    body = std::string(1, STX) + "R" + clockId_ + command + ETX;
  }
  if (body.size() + 1 > 32767) {
    lastResult_ = kFailure;
    return 0;
  }
  frameBody_ = body;
  frameToSend_ = body + static_cast<char>(L_CheckORex(body));
  lastResult_ = kSuccess;
  return static_cast<int16_t>(frameToSend_.size());
}

CollectionStatus ClsMirsol::SendFrame(const std::string& command) {
  // A cancel found before sending is this step's result: the -100 of an
  // earlier step must not be passed on as if the command had gone out.
  if (CheckAbort({})) {
    lastResult_ = kCancelled;
    return kCancelled;
  }
  if (BuildFrame(command) == 0) {
    lastResult_ = kFailure;
    return kFailure;
  }
  const auto timeout = std::chrono::seconds(replyTimeout_ > 0 ? replyTimeout_ : 0);
  for (int attempt = 0; attempt < retryCount_; ++attempt) {
    link_.PL_SetInputLen(1);
    link_.PL_ClearRXBuf();
    link_.PL_SendBuffer(frameToSend_);
    if (!traits().acknowledges) {
      lastResult_ = kSuccess;
      return kSuccess;
    }
    auto deadline = Clock::now() + timeout;
    // Stray bytes re-arm the time-out; the cap keeps a noisy line from
    // holding the wait for ever.
    const auto cap = Clock::now() + 3 * timeout;
    while (true) {
      if (CheckAbort({})) {
        lastResult_ = kCancelled;
        return kCancelled;
      }
      if (link_.PL_IsData() > 0) {
        deadline = std::min(Clock::now() + timeout, cap);
        lastChunk_ = link_.PL_GetBuff();
        if (!lastChunk_.empty() && lastChunk_[0] == ACK) {
          lastResult_ = kSuccess;
          return kSuccess;
        }
        // A line that never falls silent must still meet the cap.
        if (Clock::now() > deadline) break;
        continue;
      }
      if (CheckAbort(deadline)) break;
      link_.PL_WaitInput(kWaitSlice);
    }
    if (CheckAbort({})) {
      lastResult_ = kCancelled;
      return kCancelled;
    }
  }
  lastResult_ = kFailure;
  return kFailure;
}

std::string ClsMirsol::ReceiveFrame() {
  lastResult_ = kCancelled;
  if (CheckAbort({})) return {};

  // Waits for one byte until the deadline; false on time-out or cancel.
  auto nextByte = [this](Clock::time_point deadline, char& out) {
    while (true) {
      if (link_.PL_IsData() >= 1) {
        lastChunk_ = link_.PL_GetBuff();
        if (!lastChunk_.empty()) {
          out = lastChunk_[0];
          return true;
        }
      }
      if (CheckAbort(deadline)) return false;
      link_.PL_WaitInput(kWaitSlice);
    }
  };

  const bool lengthFramed = traits().framing == Framing::Qlm;
  for (int attempt = 0; attempt <= retryCount_; ++attempt) {
    if (CheckAbort({})) return {};
    uint8_t x = 0;
    std::string buf;
    char c = 0;
    auto deadline = replyDeadline();
    while (true) {
      if (!nextByte(deadline, c)) return {};
      if (c == STX) break;
      if (lengthFramed && c == NAK) return {};
      // The deadline holds while bytes keep coming too: a line full of noise
      // without an STX must not keep the search going for ever.
      if (Clock::now() > deadline) return {};
    }
    buf.push_back(c);
    x ^= static_cast<uint8_t>(c);
    deadline = replyDeadline();
    while (true) {
      if (!nextByte(deadline, c)) return {};
      buf.push_back(c);
      x ^= static_cast<uint8_t>(c);
      bool end;
      if (lengthFramed) {
        size_t len = buf.size() >= 2 ? static_cast<uint8_t>(buf[1]) : 0;
        end = buf.size() >= 3 && c == ETX && buf.size() + 2 >= len;
      } else {
        end = c == ETX;
      }
      // The check byte must still fit the 50-byte buffer.
      if (end) {
        if (buf.size() + 1 > kReceiveBufferSize) return {};
        break;
      }
      if (buf.size() + 1 > kReceiveBufferSize) return {};
    }
    if (!nextByte(replyDeadline(), c)) return {};
    buf.push_back(c);
    if ((x ^ static_cast<uint8_t>(c)) != 0) {
      link_.PL_SendBuffer(std::string(1, NAK));
      Pause(0.5);
      continue;
    }
    lastResult_ = kSuccess;
    link_.PL_SendBuffer(std::string(1, ACK));
    return buf;
  }
  lastResult_ = kFailure;
  return {};
}

CollectionStatus ClsMirsol::SendRaw(const std::string& text) {
  if (CheckAbort({})) {
    lastResult_ = kCancelled;
    return kCancelled;
  }
  if (retryCount_ <= 0) {
    lastResult_ = kFailure;
    return kFailure;
  }
  link_.PL_SetInputLen(4);
  link_.PL_ClearRXBuf();
  link_.PL_SendBuffer(text);
  auto deadline = replyDeadline();
  while (!CheckAbort(deadline)) {
    if (link_.PL_IsData() >= 2) {
      lastChunk_ = link_.PL_GetBuff();
      if (lastChunk_.find('O') != std::string::npos) {
        lastResult_ = kSuccess;
        return kSuccess;
      }
      continue;
    }
    // One byte waiting is not yet enough: sleep rather than wake on it again.
    if (link_.PL_IsData() > 0)
      waitReadable(-1, kWaitSlice);
    else
      link_.PL_WaitInput(kWaitSlice);
  }
  return kCancelled;
}

}  // namespace clocklink
