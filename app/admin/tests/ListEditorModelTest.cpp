// The state machine the card and company editors share, driven through the model alone for
// both command layouts: from each state, each command gives the commands offered next, the
// caption of command 0, whether the list changed, the row shown and what the operator was told
// or asked.
#include "admin/FBasesModel.h"
#include "admin/FEmprModel.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsTarjetas.h"
#include "core/MsgStyle.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/RecordingReporter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

enum class State { Empty, Browse, Entry };
// Baja comes with the operator's answer; Actualizar is Nuevo while an entry is open.
enum class Step {
  Nuevo,
  Actualizar,
  ActualizarRefused,
  Modificar,
  BajaYes,
  BajaNo,
  Cancelar,
  Salir
};
using enum State;
using enum Step;
// What an editor's fields are set to before a step.
enum class Typed { Shown, NewRow, RefusedRow, ChangedRow };

// One editor and the data it opens with: two rows, or none.
struct Layout {
  const char* name;
  std::function<void(const apptest::TempDataFolder&, bool rows)> writeStore;
  std::function<std::unique_ptr<ListEditorModel>(Reporter&)> open;
  std::function<void(ListEditorModel&, Typed)> type;
  std::vector<bool> browse, entry;  // the commands offered, by index
  int shownAfterBajaNo;             // with row 2 shown
};

std::string companies(bool rows) {
  std::string bytes;
  if (!rows) return bytes;
  for (const auto& [from, to, name] : {std::tuple{1, 9, "Acme"}, std::tuple{10, 19, "Beta"}}) {
    CompanyRecord r;
    r.version = 3;
    r.inUse = 1;
    r.desde = from;
    r.hasta = to;
    r.name = storefile::fitText(name, 50);
    bytes += ClsListaEmpresas::encodeRecord(r);
  }
  return bytes;
}

std::string cards(bool rows) {
  std::string bytes;
  if (!rows) return bytes;
  for (const auto& [number, name] : {std::pair{1, "Ana"}, std::pair{2, "Bruno"}}) {
    CardRecord r;
    r.card = number;
    r.name = name;
    bytes += ClsTarjetas::encodeRecord(r);
  }
  return bytes;
}

const Layout kLayouts[] = {
    {"Companies",
     [](const apptest::TempDataFolder& f, bool rows) { f.write("EMPR.DAT", companies(rows)); },
     [](Reporter& r) { return std::make_unique<FEmprModel>(r); },
     [](ListEditorModel& m, Typed typed) {
       auto& fields = static_cast<FEmprModel&>(m).fields;
       if (typed == Typed::NewRow) fields = {"20", "29", "Gamma", "", ""};
       if (typed == Typed::RefusedRow) fields = {"", "29", "Gamma", "", ""};
       if (typed == Typed::ChangedRow) fields.descripcion = "Beta SA";
     },
     // Nuevo, Modificar, Baja, Cancelar, Salir
     {true, true, true, false, true},
     {true, false, false, true, true},
     2},
    {"Cards",
     [](const apptest::TempDataFolder& f, bool rows) { f.write("VELTA.TAR", cards(rows)); },
     [](Reporter& r) { return std::make_unique<FBasesModel>(r); },
     [](ListEditorModel& m, Typed typed) {
       auto& fields = static_cast<FBasesModel&>(m).fields;
       if (typed == Typed::NewRow) fields = {"9", "Eva", "", "", false, false};
       if (typed == Typed::RefusedRow) fields = {"", "Eva", "", "", false, false};
       if (typed == Typed::ChangedRow) fields.descrip = "Bruno B";
     },
     // Nuevo, Modificar, Baja, Cancelar, Importar, Salir
     {true, true, true, false, true, true},
     {true, false, false, true, false, false},
     1},
};

constexpr int kOwn = -1;  // shown: the row the layout's Baja answered No leaves shown

struct Case {
  const char* name;
  State from;
  Step step;
  State to;
  bool rowsChanged;
  size_t rows;                               // after the step
  int shown;                                 // the row shown after it (1-based, 0 none)
  std::vector<std::pair<int, int>> reports;  // message and style, in order
};

constexpr int kAsk = msgbox::YesNo | msgbox::Question;
constexpr int kCrit = msgbox::OkOnly | msgbox::Critical;
constexpr int kWarn = msgbox::OkOnly | msgbox::Exclamation;

// In Browse row 2 is shown before the step; an entry was opened from there.
// clang-format off
const Case kCases[] = {
    // name                     from    step               to      change rows shown told
    {"browse Nuevo",           Browse, Nuevo,             Entry,  false, 2, 2,    {}},
    {"browse Modificar",       Browse, Modificar,         Browse, true,  2, 2,    {}},
    {"browse Baja Yes",        Browse, BajaYes,           Browse, true,  1, 1,    {{194, kAsk}}},
    {"browse Baja No",         Browse, BajaNo,            Browse, false, 2, kOwn, {{194, kAsk}}},
    {"browse Cancelar",        Browse, Cancelar,          Browse, false, 2, 1,    {}},
    {"browse Salir",           Browse, Salir,             Browse, false, 2, 2,    {}},
    {"entry Actualizar",       Entry,  Actualizar,        Browse, true,  3, 3,    {}},
    {"entry refused",          Entry,  ActualizarRefused, Entry,  false, 2, 2,    {{356, kCrit}}},
    {"entry Cancelar",         Entry,  Cancelar,          Browse, false, 2, 1,    {}},
    {"entry Salir if offered", Entry,  Salir,             Entry,  false, 2, 2,    {}},
    {"empty Baja",             Empty,  BajaYes,           Browse, false, 0, 0,    {{336, kWarn}}},
    {"empty Modificar",        Empty,  Modificar,         Browse, false, 0, 0,    {}},
    {"empty Nuevo",            Empty,  Nuevo,             Entry,  false, 0, 0,    {}},
};
// clang-format on

int commandOf(const ListEditorModel& m, Step step) {
  switch (step) {
    case Step::Nuevo:
    case Step::Actualizar:
    case Step::ActualizarRefused:
      return ListEditorModel::kNuevo;
    case Step::Modificar:
      return ListEditorModel::kModificar;
    case Step::BajaYes:
    case Step::BajaNo:
      return ListEditorModel::kBaja;
    case Step::Cancelar:
      return ListEditorModel::kCancelar;
    case Step::Salir:
      return m.salirCommand();
  }
  return -1;
}

Typed typedFor(Step step) {
  if (step == Step::Actualizar) return Typed::NewRow;
  if (step == Step::ActualizarRefused) return Typed::RefusedRow;
  if (step == Step::Modificar) return Typed::ChangedRow;
  return Typed::Shown;
}

std::vector<bool> offered(const ListEditorModel& m) {
  std::vector<bool> out;
  for (int c = 0; c < m.commandCount(); ++c) out.push_back(m.enabled(c));
  return out;
}

class ListEditorStates : public ::testing::TestWithParam<Layout> {};

TEST_P(ListEditorStates, EachCommandFromEachState) {
  const Layout& layout = GetParam();
  for (const Case& tc : kCases) {
    SCOPED_TRACE(tc.name);
    apptest::TempDataFolder folder;
    apptest::objects().createSettings();  // messages in Spanish
    apptest::RecordingReporter reporter;
    int beeps = 0;
    layout.writeStore(folder, tc.from != State::Empty);
    std::unique_ptr<ListEditorModel> m = layout.open(reporter);
    m->hooks.beep = [&beeps] { ++beeps; };
    m->load();
    EXPECT_EQ(beeps, tc.from == State::Empty ? 1 : 0);
    if (tc.from != State::Empty) m->showRow(2);
    if (tc.from == State::Entry) m->run(ListEditorModel::kNuevo);
    ASSERT_EQ(m->entry(), tc.from == State::Entry);
    EXPECT_EQ(offered(*m), tc.from == State::Entry ? layout.entry : layout.browse);

    const int command = commandOf(*m, tc.step);
    // A command the layout does not offer in this state never reaches the model; Cancelar
    // while browsing is still honoured by the menu handler.
    if (!m->enabled(command) && tc.step != Step::Cancelar) continue;
    layout.type(*m, typedFor(tc.step));
    if (tc.step == Step::BajaNo) reporter.answer(msgbox::No);
    if (tc.step == Step::BajaYes) reporter.answer(msgbox::Yes);
    const uint64_t changes = m->rowsChanged();
    m->run(command);

    EXPECT_EQ(m->entry(), tc.to == State::Entry);
    EXPECT_EQ(offered(*m), tc.to == State::Entry ? layout.entry : layout.browse);
    EXPECT_EQ(m->caption0(), tc.to == State::Entry ? 112 : 110);
    EXPECT_EQ(m->rowsChanged() != changes, tc.rowsChanged);
    EXPECT_EQ(m->rowCount(), tc.rows);
    EXPECT_EQ(m->selectedRow() + 1, tc.shown == kOwn ? layout.shownAfterBajaNo : tc.shown);
    std::vector<std::pair<int, int>> told;
    for (const apptest::Report& r : reporter.reports()) told.emplace_back(r.number, r.style);
    EXPECT_EQ(told, tc.reports);
  }
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, ListEditorStates, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
