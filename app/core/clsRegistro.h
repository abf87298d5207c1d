// One downloaded punch taken apart (date, time, clock, reader, card) and the lines built
// from it: the punch-file line in its three forms (card first, employee number first,
// fixed-width SAP) and the error-file line. The blanks, widths and field order are a file
// format that the console, the file viewer and the converter read back.
#pragma once

#include "core/Basic.h"

#include <cstdint>
#include <string>

class ClsCfgFile;

class clsRegistro {
 public:
  // Settings are read at each call from gCfgFile; a test may point at its own object.
  explicit clsRegistro(const ClsCfgFile* cfg = nullptr) : m_cfg(cfg) {}

  void parseTarjeta(const std::string& line, int16_t tipoNumero);
  std::string getTarjeta() const { return m_tarjeta; }
  double getTarjetaAsDouble() const { return m_numero; }
  void parseFecha(const std::string& line);
  void parseHora(const std::string& line);
  void parseReloj(const std::string& line);
  void parseLector(const std::string& line);
  void parseDescripcion(const std::string& text) { m_descripcion = text; }
  // The calendar date of year, month and day, an out-of-range month or day carried over.
  basic::DateTime getFecha() const;
  std::string getDescripcion() const { return m_descripcion; }
  void parseLegajo(const std::string& text) { m_legajo = text; }
  std::string getLegajo() const { return m_legajo; }
  std::string getFileRecord() const;
  std::string getFileRecordWithError() const;

 private:
  const ClsCfgFile& cfg() const;
  std::string dateText() const;

  const ClsCfgFile* m_cfg;
  std::string m_tarjeta;
  double m_numero = 0;
  std::string m_anio, m_mes, m_dia, m_hora, m_minuto, m_reloj, m_lector;
  std::string m_descripcion, m_legajo;
};
