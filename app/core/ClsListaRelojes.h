// The clock list: 100 slots of clock records kept in velta002.dat (581-byte records,
// form 7; the loader also reads forms 1..6), the current clock, and the table of clock model
// names.
#pragma once

#include "core/StoreResult.h"
#include "core/StoreRows.h"

#include <cstdint>
#include <functional>
#include <string>

// One clock. Texts are in UTF-8; a slot holds them at their stored width (blank padded), the
// current clock as the caller set them or trimmed by GetCurData.
struct ClockRecord {
  int16_t m_Version = 0;
  int16_t m_Prg = 0;
  std::string M_Numero;  // 1
  int16_t m_Modelo = 0;
  std::string m_Puerto;     // 5 (4 in forms 1..6)
  std::string m_Velocidad;  // 5
  std::string m_Telefono;   // 25 (15 in forms 1..2)
  int16_t M_Borrar = 0;
  std::string M_Archivo;  // 100
  int16_t m_ArchivoFecha = 0;
  int16_t m_FHora = 0;
  int16_t M_Comunicacion = 0;
  int16_t m_TipoNumero = 0;
  int16_t M_Activo = 0;
  std::string m_Path;     // 250
  std::string m_Descrip;  // 50
  std::string m_IP;       // 15
  int16_t m_tipo = 0;
  std::string m_ArchivoHabil;  // 100
  int16_t m_TipoInterface = 0;
  int32_t m_PortLocal = 0;
  int32_t m_PortRemoto = 0;

  bool operator==(const ClockRecord&) const = default;
};

struct EditorHooks;

// The current clock is the store's own ClockRecord part: its fields are read and set as the
// store's (clocks.m_Descrip) in about 35 files, windows and runs among them: they stay as is.
class ClsListaRelojes : public ClockRecord {
 public:
  static constexpr int kSlots = 100;
  static constexpr size_t kRecordLength = 581;
  static constexpr int16_t kVersion = 7;
  // Largest velta002.dat read: 16 times the 100 slots, older and longer records included.
  static constexpr size_t kMaxFileBytes = 16 * kSlots * kRecordLength;

  ClsListaRelojes();  // every slot never filled: zero bytes throughout

  int16_t Operation = 0;  // slot handed to the clock editor and its answer; never stored

  void Iniciar(const std::string& path);
  // A missing file gives one default clock in slot 1, written only by GrabarRelojes.
  StoreLoad CargarRelojes();
  StoreResult GrabarRelojes();
  int16_t Nuevo();
  std::string GetModelo(int16_t i) const;
  void Borrar(int16_t i);
  // Shows the editor of `editors` (the owner's hooks, for the store it makes) modally.
  bool Modificar(int16_t i);
  void useEditors(const EditorHooks* editors) { m_editors = editors; }
  bool Deleted(int16_t i) const;
  int16_t GetCurData(int16_t i);
  // Slot n holds a clock: in the table and not free.
  bool IsClock(int16_t n) const;
  // The current record from slot n when it holds a clock; otherwise (a free slot, a number
  // outside the table) the default clock the main window's panel shows, never a free slot's
  // leftover record (its telephone or model would aim the link or enable commands for a
  // clock that is not there).
  void GetCurDataOrDefault(int16_t n);
  // The current clock into slot i as the file would give it back: texts cut or padded to their
  // widths in the file's code page, m_IP trimmed first.
  int16_t SetCurData(int16_t i);
  int16_t FillList(StoreRows& list) const;

  // Slot i (1..100) as held in memory; nullptr outside the table.
  const ClockRecord* slot(int i) const;
  ClockRecord& current() { return *this; }
  const ClockRecord& current() const { return *this; }
  const StoreStatus& status() const { return m_status; }
  const std::string& path() const { return m_path; }

  // The record codec, public so tests and fuzzers can build and read files.
  static std::string encodeRecord(const ClockRecord& r);
  static bool decodeRecord(const std::string& bytes, int16_t version, ClockRecord& r);
  static size_t recordLength(int16_t version);  // 0 for an unknown form

 private:
  static ClockRecord stored(const ClockRecord& r);

  const EditorHooks* m_editors = nullptr;  // the owner's, for the store it makes
  std::string m_path;
  ClockRecord m_slots[kSlots + 1];  // index 0 unused
  StoreStatus m_status;
};
