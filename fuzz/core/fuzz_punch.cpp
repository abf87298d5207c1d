// Arbitrary text as a downloaded punch: parse it every way and build every line.
#include "core/ClsCfgFile.h"
#include "core/clsRegistro.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  ClsCfgFile cfg;
  cfg.LongTarjeta = static_cast<int16_t>(data[0] % 24);
  cfg.LongTouch = static_cast<int16_t>((data[0] / 24) % 12);
  const std::string punch(reinterpret_cast<const char*>(data) + 1, size - 1);
  static const char* const kDates[] = {"dd\\/mm\\/YYYY", "YYYYmmdd", "mm/dd/yy"};
  for (int16_t kind : {1, 2}) {
    clsRegistro r(&cfg);
    r.parseTarjeta(punch, kind);
    r.parseFecha(punch);
    r.parseHora(punch);
    r.parseReloj(punch);
    r.parseLector(punch);
    r.parseDescripcion(punch.substr(0, 8));
    r.parseLegajo("7");
    for (const char* f : kDates) {
      cfg.formatoFecha = f;
      for (int16_t mode = 0; mode < 2; ++mode) {
        cfg.ModoLegajo = mode;
        cfg.SAPEnabled = static_cast<int16_t>(1 - mode);
        (void)r.getFileRecord();
      }
    }
    (void)r.getFileRecordWithError();
    (void)r.getTarjetaAsDouble();
  }
  return 0;
}
