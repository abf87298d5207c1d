#include "collect/FtpUpload.h"

#include "core/ClsCfgFile.h"
#include "core/MessagesExtra.h"

#include <basekit/paths.h>
#include <basekit/plainfile.h>
#include <clocklink/EventPump.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <curl/curl.h>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace collect {

namespace {

constexpr const char* kOpen = "InternetOpen";
constexpr const char* kConnect = "InternetConnect";
constexpr const char* kSetDir = "SetCurrentDirectory";
constexpr const char* kPut = "FtpPutFile";
constexpr const char* kRefused = "Caracter no permitido";
constexpr int kSliceMs = 20;  // the longest a poll may keep the window waiting

// libcurl's global state is set up once for the whole program.
void initCurlOnce() {
  static const bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
  (void)done;
}

bool holdsCommandBreak(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The reason of a failure the server gave no reply for, worded from libcurl's kind of failure
// in the language (libcurl's own text is English).
std::string curlReason(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return GetExtraMsg(ExtraMsg::FtpHostNotFound);
    case CURLE_COULDNT_RESOLVE_PROXY:
      return GetExtraMsg(ExtraMsg::FtpProxyNotFound);
    case CURLE_COULDNT_CONNECT:
      return GetExtraMsg(ExtraMsg::FtpNoConnection);
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
      return GetExtraMsg(ExtraMsg::FtpTimedOut);
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
      return GetExtraMsg(ExtraMsg::FtpConnectionLost);
    case CURLE_READ_ERROR:
      return GetExtraMsg(ExtraMsg::FtpLocalRead);
    case CURLE_URL_MALFORMAT:
      return GetExtraMsg(ExtraMsg::FtpBadServerName);
    case CURLE_UNSUPPORTED_PROTOCOL:
      return GetExtraMsg(ExtraMsg::FtpBadProxy);
    case CURLE_LOGIN_DENIED:
      return GetExtraMsg(ExtraMsg::FtpLoginDenied);
    case CURLE_UPLOAD_FAILED:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_QUOTE_ERROR:
      return GetExtraMsg(ExtraMsg::FtpRefused);
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
      return GetExtraMsg(ExtraMsg::FtpOddReply);
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_CANT_GET_HOST:
      return GetExtraMsg(ExtraMsg::FtpDataConnection);
    case CURLE_OUT_OF_MEMORY:
      return GetExtraMsg(ExtraMsg::FtpOutOfMemory);
    default:
      return GetExtraMsg(ExtraMsg::FtpOther, {std::to_string(static_cast<int>(code))});
  }
}

FtpResult failure(const char* step, long code, std::string reply) {
  FtpResult r;
  r.step = step;
  r.extendedError = code;
  r.reply = std::move(reply);
  return r;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// What the debug callback keeps of the conversation: the verb of each FTP command sent (never
// its argument: PASS carries the password) and the server's last reply. A proxy's CONNECT
// exchange goes through the same callback: its request is no FTP verb, and of its answer only
// the status line is kept (its headers may say anything).
struct Conversation {
  std::string lastVerb;
  std::string reply;
  bool inMultiline = false;  // inside an FTP reply of several lines ("ddd-" ... "ddd ")
  bool inHttp = false;       // inside a proxy's answer, up to its blank line

  void sent(std::string_view line) {
    std::string verb;
    for (char c : line) {
      if (c == ' ' || c == '\r' || c == '\n') break;
      verb += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const bool ftpVerb =
        (verb.size() == 3 || verb.size() == 4) &&
        std::all_of(verb.begin(), verb.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    if (ftpVerb) lastVerb = verb;
  }

  void received(std::string_view line) {
    const bool blank = line.find_first_not_of("\r\n") == std::string_view::npos;
    if (inHttp) {
      inHttp = !blank;
      return;
    }
    if (blank) return;
    if (line.substr(0, 5) == "HTTP/") {
      reply.assign(line);
      inHttp = true;
      inMultiline = false;
      return;
    }
    const bool coded = line.size() >= 4 && isDigit(line[0]) && isDigit(line[1]) && isDigit(line[2]);
    if (!inMultiline) {
      reply.clear();
      inMultiline = coded && line[3] == '-';
    } else if (coded && line[3] == ' ') {
      inMultiline = false;
    }
    reply.append(line);
  }
};

int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  auto* talk = static_cast<Conversation*>(user);
  if (type == CURLINFO_HEADER_OUT)
    talk->sent(std::string_view(data, size));
  else if (type == CURLINFO_HEADER_IN)
    talk->received(std::string_view(data, size));
  return 0;  // everything else (libcurl's own text, the data) is dropped
}

// The local file as libcurl reads it. For a text transfer libcurl turns every LF into CR LF on
// the wire, so a CR LF of the file would arrive as CR CR LF: the CR of each CR LF pair is
// left out here and libcurl puts it back.
struct Source {
  int fd = -1;
  bool text = false;
  bool heldCr = false;  // a CR at the end of the last chunk, not yet known to precede an LF
};

// Up to n bytes of the file; 0 at its end, -1 on a read error.
ssize_t readSome(int fd, char* out, size_t n) {
  for (;;) {
    const ssize_t r = ::read(fd, out, n);
    if (r >= 0 || errno != EINTR) return r;
  }
}

size_t onRead(char* out, size_t size, size_t count, void* user) {
  auto* src = static_cast<Source*>(user);
  const size_t room = size * count;
  if (!src->text) {
    const ssize_t got = readSome(src->fd, out, room);
    return got < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(got);
  }
  if (room < 2) return CURL_READFUNC_ABORT;  // libcurl's buffer is far larger
  char in[16384];
  const size_t want = std::min(room - 1, sizeof in);  // one byte kept for a held CR
  size_t n = 0;
  while (n == 0) {  // 0 would mean the end of the file to libcurl
    const ssize_t got = readSome(src->fd, in, want);
    if (got < 0) return CURL_READFUNC_ABORT;
    if (got == 0) {
      if (src->heldCr) out[n++] = '\r';  // the file ends in a lone CR
      src->heldCr = false;
      break;
    }
    for (ssize_t i = 0; i < got; ++i) {
      const char c = in[i];
      if (src->heldCr && c != '\n') out[n++] = '\r';
      src->heldCr = c == '\r';
      if (!src->heldCr) out[n++] = c;
    }
  }
  return n;
}

std::string trimmedReply(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == '\0')) s.pop_back();
  return s;
}

// The step a failure belongs to: the command last sent, with the codes that say it plainly.
const char* stepOf(CURLcode code, const std::string& verb) {
  switch (code) {
    case CURLE_LOGIN_DENIED:
      return kConnect;
    case CURLE_QUOTE_ERROR:
      return kSetDir;
    case CURLE_READ_ERROR:
    case CURLE_UPLOAD_FAILED:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_CANT_GET_HOST:
      return kPut;
    default:
      break;
  }
  // Greeting, log-in and the folder query that follows it are the connection.
  if (verb.empty() || verb == "USER" || verb == "PASS" || verb == "ACCT" || verb == "PWD" ||
      verb == "SYST" || verb == "AUTH")
    return kConnect;
  if (verb == "CWD") return kSetDir;
  return kPut;  // TYPE, PASV/EPSV, PORT/EPRT, the data connection, STOR
}

// A proxy text libcurl would refuse, checked before any connection.
bool proxyAccepted(const std::string& proxy) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> u(curl_url(), curl_url_cleanup);
  if (!u || curl_url_set(u.get(), CURLUPART_URL, proxy.c_str(),
                         CURLU_DEFAULT_SCHEME | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
    return false;
  char* scheme = nullptr;
  if (curl_url_get(u.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return false;
  const std::string s = scheme;
  curl_free(scheme);
  return s == "http" || s == "https" || s == "socks4" || s == "socks4a" || s == "socks5" ||
         s == "socks5h";
}

// ftp://host:port/name with the name percent-encoded; false when the host is no host name or
// address. A bare IPv6 address is taken in the brackets a URL needs.
bool buildUrl(const FtpSettings& s, const std::string& name, std::string& url) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> u(curl_url(), curl_url_cleanup);
  if (!u || s.url.empty() || s.url.find_first_of(" \t/\\@?#") != std::string::npos) return false;
  const std::string host =
      s.url.find(':') != std::string::npos && s.url.front() != '[' ? "[" + s.url + "]" : s.url;
  // A port above 32767 is stored negative; the same 16 bits are meant.
  const uint16_t port = static_cast<uint16_t>(s.remotePort);
  const std::string portText = std::to_string(port == 0 ? 21 : port);
  if (curl_url_set(u.get(), CURLUPART_SCHEME, "ftp", 0) != CURLUE_OK ||
      curl_url_set(u.get(), CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK ||
      curl_url_set(u.get(), CURLUPART_PORT, portText.c_str(), 0) != CURLUE_OK ||
      curl_url_set(u.get(), CURLUPART_PATH, ("/" + name).c_str(), CURLU_URLENCODE) != CURLUE_OK)
    return false;
  // The host must come back as it was given: nothing of it was read as another part.
  char* got = nullptr;
  if (curl_url_get(u.get(), CURLUPART_HOST, &got, 0) != CURLUE_OK) return false;
  const bool same = host == got;
  curl_free(got);
  char* text = nullptr;
  if (!same || curl_url_get(u.get(), CURLUPART_URL, &text, 0) != CURLUE_OK) return false;
  url = text;
  curl_free(text);
  return true;
}

// CURL and CURLM are the same type to C++: one deleter each.
struct EasyDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
  void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
struct CurlDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

FtpSettings FtpSettings::fromConfig(const ClsCfgFile& cfg) {
  FtpSettings s;
  s.url = cfg.SAPUrl;
  s.remotePort = cfg.SAPRemotePort;
  s.username = cfg.SAPUsername;
  s.password = cfg.SAPPassword;
  s.path = cfg.SAPpath;
  s.proxy = cfg.SAPProxy;
  s.transferBinary = cfg.SAPTransferBinary;
  s.modoPasivo = cfg.SAPModoPasivo;
  return s;
}

std::string FtpResult::errorText() const {
  return step + " Extd Err: " + std::to_string(extendedError) + "\r" + reply;
}

std::string ftpLocalFile(const std::string& folder, const std::string& name) {
  return basekit::toLocalPath(folder + name);
}

FtpUpload::FtpUpload() : pump(clocklink::pumpEvents) {}

FtpResult FtpUpload::run(const FtpSettings& s, const std::string& localFile,
                         const std::string& remoteName) {
  m_cancel = false;
  initCurlOnce();

  // Everything that could turn into a command of its own, or reach the wrong host, is refused
  // before a connection is made.
  if (!s.proxy.empty() && !proxyAccepted(s.proxy))
    return failure(kOpen, CURLE_UNSUPPORTED_PROTOCOL, curlReason(CURLE_UNSUPPORTED_PROTOCOL));
  std::string url;
  if (!buildUrl(s, remoteName, url))
    return failure(kConnect, CURLE_URL_MALFORMAT, curlReason(CURLE_URL_MALFORMAT));
  if (holdsCommandBreak(s.path)) return failure(kSetDir, 0, kRefused);
  if (holdsCommandBreak(remoteName) || remoteName.find_first_of("/\\") != std::string::npos)
    return failure(kPut, 0, kRefused);

  // Through the file layer: never a link's target, never a FIFO's writer, every check on the
  // descriptor the file is then sent from.
  basekit::ReadingFile file;
  if (remoteName.empty() || !file.open(localFile)) {
    const int err = remoteName.empty() ? ENOENT : errno;
    return failure(kPut, CURLE_READ_ERROR, localFile + ": " + systemReason(err));
  }

  std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!multi || !easy) return failure(kOpen, CURLE_FAILED_INIT, curlReason(CURLE_FAILED_INIT));

  Conversation talk;
  std::unique_ptr<curl_slist, CurlDeleter> quote;
  if (!s.path.empty()) {
    // One CWD with the whole text, as the server's own folder syntax may need.
    quote.reset(curl_slist_append(nullptr, ("CWD " + s.path).c_str()));
    if (!quote) return failure(kOpen, CURLE_OUT_OF_MEMORY, curlReason(CURLE_OUT_OF_MEMORY));
  }

  CURL* h = easy.get();
  bool set = true;
  auto opt = [&set](CURLcode c) { set = set && c == CURLE_OK; };
  opt(curl_easy_setopt(h, CURLOPT_URL, url.c_str()));
  opt(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp"));
  opt(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));
  opt(curl_easy_setopt(h, CURLOPT_UPLOAD, 1L));
  Source source{file.fd(), s.transferBinary != 1, false};
  opt(curl_easy_setopt(h, CURLOPT_READFUNCTION, onRead));
  opt(curl_easy_setopt(h, CURLOPT_READDATA, &source));
  // A text transfer changes the length on the way.
  if (!source.text)
    opt(curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(file.size())));
  // Both empty: libcurl's anonymous log-in; otherwise both are sent, an empty one as "".
  if (!s.username.empty() || !s.password.empty()) {
    opt(curl_easy_setopt(h, CURLOPT_USERNAME, s.username.c_str()));
    opt(curl_easy_setopt(h, CURLOPT_PASSWORD, s.password.c_str()));
  }
  if (quote) opt(curl_easy_setopt(h, CURLOPT_QUOTE, quote.get()));
  opt(curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, s.transferBinary == 1 ? 0L : 1L));
  if (s.modoPasivo == 1) {
    opt(curl_easy_setopt(h, CURLOPT_FTP_USE_EPSV, 0L));
  } else {
    opt(curl_easy_setopt(h, CURLOPT_FTPPORT, "-"));
    opt(curl_easy_setopt(h, CURLOPT_FTP_USE_EPRT, 0L));
  }
  opt(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectLimit.count())));
  opt(curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(replyLimit.count())));
  opt(curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L));
  opt(curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallLimit.count())));
  opt(curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(acceptLimit.count())));
  // Verbose only feeds the callback, which keeps verbs and replies and prints nothing.
  opt(curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, onDebug));
  opt(curl_easy_setopt(h, CURLOPT_DEBUGDATA, &talk));
  opt(curl_easy_setopt(h, CURLOPT_VERBOSE, 1L));
  if (!set) return failure(kOpen, CURLE_FAILED_INIT, curlReason(CURLE_FAILED_INIT));
  if (!s.proxy.empty()) {
    // An upload through an HTTP proxy needs the tunnel.
    if (curl_easy_setopt(h, CURLOPT_PROXY, s.proxy.c_str()) != CURLE_OK ||
        curl_easy_setopt(h, CURLOPT_HTTPPROXYTUNNEL, 1L) != CURLE_OK)
      return failure(kOpen, CURLE_UNSUPPORTED_PROTOCOL, curlReason(CURLE_UNSUPPORTED_PROTOCOL));
  }

  if (curl_multi_add_handle(multi.get(), h) != CURLM_OK)
    return failure(kOpen, CURLE_FAILED_INIT, curlReason(CURLE_FAILED_INIT));

  CURLcode code = CURLE_OK;
  bool finished = false;
  while (!finished) {
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      code = CURLE_FAILED_INIT;
      break;
    }
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
      if (msg->msg == CURLMSG_DONE) {
        code = msg->data.result;
        finished = true;
      }
    }
    if (finished) break;
    curl_multi_poll(multi.get(), nullptr, 0, kSliceMs, nullptr);
    if (pump) pump();
    if (m_cancel) break;
  }
  curl_multi_remove_handle(multi.get(), h);

  if (m_cancel && !finished) {
    FtpResult r;
    r.cancelled = true;
    return r;
  }
  if (code == CURLE_OK) {
    FtpResult r;
    r.done = true;
    return r;
  }
  std::string reply = trimmedReply(talk.reply);
  // The server said nothing: the kind of failure libcurl met, in the language.
  if (reply.empty()) reply = curlReason(code);
  return failure(stepOf(code, talk.lastVerb), code, reply);
}

}  // namespace collect
