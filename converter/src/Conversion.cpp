// Punch-file conversion: reads the card-first punch lines, looks each card up in the site's
// lookup file and appends one customer line (or a marked error line) per punch.
#include "Conversion.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <v2000cvt/testing/Hooks.h>
#include <vector>

namespace v2000cvt {

// Null: only a test program installs hooks (converter_testhooks).
std::atomic<testing::Hooks*> testing::detail::seam{nullptr};

namespace {

constexpr size_t kChunk = 1 << 20;
// Keys come from five characters, so no key above this can ever match a card.
constexpr int32_t kMaxKey = 99999;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view cut(std::string_view s, size_t pos, size_t len) {
  if (pos >= s.size()) return {};
  return s.substr(pos, len);
}

// Windows text-mode reading: CR LF ends a line like LF, and Ctrl-Z ends the file.
class LineReader {
 public:
  explicit LineReader(int fd) : m_fd(fd), m_buf(kChunk) {}

  enum class Next { line, end, error };

  Next next(std::string_view& line) {
    for (;;) {
      if (const void* nl = std::memchr(m_buf.data() + m_begin, '\n', m_end - m_begin)) {
        size_t at = static_cast<const char*>(nl) - m_buf.data();
        line = trimCr(m_begin, at);
        m_begin = at + 1;
        return Next::line;
      }
      if (m_eof) {
        if (m_begin == m_end) return Next::end;
        line = trimCr(m_begin, m_end);
        m_begin = m_end;
        return Next::line;
      }
      if (!fill()) return Next::error;
    }
  }

 private:
  std::string_view trimCr(size_t from, size_t to) {
    if (to > from && m_buf[to - 1] == '\r') --to;
    return {m_buf.data() + from, to - from};
  }

  bool fill() {
    if (m_begin > 0) {
      std::memmove(m_buf.data(), m_buf.data() + m_begin, m_end - m_begin);
      m_end -= m_begin;
      m_begin = 0;
    }
    if (m_buf.size() - m_end < kChunk / 2) m_buf.resize(m_buf.size() * 2);
    ssize_t n;
    do {
      n = ::read(m_fd, m_buf.data() + m_end, m_buf.size() - m_end);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return false;
    if (n == 0) {
      m_eof = true;
      return true;
    }
    if (const void* z = std::memchr(m_buf.data() + m_end, '\x1a', static_cast<size_t>(n))) {
      n = static_cast<const char*>(z) - (m_buf.data() + m_end);
      m_eof = true;
    }
    m_end += static_cast<size_t>(n);
    return true;
  }

  int m_fd;
  std::vector<char> m_buf;
  size_t m_begin = 0, m_end = 0;
  bool m_eof = false;
};

// Lines are gathered whole and written in large blocks. A block that fails part-way (disk full,
// a file-size limit) is cut back off the file, so the output only ever holds whole lines.
class OutputFile {
 public:
  explicit OutputFile(int fd) : m_fd(fd) { m_buf.reserve(kChunk + 256); }
  std::string& buffer() { return m_buf; }
  bool maybeFlush() { return m_buf.size() < kChunk || flush(); }
  bool flush() {
    if (m_buf.empty()) return true;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return false;
    size_t done = 0;
    int injected = 0;
    size_t injectedAfter = 0;
    if (auto* hooks = testing::hooks(); hooks && hooks->failWrite(injected, injectedAfter))
      injectedAfter = std::min(injectedAfter, m_buf.size());
    while (done < m_buf.size()) {
      const size_t room = injected != 0 ? injectedAfter - done : m_buf.size() - done;
      ssize_t n = room == 0 ? (errno = injected, -1) : ::write(m_fd, m_buf.data() + done, room);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (done > 0 && S_ISREG(st.st_mode)) (void)!::ftruncate(m_fd, st.st_size);
        return false;
      }
      done += static_cast<size_t>(n);
    }
    m_buf.clear();
    return true;
  }

 private:
  int m_fd;
  std::string m_buf;
};

// The lookup file read once into a table indexed by key; the first line of a key wins,
// exactly as a search from the top of the file would find it.
class LookupTable {
 public:
  struct Code {
    bool present = false;
    uint8_t size = 0;
    char text[6] = {};
  };

  bool load(int fd) {
    m_codes.assign(kMaxKey + 1, Code{});
    LineReader reader(fd);
    std::string_view line;
    for (;;) {
      switch (reader.next(line)) {
        case LineReader::Next::end:
          return true;
        case LineReader::Next::error:
          return false;
        case LineReader::Next::line:
          break;
      }
      if (line.size() <= 7) continue;
      int32_t key = leadingNumber(line.substr(0, 5));
      if (key < 1 || m_codes[key].present) continue;
      std::string_view code = cut(line, 6, 6);
      Code& slot = m_codes[key];
      slot.present = true;
      slot.size = static_cast<uint8_t>(code.size());
      std::memcpy(slot.text, code.data(), code.size());
    }
  }

  const Code* find(int32_t card) const {
    if (card < 1 || card > kMaxKey || !m_codes[card].present) return nullptr;
    return &m_codes[card];
  }

 private:
  std::vector<Code> m_codes;
};

class Fd {
 public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  ~Fd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }
  bool close() {
    int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int m_fd;
};

// Paths built on Windows may carry backslashes.
std::string localPath(const char* path) {
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

// Windows refuses to open a folder as a file; so do we, and anything else that is no plain
// file. Never through a symbolic link (O_NOFOLLOW); a FIFO opens at once (O_NONBLOCK) and is
// refused on its descriptor instead of hanging the program.
int openForReading(const char* path) {
  int fd = ::open(localPath(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  if (const int fl = ::fcntl(fd, F_GETFL); fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  return fd;
}

void appendZeroPadded(std::string& out, int32_t value, int width) {  // "%0*d"
  appendNumber(out, value, value < 0 ? width - 1 : width);
}

}  // namespace

int32_t leadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  const int64_t limit = negative ? -int64_t{INT32_MIN} : int64_t{INT32_MAX};
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value >= limit) {
      value = limit;
      break;
    }
  }
  return static_cast<int32_t>(negative ? -value : value);
}

void appendNumber(std::string& out, int32_t value, int minDigits) {
  char digits[12];
  int n = 0;
  int64_t v = value;
  if (v < 0) {
    out.push_back('-');
    v = -v;
  }
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int pad = minDigits - n; pad > 0; --pad) out.push_back('0');
  while (n > 0) out.push_back(digits[--n]);
}

std::string CvtDate(std::string_view text) {
  std::string out;
  if (text.size() != 10) return out;
  appendZeroPadded(out, leadingNumber(text.substr(6, 4)), 4);
  appendZeroPadded(out, leadingNumber(text.substr(3, 2)), 2);
  appendZeroPadded(out, leadingNumber(text.substr(0, 2)), 2);
  return out;
}

// A text shorter than two characters serves as both its first and its last two.
std::string CvtTime(std::string_view text) {
  std::string out;
  appendNumber(out, leadingNumber(text.substr(0, 2)), 2);
  appendNumber(out, leadingNumber(text.substr(text.size() < 2 ? 0 : text.size() - 2)), 2);
  return out;
}

// A clock text that is no positive number is coded from its second character; a missing
// second character (one-character or empty text) counts as 0.
std::string clockField(std::string_view clockText) {
  int32_t number = leadingNumber(clockText);
  if (number <= 0) {
    int8_t second = clockText.size() >= 2 ? static_cast<int8_t>(clockText[1]) : 0;
    number = 75 - second;
  }
  std::string out;
  appendZeroPadded(out, number, 7);
  return out;
}

int32_t convertFiles(const char* inPath, const char* lookupPath, const char* outPath) {
  if (!inPath || !lookupPath || !outPath) return -1;
  Fd in(openForReading(inPath));
  if (in.get() < 0) return -1;
  Fd lookupFd(openForReading(lookupPath));
  if (lookupFd.get() < 0) return -1;
  // Never through a symbolic link (O_NOFOLLOW), so a planted link cannot get the lines appended
  // to the file it names; a pipe without a reader fails here instead of blocking the program.
  Fd outFd(::open(localPath(outPath).c_str(),
                  O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                  0666));
  if (outFd.get() < 0) return -1;
  // Only a plain file of one name takes the lines: a FIFO's reader or a device would take them
  // elsewhere (and the run report success), and a second name may be a file outside the folder.
  if (struct stat st{}; ::fstat(outFd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink > 1)
    return -1;
  if (const int fl = ::fcntl(outFd.get(), F_GETFL); fl >= 0)
    ::fcntl(outFd.get(), F_SETFL, fl & ~O_NONBLOCK);

  OutputFile out(outFd.get());
  LineReader reader(in.get());
  LookupTable lookup;
  bool lookupLoaded = false;
  int32_t result = 1;
  std::string line, date, time;
  std::string_view raw;

  auto finish = [&](int32_t r) -> int32_t {
    bool ok = out.flush();
    ok = outFd.close() && ok;
    return ok ? r : -3;
  };

  for (;;) {
    LineReader::Next got = reader.next(raw);
    if (got == LineReader::Next::error) return finish(-3), -3;
    if (got == LineReader::Next::end) return finish(result);

    line.assign(raw);
    for (char& c : line)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::string_view l(line);

    size_t p[4];
    size_t from = 0;
    for (size_t& pos : p) {
      pos = l.find(' ', from);
      if (pos == std::string_view::npos) return finish(-2);
      from = pos + 1;
    }
    std::string_view cardText = l.substr(0, p[0]);
    std::string_view dateText = l.substr(p[0] + 1, p[1] - p[0] - 1);
    std::string_view timeText = l.substr(p[1] + 1, p[2] - p[1] - 1);
    std::string_view clockText = l.substr(p[2] + 1, p[3] - p[2] - 1);
    int32_t type = leadingNumber(cut(l, p[3] + 1, 2));

    int32_t card = leadingNumber(cardText);
    date = CvtDate(dateText);
    if (card < 1 || date.empty()) return finish(-2);
    time = CvtTime(timeText);

    if (!lookupLoaded) {
      if (!lookup.load(lookupFd.get())) return finish(-3), -3;
      lookupLoaded = true;
    }
    const LookupTable::Code* code = lookup.find(card);

    std::string& o = out.buffer();
    if (code) {
      o.append(code->text, code->size);
    } else {
      o.push_back(' ');
      o.append(cardText);
    }
    o.append(date);
    o.append(time);
    o.push_back(type == 20 ? 'E' : 'S');
    o.append(clockField(clockText));
    if (!code) {
      o.append(" **ERROR");
      result = 0;
    }
    o.append("\r\n");
    if (!out.maybeFlush()) return finish(-3), -3;
  }
}

}  // namespace v2000cvt
