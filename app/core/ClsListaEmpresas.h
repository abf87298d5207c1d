// The company store: up to 100 companies, each a range of card numbers and the output
// file its punches go to, kept in EMPR.DAT (345-byte records; the loader also reads the
// older 337-byte form, marked by version 2 in record 1). Each store holds its own table:
// whoever loads one reads (and the company editor writes) that store's slots, and no load or
// Iniciar touches another store's.
#pragma once

#include "core/Globals.h"
#include "core/StoreResult.h"
#include "core/StoreRows.h"

#include <array>
#include <cstdint>
#include <string>

struct CompanyRecord {
  int16_t version = 0;
  int16_t inUse = 0;  // > 0 live company; -1 free
  double desde = 0;   // first card number of the range
  double hasta = 0;   // last card number of the range
  // A slot never filled is zero bytes on disk, as the original program left it.
  std::string name = std::string(50, '\0');
  std::string archivo = std::string(20, '\0');   // output file name
  std::string carpeta = std::string(255, '\0');  // output folder
};

class ClsListaEmpresas {
 public:
  static constexpr int kSlots = 100;
  static constexpr size_t kRecordLength = 345;
  static constexpr size_t kOldRecordLength = 337;
  static constexpr int16_t kOldVersion = 2;
  static constexpr int16_t kVersion = 7;
  // Largest EMPR.DAT read: 16 times the 100 slots.
  static constexpr size_t kMaxFileBytes = 16 * kSlots * kRecordLength;

  int16_t mCount = 0;

  void Iniciar(const std::string& path);
  StoreLoad CargarEmpresas();
  StoreResult GrabarEmpresas();
  int16_t Nuevo();
  void Borrar(int16_t i);
  int16_t GetEmpresa(double ptarjeta) const;

  // Elements 1..100 are the slots; element 0 is never used. GrabarEmpresas writes them.
  using Table = std::array<CompanyRecord, kSlots + 1>;
  Table& table() { return m_table; }
  const Table& table() const { return m_table; }
  const StoreStatus& status() const { return m_status; }

  static std::string encodeRecord(const CompanyRecord& r);
  static CompanyRecord decodeRecord(const std::string& bytes, bool oldForm);

 private:
  std::string m_path;
  Table m_table{};
  StoreStatus m_status;
};

// The program's company store, the live owner's (ProgramObjects.h). The collection and the
// company editor load stores of their own; nothing fills this one for them.
extern OwnedValue<ClsListaEmpresas> gCompanyTable;
