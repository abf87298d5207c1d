#include "core/StoreWriters.h"

#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"

#include <stdexcept>

namespace stores {

void writeUsers(const std::vector<UserSpec>& users) {
  ClsUsers store;
  store.Iniciar(*gDataFolder + "VELTA.DAT");
  int16_t slot = 1;
  for (const UserSpec& u : users) {
    store.Version = ClsUsers::kVersion;
    store.Code = slot;
    store.Name = u.name;
    store.Psw = u.password;
    store.Level = u.level;
    store.SetCurData(slot++);
  }
  if (!store.GrabarUsers().ok) throw std::runtime_error(store.status().message);
}

void writeClocks(const std::vector<ClockSpec>& clocks) {
  ClsListaRelojes store;  // not loaded: every slot not named here stays free
  store.Iniciar(*gDataFolder + "velta002.dat");
  for (const ClockSpec& c : clocks) {
    store.m_Version = ClsListaRelojes::kVersion;
    store.m_Prg = c.slot;
    store.M_Numero = c.number;
    store.m_Modelo = c.model;
    store.m_Puerto = c.comPort;
    store.m_Velocidad = "9600";
    store.m_Telefono = c.phone;
    store.M_Archivo = c.file;
    store.m_ArchivoFecha = c.dateNamed;
    store.M_Comunicacion = 1;
    store.m_TipoNumero = c.cardKind;
    store.M_Activo = 1;
    store.m_Path = c.path.empty() ? *gDataFolder : c.path;
    store.m_Descrip = c.description;
    store.m_IP = c.ip;
    store.m_TipoInterface = c.interface;
    store.m_PortLocal = c.port;
    store.m_PortRemoto = c.port;
    store.SetCurData(c.slot);
  }
  if (!store.GrabarRelojes().ok) throw std::runtime_error(store.status().message);
}

}  // namespace stores
