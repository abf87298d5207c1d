// Records for the clock and user editor tests, put straight into a store through its own
// current-record calls; shared by the models' tests and the windows' tests.
#pragma once

#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"

#include <cstdint>
#include <functional>
#include <string>

namespace editortest {

// A clock in `slot` whose record says program number `prg`; `edit` changes it before it is
// stored.
inline void putClock(ClsListaRelojes& list, int16_t slot, int16_t prg,
                     const std::function<void(ClsListaRelojes&)>& edit = {}) {
  list.m_Version = 7;
  list.m_Prg = prg;
  list.M_Numero = "1";
  list.m_Modelo = 0;
  list.m_Puerto = "COM1";
  list.m_Velocidad = "9600";
  list.M_Comunicacion = 1;
  list.m_TipoNumero = 1;
  list.M_Archivo = "REGIS.MIR";
  list.m_ArchivoFecha = 0;
  list.m_IP = "";
  list.m_Telefono = "";
  list.m_PortLocal = 7001;
  list.m_PortRemoto = 7001;
  list.m_Descrip = "clock " + std::to_string(slot);
  if (edit) edit(list);
  list.SetCurData(slot);
}

inline void putUser(ClsUsers& users, int16_t slot, const std::string& name, int32_t psw,
                    int16_t level) {
  users.Version = 1;
  users.Code = slot;
  users.Name = name;
  users.Psw = psw;
  users.Level = level;
  users.SetCurData(slot);
}

}  // namespace editortest
