// The card store: one record per card holder (card number, name, group, highlight and
// news marks, employee number) kept in VELTA.TAR (102-byte records, form 2; the loader
// also reads the 98-byte form 1). Each store holds the table it loaded: whoever loads one
// reads that store, and no load touches another store's table.
#pragma once

#include "core/Globals.h"
#include "core/StoreResult.h"
#include "core/StoreRows.h"

#include <cstdint>
#include <string>
#include <vector>

struct CardRecord {
  int16_t version = 0;
  double card = 0;   // card number
  std::string name;  // 40
  int16_t Grupo = 0;
  int16_t Resaltar = 0;
  int16_t Novedad = 0;
  std::string Legajo;     // 20
  std::string reserved1;  // 10
  std::string reserved2;  // 10
  int16_t reserved[3] = {0, 0, 0};
};

class ClsTarjetas {
 public:
  static constexpr size_t kRecordLength = 102;
  static constexpr size_t kOldRecordLength = 98;
  static constexpr int16_t kVersion = 2;
  // Most cards a VELTA.TAR may hold (a site has tens of thousands; card numbers have at most
  // a few digits more), and the largest file read.
  static constexpr size_t kMaxCards = 2'000'000;
  static constexpr size_t kMaxFileBytes = kMaxCards * kRecordLength;
  // Largest name import file (DBTAR.DAT, DBTOU.DAT) read: a line of up to 100 bytes a card.
  static constexpr size_t kMaxImportBytes = kMaxCards * 100;

  std::string Legajo() const;
  std::string Description(int16_t pModoVirtual) const;
  int16_t Novedad() const;
  int16_t Resaltar() const;
  int16_t Grupo() const;

  void Iniciar(const std::string& path);
  StoreLoad CargarTarjetas();
  // Rows: text = card number (hexadecimal when tipoNumero is 2, the current clock's card
  // kind), sub-items name, group, "X" highlight, "X" news, employee number.
  // Written, or refused for a row (status().badRow) or a failed write.
  StoreResult GrabarTarjetas(const StoreRows& list, int16_t tipoNumero);
  // Appends to list the rows of DBTAR.DAT (DBTOU.DAT for touch cards, tipoNumero 2) in
  // gDataFolder: one row per item "card - name" (items end at a comma or a line end; a quoted
  // item may hold commas); an item without a dash is skipped. A missing file adds nothing; the
  // answer is the refusal of one that is there but cannot be read ("" otherwise).
  [[nodiscard]] std::string ImportarNombres(StoreRows& list, int16_t tipoNumero);
  int16_t FindRecord(double pTjta);

  // The table as loaded, indexed from 0; one empty element when nothing is loaded.
  const std::vector<CardRecord>& table() const { return m_table; }
  const StoreStatus& status() const { return m_status; }

  static std::string encodeRecord(const CardRecord& r);
  static CardRecord decodeRecord(const std::string& bytes, int16_t version);

 private:
  bool hasCurrent() const { return m_current >= 0; }
  std::string m_path;
  std::vector<CardRecord> m_table = std::vector<CardRecord>(1);
  int m_current = -1;
  CardRecord m_card;
  StoreStatus m_status;
};

// The program's card store, the live owner's (ProgramObjects.h). The collection and the
// windows load stores of their own; nothing fills this one for them.
extern OwnedValue<ClsTarjetas> gCardTable;
