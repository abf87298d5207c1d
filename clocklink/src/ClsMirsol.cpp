// ClsMirsol: configuration, status and punch download.
#include "clocklink/ClsMirsol.h"

#include "FComm.h"
#include "ModelTraits.h"
#include "RecordParser.h"
#include "TextUtil.h"
#include "clocklink/EventPump.h"

#include <cstdlib>

namespace clocklink {
namespace {

using detail::trim;

std::string mid(const std::string& s, size_t pos, size_t len = std::string::npos) {
  if (pos < 1 || pos > s.size()) return {};
  return s.substr(pos - 1, len);
}

// Leading number of a text, as the port number is read from "COM3".
int leadingNumber(const std::string& s) {
  std::string t = trim(s);
  long v = 0;
  size_t i = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9' && v < 100000) v = v * 10 + (t[i++] - '0');
  return static_cast<int>(v);
}

}  // namespace

ClsMirsol::ClsMirsol() { link_.watchCancel(&cancel_); }

ClsMirsol::~ClsMirsol() { FComm::unload(); }

const ModelTraits& ClsMirsol::traits() const { return modelTraits(model_); }

CollectionStatus ClsMirsol::SetTimeRecorder(const std::string& pID, int16_t pModel,
                                            const std::string& pPort, const std::string& pSpeed,
                                            const std::string& pPhone, int16_t pNoise,
                                            const std::string& pIP, int16_t pInterface,
                                            int32_t PLocal, int32_t pRemote,
                                            int16_t pConnectTimeout) {
  lastResult_ = kFailure;
  model_ = pModel;
  clockId_ = pID;
  port_ = pPort;
  speed_ = pSpeed;
  phone_ = pPhone;
  noise_ = pNoise;
  cancel_ = 0;
  ip_ = pIP;
  int connectTimeout = pConnectTimeout > 0 ? pConnectTimeout : 30;
  int portNumber = leadingNumber(mid(pPort, 4));
  link_.PL_Set232Port(pPhone, portNumber, pSpeed);

  FComm& f = FComm::instance();
  bool ok = pInterface >= 0 && pInterface <= 2;
  if (pInterface == 1) {
    NetSocket* ws = &f.WSock;
    ws->lookupSeconds = connectTimeout;
    ok = link_.PL_SetUDPPort(ws, pIP, PLocal, pRemote) != 0;
  } else if (pInterface == 2) {
    NetSocket* ws = &f.WsTCP;
    ok = link_.PL_SetIPPort(ws, pIP, PLocal, pRemote, connectTimeout) != 0;
  }
  // An interface out of range leaves no link (a value like 256 must not wrap to serial).
  link_.PL_PhysicalInterface =
      pInterface >= 0 && pInterface <= 2 ? static_cast<uint8_t>(pInterface) : CPL_Physical::kNoLink;
  interface_ = pInterface;
  // A clock whose link could not be set up must not be reported configured.
  lastResult_ = ok ? kSuccess : kFailure;
  return lastResult_;
}

int16_t ClsMirsol::SetTimeOut(int16_t pTimeout) {
  replyTimeout_ = pTimeout;
  return 0;
}

int16_t ClsMirsol::SetCancel(int16_t pCancel) {
  cancel_ = pCancel;
  return 0;
}

std::string ClsMirsol::Status_Get() {
  if (cancel_ == 1) return {};
  CollectionStatus r = link_.PL_Open();
  lastResult_ = r;
  if (r != kSuccess) return {};

  if (!ip_.empty() && interface_ == 0) {
    std::string line = "connect\t" + ip_ + "\t23";
    line.push_back('\0');
    if (SendRaw(line) != kSuccess) {
      // the failed send is the answer
      (void)link_.PL_Close();
      return {};
    }
    WaitSeconds(1.0);
  }

  std::string text;
  if (!traits().statusBySingleByte) {
    if (SendFrame("A") != kSuccess) {
      // the failed send is the answer
      (void)link_.PL_Close();
      return {};
    }
    std::string a = ReceiveFrame();
    WaitSeconds(0.5);
    if (SendFrame("B") != kSuccess) {
      // the failed send is the answer
      (void)link_.PL_Close();
      return {};
    }
    std::string b = ReceiveFrame();
    text = a + b;
  } else {
    if (SendFrame(std::string(1, '\x04')) != kSuccess) {
      // the failed send is the answer
      (void)link_.PL_Close();
      return {};
    }
    text = mid(ReceiveFrame(), 7, 11);
    WaitSeconds(0.5);
    if (SendFrame(std::string(1, '\x03')) != kSuccess) {
      // the failed send is the answer
      (void)link_.PL_Close();
      return {};
    }
    std::string reply = ReceiveFrame();
    if (!reply.empty()) text += "AAAAAAAAA001010001" + std::string("0") + mid(reply, 5, 4) + "00";
  }
  // closing after the exchange: its result is what the caller gets
  (void)link_.PL_Close();
  return text;
}

CollectionStatus ClsMirsol::Record_Process(int16_t pOp, int16_t pFactor) {
  int32_t count = 0;
  return Record_Process(pOp, pFactor, count);
}

CollectionStatus ClsMirsol::Record_Process(int16_t pOp, int16_t /*pFactor*/, int32_t& count) {
  count = 0;
  if (cancel_ == 1) return kCancelled;
  switch (pOp) {
    case 1: {
      cancel_ = 0;
      std::string status = Status_Get();
      const long announced = statusCount(status);
      if (traits().idFromStatus && status.size() >= 16) clockId_ = status.substr(15, 1);
      if (lastResult_ == kFailure) return kFailure;
      if (link_.PL_Open() != kSuccess) {
        lastResult_ = kFailure;
        return kFailure;
      }
      sleepQuietly(0.5);
      CollectionStatus r = SendFrame(std::string(traits().startCommand));
      if (r != kSuccess) return r;
      RegCount = 0;
      RegCountErr = 0;
      fetchedSteps_ = 0;
      emptyInRow_ = 0;
      size_t slots = static_cast<size_t>(announced + 2);
      records_.assign(slots, std::string());
      count = static_cast<int32_t>(announced);
      return kSuccess;
    }
    case 2: {
      std::string frame = ReceiveFrame();
      CollectionStatus received = lastResult_;
      std::string type6;
      if (!frame.empty()) {
        // The clock moved on by one record, stored or not: a caller compares this with the
        // count the clock announced to tell a complete download from a short one.
        ++fetchedSteps_;
        emptyInRow_ = 0;
      } else {
        ++emptyInRow_;
      }
      if (model_ == 6 && !frame.empty()) {
        char c = frame.size() >= 5 ? frame[4] : 0;
        if (c >= '1' && c <= '4')
          type6 = std::string("2") + c;
        else
          frame.clear();  // not a punch: dropped
      }
      if (!frame.empty()) {
        ParsedRecord rec = parseRecordFrame(frame, model_, clockId_, type6, today());
        size_t idx = static_cast<size_t>(RegCount);
        if (idx < records_.size()) records_[idx] = rec.text;
        if (!rec.valid) ++RegCountErr;
        ++RegCount;
        lastResult_ = kSuccess;
      }
      if (model_ == 6) {
        // the acknowledgement; the frame received decides the step
        (void)SendFrame(std::string(1, '\x01'));
        // A silent or garbled clock must not look like a successful step; frames dropped for
        // their type are a normal clock's content and never end the download.
        if (frame.empty() && received != kSuccess) lastResult_ = received;
        if (emptyInRow_ >= 3) lastResult_ = kFailure;
      }
      return lastResult_;
    }
    case 3: {
      // ending the download: the download's result stands
      (void)link_.PL_Close();
      records_.clear();
      return lastResult_;
    }
    case 4: {
      CollectionStatus r = link_.PL_Open();
      if (r != kSuccess) {
        lastResult_ = r;
        return r;
      }
      const std::string clear(traits().clearCommand);
      if (!traits().clearAnswered) {
        lastResult_ = SendFrame(clear);
      } else {
        // answered: the reply below decides the result
        (void)SendFrame(clear);
        std::string reply = ReceiveFrame();
        if (!reply.empty()) lastResult_ = kSuccess;
      }
      // closing after the exchange: its result is what the caller gets
      (void)link_.PL_Close();
      return lastResult_;
    }
    default:
      return lastResult_;
  }
}

std::string ClsMirsol::Record_Get(int32_t Index) const {
  if (Index < 0 || static_cast<size_t>(Index) >= records_.size()) return {};
  return records_[static_cast<size_t>(Index)];
}

// The caller only lets the port go; there is nothing to answer.
void ClsMirsol::fcommclosePort() { (void)FComm::instance().ClosePort(); }

}  // namespace clocklink
