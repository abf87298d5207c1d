// The clock editor's logic, without widgets: which rows its lists offer, what loading puts in
// each control, the two reactions (model -> card kind, date-named file -> file name), and
// Accept's checks and store into the clock list. The window fReloj mirrors `controls`.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class ClsListaRelojes;
class Reporter;

class fRelojModel {
 public:
  // The state of every entry control; list choices are row indexes, -1 for no row chosen.
  struct Controls {
    std::vector<std::string> prgRows;  // CmbPrg
    int prg = -1;
    bool prgEnabled = true;
    int numero = -1;  // CmbNumero
    int modelo = -1;  // CmbModelo
    std::string descrip;
    int puerto = -1;     // CmbPuerto
    int velocidad = -1;  // CmbVelocidad
    std::string telefono;
    std::array<std::string, 4> ip;
    int interfaz = 0;  // PI(0..2)
    std::string portLocal, portRemoto;
    int comunicacion = -1;  // CmbComunicacion
    int tipoNumero = -1;    // CmbTipoNumero
    bool activo = false, borrar = false, hora = false;
    int opTipo = 0;  // OpTipo(0..1)
    std::string archTipo;
    std::string archivo;
    bool archivoCustom = false;
    std::string path;
  };

  // Fixed rows of the lists (the texts of CmbComunicacion and CmbTipoNumero are messages).
  static const std::vector<std::string>& numeroRows();
  static const std::vector<std::string>& puertoRows();
  static const std::vector<std::string>& velocidadRows();
  std::vector<std::string> modeloRows() const;

  // Its boxes go through `reporter` (the window's).
  fRelojModel(ClsListaRelojes& list, Reporter& reporter);

  // Fills the controls for list.Operation (0 new clock, 1..100 that slot). False (box 338,
  // Operation -1) for a new clock when every slot is in use: the editor must not open.
  bool load();

  // The operator's (and loading's) changes that react: a changed model picks the card kind,
  // a changed date-named box rewrites the file name. Setting the same value does nothing.
  void setModelo(int row);
  void setArchivoCustom(bool on);

  // Accept: Operation 1, checks (boxes 325, 357, 344), then stores the clock into its slot.
  // True when stored (the window closes); false leaves it open.
  bool accept();
  // Cancel: Operation -1, nothing stored.
  void cancel();

  Controls controls;
  int16_t slot() const { return m_slot; }

 private:
  void refuse(int number);

  ClsListaRelojes& m_list;
  Reporter& m_reporter;
  int16_t m_slot = 0;  // where Accept stores: the slot opened, or the chosen free number
};
