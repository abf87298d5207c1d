// ClsMirsol: the clock protocol object. Configured for one clock at a time
// (SetTimeRecorder), it reads the clock's status, downloads and clears its
// stored punches and programs it (date and time, clock number, search
// percentage, locking, resets, cards, sirens), talking through the link
// switch and the frame layer (framing per model, XOR check byte, ACK/NAK,
// retries, cancellable waits). It also passes the port-test window straight
// through to the shared serial port (the FComm* members).
#pragma once
#include "clocklink/CPL_Physical.h"
#include "clocklink/CollectionStatus.h"
#include "clocklink/EventPump.h"
#include "clocklink/LineSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace clocklink {

struct ModelTraits;

inline constexpr char STX = 0x02, ETX = 0x03, ACK = 0x06, NAK = 0x15;
inline constexpr size_t kReceiveBufferSize = 50;
inline constexpr int kAlarmSlots = 34;  // siren entries 0-33

class ClsMirsol {
 public:
  ClsMirsol();
  ~ClsMirsol();
  ClsMirsol(const ClsMirsol&) = delete;
  ClsMirsol& operator=(const ClsMirsol&) = delete;

  int16_t mMantenerPort = 0;
  int16_t TimeOutModem = 40;
  int16_t Cortar_Modem = 0;
  int32_t RegCount = 0;
  int32_t RegCountErr = 0;
  int16_t AlarmCount = 0;

  CollectionStatus SetTimeRecorder(const std::string& pID, int16_t pModel, const std::string& pPort,
                                   const std::string& pSpeed, const std::string& pPhone,
                                   int16_t pNoise, const std::string& pIP, int16_t pInterface,
                                   int32_t PLocal, int32_t pRemote, int16_t pConnectTimeout);
  int16_t SetTimeOut(int16_t pTimeout);
  int16_t SetCancel(int16_t pCancel);
  std::string Status_Get();
  // 1 opens the download and gives in `count` the stored punches the clock's status announced
  // (-1 when it could not be read; 0 when the opening failed), 2 fetches one record, 3 ends
  // the download, 4 clears the clock. The second form is for the steps that carry no count.
  CollectionStatus Record_Process(int16_t pOp, int16_t pFactor, int32_t& count);
  CollectionStatus Record_Process(int16_t pOp, int16_t pFactor = 0);
  std::string Record_Get(int32_t Index) const;
  void fcommclosePort();
  static uint8_t L_CheckORex(const std::string& p_string);

  // Programming commands. Each returns a CollectionStatus.
  // xDate "YYYYmmdd", xDWeek one digit with Sunday = 1, xTime "HHMM".
  CollectionStatus SetDateTime(const std::string& xDate, const std::string& xDWeek,
                               const std::string& xTime);
  CollectionStatus SetClockNumber(const std::string& pNumber);
  CollectionStatus SetCache(int16_t Percent);
  CollectionStatus SetLocked(int16_t pMode);  // 0 normal, 1 all locked, 2 all enabled
  CollectionStatus ResetPexel();
  CollectionStatus ResetSolvar();
  CollectionStatus Card_Process(int16_t pOp, const std::string& pTarjeta);  // 7 enable, 8 suspend
  // 1 request the list (link stays open), 2 receive one entry, 3 close,
  // 4/6 delete/add one siren (pData), 5 delete all.
  CollectionStatus Alarm_Process(int16_t pOperacion, const std::string& pData);
  // Entry Index as received (STX through check byte); empty beyond the entries read.
  std::string Alarm_Get(int16_t Index) const;

  // Serial pass-through for the port test: each acts at once on the shared port.
  void FCommPortOpen(bool open);
  bool FCommPortOpen() const;
  void FCommCommPort(int16_t port);
  void FCommSettings(const std::string& settings);
  void FCommInputLen(int16_t n);
  void FCommRxBufferCount(bool keep);  // false empties the input
  void FCommSend(const std::string& text);
  std::string FCommReceive();
  // Why the last open of the shared serial port failed (the serial layer's reason); read-only,
  // since a refused open raises nothing and the port test must tell the operator why.
  const std::string& FCommOpenError() const;
  // The same failure by kind, device and errno, for the port test's own wording.
  const SerialOpenFailure& FCommOpenFailure() const;

  // Frame layer (used by the programming commands as well).
  int16_t BuildFrame(const std::string& command);
  CollectionStatus SendFrame(const std::string& command);
  std::string ReceiveFrame();
  CollectionStatus SendRaw(const std::string& text);
  bool CheckAbort(Clock::time_point deadline);  // time_point{} = no deadline
  void Pause(double seconds);

  // Read-only views for the host and for tests.
  int16_t model() const { return model_; }
  const std::string& clockId() const { return clockId_; }
  CollectionStatus lastResult() const { return lastResult_; }
  const std::string& frameToSend() const { return frameToSend_; }
  CPL_Physical& link() { return link_; }
  // Records the clock delivered in the current download: stored ones plus, on model 6, the
  // frames dropped for their type. Equals RegCount on every other model.
  int32_t fetchedSteps() const { return fetchedSteps_; }

 private:
  Clock::time_point replyDeadline() const;
  // The row of the model table for the configured model.
  const ModelTraits& traits() const;
  int16_t model_ = 0;
  std::string clockId_ = "1";
  std::string port_, speed_, phone_, ip_;
  int16_t interface_ = 0;
  int16_t noise_ = 1;
  CollectionStatus lastResult_{};  // 0 until the first step
  int16_t cancel_ = 0;
  int16_t replyTimeout_ = 5;
  int16_t retryCount_ = 2;
  std::string frameBody_, frameToSend_, lastChunk_;
  CPL_Physical link_;
  std::vector<std::string> records_;
  int emptyInRow_ = 0;
  int32_t fetchedSteps_ = 0;
  std::vector<std::string> alarms_ = std::vector<std::string>(kAlarmSlots);

  // One command frame on an opened link; the result also becomes the last result.
  CollectionStatus sendCommand(const std::string& command);
};

}  // namespace clocklink
