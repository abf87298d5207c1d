// The walk the card and company editor tests take through the browse and entry states:
// Nuevo, an Actualizar the check refuses, Cancelar, Nuevo, an Actualizar that stores the row,
// each with row 2 shown first; after each step the state, command 0's caption and the
// commands offered. Last, Cancelar while browsing shows row 1 again.
#pragma once

#include "admin/ListEditorModel.h"

#include <gtest/gtest.h>

#include <vector>

template <typename Model>
void walkBrowseAndEntry(Model& m, const typename Model::Fields& refused,
                        const typename Model::Fields& stored, const std::vector<bool>& browse,
                        const std::vector<bool>& entry) {
  auto offered = [&m] {
    std::vector<bool> out;
    for (int c = 0; c < m.commandCount(); ++c) out.push_back(m.enabled(c));
    return out;
  };
  EXPECT_EQ(offered(), browse) << "opened";
  const typename Model::Fields none{};
  const struct {
    const char* step;
    int command;
    const typename Model::Fields& typed;
    bool entry;
  } steps[] = {
      {"Nuevo opens the entry", ListEditorModel::kNuevo, none, true},
      {"a refused check keeps it", ListEditorModel::kNuevo, refused, true},
      {"Cancelar ends it", ListEditorModel::kCancelar, stored, false},
      {"Nuevo again", ListEditorModel::kNuevo, none, true},
      {"Actualizar stores the row", ListEditorModel::kNuevo, stored, false},
  };
  for (const auto& tc : steps) {
    SCOPED_TRACE(tc.step);
    m.showRow(2);
    m.fields = tc.typed;
    m.run(tc.command);
    EXPECT_EQ(m.entry(), tc.entry);
    EXPECT_EQ(m.caption0(), tc.entry ? 112 : 110);
    EXPECT_EQ(offered(), tc.entry ? entry : browse);
  }
  m.showRow(2);
  m.run(ListEditorModel::kCancelar);
  EXPECT_EQ(m.rows().selected(), 0);
}
