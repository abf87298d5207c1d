#include "admin/fRelojModel.h"

#include "admin/EditorText.h"
#include "core/Basic.h"
#include "core/ClsListaRelojes.h"
#include "core/Messages.h"
#include "core/Reporter.h"

#include <algorithm>

namespace {

std::vector<std::string> makeNumeroRows() {
  std::vector<std::string> rows;
  for (char c = '1'; c <= '9'; ++c) rows.emplace_back(1, c);
  for (char c = 'A'; c <= 'Z'; ++c) rows.emplace_back(1, c);
  for (char c = 'a'; c <= 'z'; ++c) rows.emplace_back(1, c);
  return rows;
}

std::vector<std::string> makePuertoRows() {
  std::vector<std::string> rows;
  for (int n = 1; n <= 16; ++n) rows.push_back("COM" + std::to_string(n));
  return rows;
}

// The first row, from row 0 upwards, whose trimmed text equals the trimmed value; -1 for none.
int rowOf(const std::vector<std::string>& rows, const std::string& value) {
  const std::string wanted = basic::Trim(value);
  for (size_t i = 0; i < rows.size(); ++i)
    if (basic::Trim(rows[i]) == wanted) return static_cast<int>(i);
  return -1;
}

std::string rowText(const std::vector<std::string>& rows, int i) {
  return i >= 0 && i < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(i)] : "";
}

// A port box: its numeric prefix rounded; nothing when it is no port number (empty reads 0).
std::optional<int32_t> portOf(const std::string& text) {
  const std::optional<int32_t> v = basic::ToLong(basic::Val(text));
  if (!v || *v < 0 || *v > 65535) return std::nullopt;
  return v;
}

}  // namespace

const std::vector<std::string>& fRelojModel::numeroRows() {
  static const std::vector<std::string> rows = makeNumeroRows();
  return rows;
}

const std::vector<std::string>& fRelojModel::puertoRows() {
  static const std::vector<std::string> rows = makePuertoRows();
  return rows;
}

const std::vector<std::string>& fRelojModel::velocidadRows() {
  static const std::vector<std::string> rows = {"300",  "600",  "1200", "2400",
                                                "4800", "9600", "19200"};
  return rows;
}

std::vector<std::string> fRelojModel::modeloRows() const {
  std::vector<std::string> rows;
  for (int16_t i = 0;; ++i) {
    std::string name = m_list.GetModelo(i);
    if (name.empty()) break;
    rows.push_back(std::move(name));
  }
  return rows;
}

fRelojModel::fRelojModel(ClsListaRelojes& list, Reporter& reporter)
    : m_list(list), m_reporter(reporter) {}

void fRelojModel::refuse(int number) {
  m_reporter.inform(number, msgbox::OkOnly | msgbox::Critical, GetMsg(320));
}

void fRelojModel::setModelo(int row) {
  if (row == controls.modelo) return;
  controls.modelo = row;
  controls.tipoNumero = (row == 2 || row == 3) ? 1 : 0;
}

void fRelojModel::setArchivoCustom(bool on) {
  if (on == controls.archivoCustom) return;
  controls.archivoCustom = on;
  controls.archivo = on ? "YYYYmmdd" : "";
}

bool fRelojModel::load() {
  controls = Controls{};
  for (int16_t i = 1; i <= ClsListaRelojes::kSlots; ++i)
    if (m_list.Deleted(i)) controls.prgRows.push_back(basic::Format(i, "000"));

  const int16_t op = m_list.Operation;
  if (op == 0) {
    if (controls.prgRows.empty()) {
      // Every program number is taken: there is no slot the new clock could go to.
      m_reporter.inform(338, msgbox::OkOnly | msgbox::Critical, GetMsg(320));
      m_list.Operation = -1;
      return false;
    }
    controls.prg = 0;
    m_slot = static_cast<int16_t>(basic::Val(controls.prgRows[0]));
    controls.numero = 0;
    setModelo(0);
    controls.puerto = rowOf(puertoRows(), "COM2");
    controls.velocidad = rowOf(velocidadRows(), "9600");
    controls.portLocal = "7001";
    controls.portRemoto = "7001";
    controls.comunicacion = 1;
    controls.tipoNumero = 0;
    controls.activo = true;
    controls.hora = true;
    controls.archivo = "REGIS.MIR";
    return true;
  }

  m_slot = op;
  m_list.GetCurData(op);
  const ClsListaRelojes& r = m_list;
  // The clock is stored back into the slot it was opened from, so that is the number shown.
  controls.prgRows = {basic::Format(op, "000")};
  controls.prg = 0;
  controls.prgEnabled = false;
  controls.numero = rowOf(numeroRows(), r.M_Numero);
  setModelo(rowOf(modeloRows(), r.GetModelo(r.m_Modelo)));
  controls.puerto = rowOf(puertoRows(), r.m_Puerto);
  controls.velocidad = rowOf(velocidadRows(), r.m_Velocidad);
  controls.telefono = basic::Trim(r.m_Telefono);
  controls.borrar = r.M_Borrar != 0;
  controls.archivo = r.M_Archivo;
  controls.hora = r.m_FHora != 0;
  controls.activo = r.M_Activo != 0;
  controls.tipoNumero = r.m_TipoNumero == 2 ? 1 : 0;
  controls.comunicacion = (r.M_Comunicacion == 0 || r.M_Comunicacion == 1) ? r.M_Comunicacion : -1;
  setArchivoCustom(r.m_ArchivoFecha != 0);
  controls.path = basic::Trim(r.m_Path);
  controls.descrip = basic::Trim(r.m_Descrip);

  const std::string ip = basic::Trim(r.m_IP);
  if (ip.size() >= 4) {
    size_t from = 0;
    for (int k = 0; k < 3; ++k) {
      const size_t dot = ip.find('.', from);
      if (dot == std::string::npos) {
        controls.ip[static_cast<size_t>(k)] = ip.substr(from);
        from = ip.size();
        continue;
      }
      controls.ip[static_cast<size_t>(k)] = ip.substr(from, dot - from);
      from = dot + 1;
    }
    controls.ip[3] = from < ip.size() ? ip.substr(from) : "";
  }

  controls.opTipo = r.m_tipo == 1 ? 1 : 0;
  controls.archTipo = basic::Trim(r.m_ArchivoHabil);
  controls.interfaz = (r.m_TipoInterface == 1 || r.m_TipoInterface == 2) ? r.m_TipoInterface : 0;
  controls.portRemoto = " " + std::to_string(r.m_PortRemoto);
  controls.portLocal = " " + std::to_string(r.m_PortLocal);
  return true;
}

bool fRelojModel::accept() {
  m_list.Operation = 1;
  Controls& c = controls;
  c.archivo = basic::UCase(basic::Trim(c.archivo));
  if (c.archivo.empty() || c.prg < 0 || c.numero < 0 || c.modelo < 0 || c.puerto < 0 ||
      c.velocidad < 0 || c.comunicacion < 0) {
    refuse(325);
    return false;
  }
  if (!c.telefono.empty() && !c.ip[0].empty()) {
    refuse(357);
    return false;
  }
  // A port outside 0..65535 would make every later connection to the clock fail.
  const std::optional<int32_t> local = portOf(c.portLocal);
  const std::optional<int32_t> remoto = portOf(c.portRemoto);
  if (!local || !remoto) {
    refuse(344);
    return false;
  }
  c.path = folderWithSeparator(c.path);
  if (c.prgEnabled) m_slot = static_cast<int16_t>(basic::Val(rowText(c.prgRows, c.prg)));

  ClsListaRelojes& r = m_list;
  r.m_Version = ClsListaRelojes::kVersion;
  r.m_Prg = m_slot;
  r.M_Numero = basic::Trim(rowText(numeroRows(), c.numero));
  r.m_Modelo = static_cast<int16_t>(c.modelo);
  r.m_Puerto = basic::Trim(rowText(puertoRows(), c.puerto));
  r.m_Velocidad = basic::Trim(rowText(velocidadRows(), c.velocidad));
  r.m_Telefono = basic::Trim(c.telefono);
  r.M_Borrar = c.borrar ? 1 : 0;
  r.M_Archivo = c.archivo;
  r.m_FHora = c.hora ? 1 : 0;
  r.M_Comunicacion = static_cast<int16_t>(c.comunicacion);
  r.M_Activo = c.activo ? 1 : 0;
  r.m_ArchivoFecha = c.archivoCustom ? 1 : 0;
  r.m_TipoNumero = c.tipoNumero == 0 ? 1 : 2;
  r.m_Descrip = c.descrip;
  r.m_Path = c.path;
  r.m_IP = basic::Trim(c.ip[0]).empty() ? std::string()
                                        : basic::Trim(c.ip[0]) + "." + basic::Trim(c.ip[1]) + "." +
                                              basic::Trim(c.ip[2]) + "." + basic::Trim(c.ip[3]);
  r.m_tipo = static_cast<int16_t>(c.opTipo);
  r.m_ArchivoHabil = basic::Trim(c.archTipo);
  r.m_TipoInterface = static_cast<int16_t>(c.interfaz);
  r.m_PortLocal = *local;
  r.m_PortRemoto = *remoto;
  r.SetCurData(m_slot);
  return true;
}

void fRelojModel::cancel() { m_list.Operation = -1; }
