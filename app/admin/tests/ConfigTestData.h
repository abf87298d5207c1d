// Stores for the configuration tests: clocks and users put straight into the program-wide
// stores of a temporary data folder, through the stores' own current-record calls.
#pragma once

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "testsupport/AppTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace configtest {

// Settings, clock list and user list of `folder`, loaded from whatever files it holds; no
// clock when there is no clock file (the store would offer a first one).
inline void createStores(const apptest::TempDataFolder& folder) {
  const bool clockFile = folder.exists("velta002.dat");
  apptest::objects().createSettings();
  gCfgFile->Init(folder.file("VELTA.INI"));
  gCfgFile->rshFile = folder.file("RSH.CFG");
  gCfgFile->LoadCfg();
  apptest::objects().createClockList();
  gListaRelojes->Iniciar(folder.file("velta002.dat"));
  (void)gListaRelojes->CargarRelojes();
  if (!clockFile) gListaRelojes->Borrar(1);
  apptest::objects().createUsers();
  gUsers->Iniciar(folder.file("VELTA.DAT"));
  (void)gUsers->CargarUsers();
}

// A clock in `slot` (program number = slot); `fill` sets fields of the current record.
inline void addClock(ClsListaRelojes& clocks, int slot,
                     const std::function<void(ClsListaRelojes&)>& fill = {}) {
  const auto s = static_cast<int16_t>(slot);
  ASSERT_EQ(clocks.GetCurData(s), 1);
  clocks.m_Version = ClsListaRelojes::kVersion;
  clocks.m_Prg = s;
  clocks.M_Numero = "1";
  clocks.m_Descrip = "Reloj " + std::to_string(slot);
  clocks.m_Puerto = "COM1";
  clocks.m_Velocidad = "9600";
  clocks.M_Archivo = "REGIS.MIR";
  clocks.m_Telefono = clocks.m_Path = clocks.m_IP = clocks.m_ArchivoHabil = "";
  clocks.m_TipoNumero = 1;
  if (fill) fill(clocks);
  ASSERT_EQ(clocks.SetCurData(s), 1);
}

inline void addUser(ClsUsers& users, int slot, const std::string& name, int16_t level) {
  const auto s = static_cast<int16_t>(slot);
  ASSERT_TRUE(users.GetCurData(s));
  users.Version = 1;
  users.Code = s;
  users.Name = name;
  users.Psw = 1234;
  users.Level = level;
  ASSERT_TRUE(users.SetCurData(s));
}

}  // namespace configtest
