// ClsMirsol: the programming commands (date and time, clock number, search
// percentage, locking, resets, cards, sirens) and the serial pass-through
// members the port-test window uses.
#include "FComm.h"
#include "ModelTraits.h"
#include "clocklink/ClsMirsol.h"
#include "clocklink/EventPump.h"

namespace clocklink {
namespace {

bool allDigits(const std::string& s, size_t len) {
  if (s.size() != len) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// A byte that would end or corrupt a frame (STX, ETX, ACK ...) if it stood
// inside a command: every control character and DEL.
bool hasControl(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

}  // namespace

CollectionStatus ClsMirsol::sendCommand(const std::string& command) {
  lastResult_ = SendFrame(command);
  return lastResult_;
}

CollectionStatus ClsMirsol::SetDateTime(const std::string& xDate, const std::string& xDWeek,
                                        const std::string& xTime) {
  if (cancel_ == 1) return lastResult_ = kCancelled;
  // The clock takes the fields by position: a short or non-digit field would
  // shift every later one, and Sunday = 1 must not become -1 for models 0-3.
  if (!allDigits(xDate, 8) || !allDigits(xDWeek, 1) || !allDigits(xTime, 4))
    return lastResult_ = kFailure;
  int weekday = xDWeek[0] - '0';
  const DateLayout layout = traits().date;
  std::string command;
  switch (layout) {
    case DateLayout::Qlm:
      command = std::string(1, '\x05') + xDWeek + xDate + xTime + "00";
      break;
    case DateLayout::WeekdayFromOne:
      command = "1" + xDate.substr(2, 6) + xDWeek + xTime;
      break;
    case DateLayout::WeekdayFromZero:
      if (weekday < 1) return lastResult_ = kFailure;
      command = "1" + xDate.substr(2, 6) + std::to_string(weekday - 1) + xTime;
      break;
  }
  CollectionStatus r = link_.PL_Open();
  lastResult_ = r;
  if (r != kSuccess) return r;
  if (layout == DateLayout::Qlm) {
    // the step's result is kept in lastResult_, which this answers
    (void)sendCommand(command);
    WaitSeconds(0.1);
    // The model answers with a frame; an empty reception leaves its own result.
    if (lastResult_ == kSuccess) ReceiveFrame();
  } else {
    // Sent three times whatever the previous answer: a clock busy with a
    // punch may miss one.
    for (int i = 0; i < 3; ++i) {
      // the step's result is kept in lastResult_, which this answers
      (void)sendCommand(command);
      WaitSeconds(0.1);
    }
  }
  // closing after the exchange: its result is what the caller gets
  (void)link_.PL_Close();
  return lastResult_;
}

CollectionStatus ClsMirsol::SetClockNumber(const std::string& pNumber) {
  if (cancel_ == 1) return lastResult_ = kCancelled;
  if (pNumber.size() > 1 || hasControl(pNumber)) return lastResult_ = kFailure;
  CollectionStatus r = link_.PL_Open();
  lastResult_ = r;
  if (r != kSuccess) return r;
  // the step's result is kept in lastResult_, which this answers
  (void)sendCommand("R" + pNumber);
  // closing after the exchange: its result is what the caller gets
  (void)link_.PL_Close();
  return lastResult_;
}

CollectionStatus ClsMirsol::SetCache(int16_t Percent) {
  if (cancel_ == 1) return lastResult_ = kCancelled;
  if (Percent < 0) return lastResult_ = kFailure;
  lastResult_ = link_.PL_Open();
  // the step's result is kept in lastResult_, which this answers
  if (lastResult_ == kSuccess)
    (void)sendCommand("7" + std::to_string(Percent < 100 ? Percent : 99));
  // closing after the exchange: its result is what the caller gets
  (void)link_.PL_Close();
  return lastResult_;
}

CollectionStatus ClsMirsol::SetLocked(int16_t pMode) {
  lastResult_ = kFailure;
  if (link_.PL_Open() != kSuccess) return lastResult_ = kFailure;
  CollectionStatus r = kFailure;
  switch (pMode) {
    case 0:
      r = sendCommand(std::string(traits().unlockCommand));
      break;
    case 1:
      r = sendCommand("6");
      break;
    case 2:
      r = sendCommand("3");
      break;
    default:
      lastResult_ = kFailure;
      break;
  }
  // closing after the exchange: its result is what the caller gets
  (void)link_.PL_Close();
  return r;
}

CollectionStatus ClsMirsol::ResetPexel() {
  if (link_.PL_Open() != kSuccess) return lastResult_ = kFailure;
  CollectionStatus r = sendCommand(std::string(1, '\x89'));
  // closing after the exchange: its result is what the caller gets
  (void)link_.PL_Close();
  return r;
}

CollectionStatus ClsMirsol::ResetSolvar() {
  if (link_.PL_Open() != kSuccess) return lastResult_ = kFailure;
  CollectionStatus r = sendCommand("C");
  // closing after the exchange: its result is what the caller gets
  (void)link_.PL_Close();
  return r;
}

CollectionStatus ClsMirsol::Card_Process(int16_t pOp, const std::string& pTarjeta) {
  if (cancel_ == 1) return lastResult_ = kCancelled;
  if (pOp != 7 && pOp != 8) return lastResult_;
  if (pTarjeta.empty() || hasControl(pTarjeta)) return lastResult_ = kFailure;
  lastResult_ = link_.PL_Open();
  if (lastResult_ == kSuccess) {
    if (pOp == 8) {
      // the step's result is kept in lastResult_, which this answers
      (void)sendCommand("4" + pTarjeta);
    } else if (traits().cardEnabling != CardEnabling::Single) {
      const std::string range = traits().cardEnabling == CardEnabling::TimedPlain
                                    ? std::string("00002359")
                                    : std::string(1, '\xFF') + "00002359";
      const std::string steps[] = {"P02", "A" + range, "B" + range, "5" + pTarjeta + "AB"};
      lastResult_ = kFailure;
      // Each frame only after the previous one was taken: the card must not be
      // enabled under a time range the clock never received.
      for (const auto& step : steps)
        if (sendCommand(step) != kSuccess) break;
    } else {
      // the step's result is kept in lastResult_, which this answers
      (void)sendCommand("5" + pTarjeta);
    }
  }
  // closing after the exchange: its result is what the caller gets
  (void)link_.PL_Close();
  return lastResult_;
}

CollectionStatus ClsMirsol::Alarm_Process(int16_t pOperacion, const std::string& pData) {
  if (cancel_ == 1) {
    // Cancelled: only the closing step runs, and the result says so.
    // cancelled: the result is kCancelled whatever the close answers
    (void)link_.PL_Close();
    return lastResult_ = kCancelled;
  }
  switch (pOperacion) {
    case 1:
      AlarmCount = 0;
      alarms_.assign(kAlarmSlots, std::string());
      lastResult_ = link_.PL_Open();
      if (lastResult_ == kSuccess) {
        link_.PL_ClearRXBuf();
        // the step's result is kept in lastResult_, which this answers
        (void)sendCommand("89");
      }
      return lastResult_;
    case 2: {
      // The list holds 34 entries; a further one is refused before it is
      // acknowledged, so the clock does not take it as delivered.
      if (AlarmCount < 0 || AlarmCount >= kAlarmSlots) return lastResult_ = kFailure;
      std::string entry = ReceiveFrame();
      if (lastResult_ == kSuccess) alarms_[static_cast<size_t>(AlarmCount++)] = entry;
      return lastResult_;
    }
    case 3:
      lastResult_ = link_.PL_Close();
      return lastResult_;
    case 4:
    case 5:
    case 6: {
      if (pOperacion != 5 && (pData.empty() || hasControl(pData))) return lastResult_ = kFailure;
      lastResult_ = link_.PL_Open();
      // the step's result is kept in lastResult_, which this answers
      if (lastResult_ == kSuccess)
        (void)sendCommand(pOperacion == 5 ? std::string("8A") : "8" + pData);
      // closing after the exchange: its result is what the caller gets
      (void)link_.PL_Close();
      return lastResult_;
    }
    default:
      return lastResult_;
  }
}

std::string ClsMirsol::Alarm_Get(int16_t Index) const {
  if (Index < 0 || Index >= AlarmCount || static_cast<size_t>(Index) >= alarms_.size()) return {};
  return alarms_[static_cast<size_t>(Index)];
}

void ClsMirsol::FCommPortOpen(bool open) {
  SerialPort& p = FComm::instance().xComm;
  if (open) {
    if (!p.isOpen()) p.openHeld();
  } else {
    p.close();
  }
}

bool ClsMirsol::FCommPortOpen() const { return FComm::instance().xComm.isOpen(); }

void ClsMirsol::FCommCommPort(int16_t port) { FComm::instance().xComm.setCommPort(port); }

void ClsMirsol::FCommSettings(const std::string& settings) {
  FComm::instance().xComm.setSettings(settings);
}

void ClsMirsol::FCommInputLen(int16_t n) { FComm::instance().xComm.setInputLen(n); }

void ClsMirsol::FCommRxBufferCount(bool keep) {
  if (!keep) FComm::instance().xComm.clearInput();
}

void ClsMirsol::FCommSend(const std::string& text) {
  FComm::instance().xComm.output(text, &cancel_);
}

std::string ClsMirsol::FCommReceive() { return FComm::instance().xComm.input(); }

const std::string& ClsMirsol::FCommOpenError() const { return FComm::instance().xComm.lastError(); }

const SerialOpenFailure& ClsMirsol::FCommOpenFailure() const {
  return FComm::instance().xComm.lastFailure();
}

}  // namespace clocklink
