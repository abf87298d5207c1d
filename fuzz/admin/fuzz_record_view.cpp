// Arbitrary bytes as a punch-record file in the record-file viewer: every filter and setting
// (picked by the first input bytes) lists, names, sorts and saves rows without crashing; each
// listed line's fields come back in its cells and its saved line keeps its six fields.
#include "admin/RecordView.h"
#include "fuzz_nosync.h"
#include "fuzz_scratch.h"

#include <basekit/codepage.h>

#include <cstdlib>

namespace {

std::vector<CardRecord> holders() {
  std::vector<CardRecord> cards(3);
  cards[0].card = 100, cards[0].name = "ANA ", cards[0].Grupo = 1, cards[0].Resaltar = 1;
  cards[1].card = 171, cards[1].name = "BETO", cards[1].Grupo = 2, cards[1].Novedad = 1;
  cards[2].card = 200, cards[2].name = "  \xC3\xB1", cards[2].Grupo = 3;
  return cards;
}

// The filters the viewer's fields may hold: none, plain, odd.
const ViewFilter kFilters[] = {
    {},
    {"100", "200", "", "", "", "", "", "", ""},
    {"", "", "1", "", "2", "3", "", "1", "2"},
    {"", "", "", "01/12/2026", "", "", "01", "", ""},
    {"AB", "FFFFFFFFFFFF", "0", "", "-5", "1e300", "", "x", ""},
    {"1e308", "-1e308", "", "", "99999999999", "0", "", "", ""},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<CardRecord> cards = holders();
  if (size < 2) return 0;
  const uint8_t mode = data[0];
  const ViewFilter& filter = kFilters[data[1] % std::size(kFilters)];
  ViewSettings settings;
  settings.employeeNumbers = mode & 1;
  settings.touch = mode & 2;
  settings.virtualNames = mode & 4;
  settings.clockOpenText = "RELOJ ABIERTO!!!!!!!!!!";
  const std::string path = fuzzInputFile("PUNCH.MIR", data + 2, size - 2);

  RecordView view;
  const RecordView::Outcome out = view.run(path, filter, settings, cards);
  if (out.status != RecordView::Status::Done && out.status != RecordView::Status::BadBound)
    std::abort();
  if (view.rowCount() > static_cast<size_t>(view.lineCount())) std::abort();
  for (size_t k = 0; k < view.rowCount(); ++k) {
    const std::string saved = view.savedLine(k);
    const LineFields f = splitLineFields(saved);
    (void)view.marks(k);
    // Read back, a saved line with a card shows the same cells as the line it came from.
    const std::string_view back[RecordView::kColumns] = {f.f[1], f.f[2], f.f[3],
                                                         f.f[4], f.f[0], f.rest};
    const bool comparable = !f.f[0].empty() && f.f[0].front() != ' ';
    for (int c = 0; c < RecordView::kColumns; ++c) {
      const std::string cell = view.cell(k, c);
      if (comparable && (c < 5 || !settings.virtualNames) && cell != basekit::cp1252ToUtf8(back[c]))
        std::abort();
    }
  }
  view.sortBy(mode >> 3 & 7, mode & 0x80);
  (void)totalText(static_cast<int64_t>(view.rowCount()), view.lineCount());
  const std::string saved = saveRows(view, fuzzScratchDir() + "SAVED.MIR", SaveMode::Replace);
  if (!saved.empty()) std::abort();
  view.unsort();
  return 0;
}
