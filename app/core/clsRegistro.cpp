// Punch record parser and output lines.
#include "core/clsRegistro.h"

#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/Globals.h"

#include <cmath>
#include <cstdio>

namespace {

// VB Mid$(s, start, len) with 1-based start; short lines give what is there.
std::string mid(const std::string& s, size_t start, size_t len = std::string::npos) {
  if (start < 1 || start > s.size()) return std::string();
  return s.substr(start - 1, len);
}

std::string trimBlanks(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// Zeros on the left up to `digits`, or only the rightmost `digits` characters.
std::string fitDigits(const std::string& s, int digits) {
  const size_t n = digits > 0 ? static_cast<size_t>(digits) : 0;
  if (s.size() >= n) return s.substr(s.size() - n);
  return std::string(n - s.size(), '0') + s;
}

}  // namespace

const ClsCfgFile& clsRegistro::cfg() const {
  static const ClsCfgFile defaults;
  if (m_cfg) return *m_cfg;
  return gCfgFile ? *gCfgFile : defaults;
}

void clsRegistro::parseTarjeta(const std::string& line, int16_t tipoNumero) {
  const std::string raw = mid(line, 18);
  m_tarjeta = raw;
  if (!basic::IsNumeric(raw) || (tipoNumero != 1 && tipoNumero != 2)) return;
  const double value = basic::Val(raw);
  m_numero = value;
  if (tipoNumero == 2) {
    // Touch keys are shown in hexadecimal (a negative one in 32-bit two's complement).
    // A value beyond the signed 32-bit range has no such form: its text passes through raw,
    // but the number is still its own, so the punch is never filed under the previous card.
    const std::optional<int32_t> whole = basic::ToLong(value);
    if (!whole) return;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<uint32_t>(*whole));
    m_tarjeta = " " + fitDigits(hex, cfg().LongTouch);
    return;
  }
  m_tarjeta = fitDigits(trimBlanks(raw), cfg().LongTarjeta);
}

void clsRegistro::parseFecha(const std::string& line) {
  m_anio = mid(line, 2, 4);
  m_mes = mid(line, 6, 2);
  m_dia = mid(line, 8, 2);
}

void clsRegistro::parseHora(const std::string& line) {
  m_hora = mid(line, 10, 2);
  m_minuto = mid(line, 12, 2);
}

void clsRegistro::parseReloj(const std::string& line) { m_reloj = mid(line, 14, 2); }
void clsRegistro::parseLector(const std::string& line) { m_lector = mid(line, 16, 2); }

basic::DateTime clsRegistro::getFecha() const {
  // Clock fields are two or four characters, but their values may be anything: keep them
  // in a range where the carrying below stays exact.
  auto number = [](const std::string& s, double lo, double hi) {
    const double v = basic::Val(s);
    return static_cast<int64_t>(std::isfinite(v) ? std::fmin(std::fmax(std::trunc(v), lo), hi) : 0);
  };
  int64_t y = number(m_anio, -100000, 100000);
  int64_t m = number(m_mes, -100000, 100000);
  const int64_t d = number(m_dia, -100000, 100000);
  // Month first (13 is January of the next year), then the day from the first of it.
  y += (m - 1) >= 0 ? (m - 1) / 12 : -((12 - m) / 12);
  m = ((m - 1) % 12 + 12) % 12 + 1;
  const int64_t days = basic::DaysFromCivil(y, m, 1) + (d - 1);
  return basic::CivilFromDays(days);
}

std::string clsRegistro::dateText() const {
  return trimBlanks(basic::Format(getFecha(), cfg().formatoFecha));
}

std::string clsRegistro::getFileRecord() const {
  const ClsCfgFile& c = cfg();
  if (c.SAPEnabled != 0) {
    const std::string stamp = m_anio + m_mes + m_dia + m_hora + m_minuto + "00";
    return m_tarjeta + m_tarjeta + stamp + stamp + (m_lector == "01" ? "P10" : "P20") + " " + "00" +
           mid(m_reloj, 2) + "    ";
  }
  const std::string when =
      dateText() + " " + m_hora + ":" + m_minuto + " " + m_reloj + " " + m_lector;
  std::string line =
      c.ModoLegajo == 1 ? m_legajo + " " + when + " " + m_tarjeta : m_tarjeta + " " + when;
  if (!trimBlanks(m_descripcion).empty()) line += " " + m_descripcion;
  return line;
}

std::string clsRegistro::getFileRecordWithError() const {
  return m_tarjeta + " " + m_anio + "/" + m_mes + "/" + m_dia + " " + m_hora + ":" + m_minuto +
         " " + m_reloj + " " + m_lector;
}
