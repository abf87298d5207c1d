#include "collect/CollectPunches.h"

#include "collect/AppendJournal.h"
#include "collect/ClearResultLine.h"
#include "collect/PunchFiles.h"
#include "collect/testing/Hooks.h"
#include "core/Basic.h"
#include "core/CardNumber.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/FailureMessage.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/Release.h"
#include "core/clsRegistro.h"

#include <basekit/paths.h>
#include <clocklink/ClsMirsol.h>
#include <clocklink/EventPump.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

using clocklink::CollectionStatus;
using clocklink::kFailure;
using clocklink::kSuccess;

namespace collect {

namespace {

void step(const char* name, int index) {
  if (auto* h = testing::hooks()) h->collectStep(name, index);
}

using Params = DownloadParams;

// Blanks and the NUL filler of never-filled store fields.
std::string trimField(const std::string& s) {
  const auto b = s.find_first_not_of(std::string(" \0", 2));
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(std::string(" \0", 2)) - b + 1);
}

std::string fromPosition(const std::string& s, size_t pos) {
  return pos >= 1 && pos <= s.size() ? s.substr(pos - 1) : std::string();
}

std::string counter(int64_t n) { return basic::Format(n, "00000"); }

// Takes back what `journal` marked (the clock keeps the punches) and says so in `list`.
void undoWrites(AppendJournal* journal, ProgressList& list, int16_t language) {
  if (!journal || journal->empty()) return;
  const std::vector<basekit::FileError> failures = journal->cutBack();
  for (const basekit::FileError& f : failures) {
    list.add(GetExtraMsgIn(ExtraMsg::UndoFailed, language, {f.path, fileReason(f)}), kRedLine);
    list.refresh();
  }
  if (failures.empty()) {
    list.add(GetExtraMsgIn(ExtraMsg::WritesUndone, language), kRedLine);
    list.refresh();
  }
}

// One download and its writing phase.
class Collection {
 public:
  Collection(CollectContext& ctx, ProgressList& list, Params params)
      : m_ctx(ctx), m_list(list), m_p(std::move(params)), m_dirOut(m_p.dir), m_fileOut(m_p.name) {}

  // Opening and fetch loop. False when the routine ends here with `result` (reported).
  bool download(CollectionStatus& result);
  // Writes the records from `from` on, through the files kept open for the phase, then
  // syncs them. False when the phase failed (reported, download ended, result -200).
  bool write(size_t from, std::optional<std::string>& prevKept, CollectionStatus& result);
  void convert();
  // Ending the download; its steps already answered.
  void end() { (void)m_ctx.clock.recordProcess(3, 0); }
  // Every file opened from here on is marked in `journal` first.
  void keepJournal(AppendJournal* journal) { m_journal = journal; }
  // Takes back what the call appended (the download failed and the clock keeps its punches),
  // and says so.
  void undoWrites() { collect::undoWrites(m_journal, m_list, m_ctx.cfg.LENGUAJE); }

  std::string msg(int id) const { return GetMsgIn(id, m_ctx.cfg.LENGUAJE); }
  void line(const std::string& text, LineStyle style = kPlain) {
    m_list.add(text, style);
    m_list.refresh();
  }

  CollectionStatus last() const { return m_last; }
  const std::vector<std::string>& texts() const { return m_texts; }
  int32_t steps() const { return m_steps; }

 private:
  // What one writing phase keeps over its records: the tables the lines are named from, the
  // progress line, and the files, which stay open until the closing sync. The members come
  // in the order the phase sets them up.
  struct WritePhase {
    WritePhase(const ClsCfgFile& cfg, AppendJournal* journal) : files(journal), reg(&cfg) {}
    ClsTarjetas cards;
    ClsListaEmpresas companies;
    bool multi = false;
    int64_t total = 0;
    std::string label;
    int progress = 0;
    PunchFiles files;
    clsRegistro reg;
    bool anyInvalid = false;
    bool backup = false;
    bool console = false;
    std::string consolePath, backupPath;
    std::string openAll;  // the all-zero card a model 2 clock records when it is opened
    bool noCompany = false;
    int64_t written = 0;
  };
  // Where one record's lines go: its company (0 none, -1 a card of no company) and files.
  struct Route {
    int16_t company = 0;
    std::string outPath, errPath;
  };

  // The card names and, with several companies, the company table. False when the routine
  // ends here (reported, result -200).
  bool loadTables(WritePhase& ph, CollectionStatus& result);
  // Shows the progress line and takes the settings every record is written by.
  void startWriting(WritePhase& ph, size_t from);
  // Opens the record's files and writes its line, unless it repeats the one before. False
  // when a file failed; ph.files.error() says why.
  bool writeRecord(WritePhase& ph, const std::string& rec, std::optional<std::string>& prevKept);
  // Picks the record's company and with it the output folder and file.
  Route route(WritePhase& ph, const std::string& rec);
  // Opens every file the record's line may go to, before any of them is written to.
  bool openFiles(WritePhase& ph, const Route& to);
  // The duplicate test: with dropDup 1, false for a record equal to the last one kept.
  bool isKept(const std::string& rec, std::optional<std::string>& prevKept) const;
  // Builds the record's line, named from the card table, and appends it to its files.
  bool appendLines(WritePhase& ph, const std::string& rec, const Route& to);
  // Syncs what was written; only then is the phase a success.
  bool finishWriting(WritePhase& ph, CollectionStatus& result);

  bool writeFailed(const std::string& why, CollectionStatus& result) {
    line(why, kRedLine);
    end();
    result = kFailure;
    return false;
  }

  CollectContext& m_ctx;
  ProgressList& m_list;
  Params m_p;
  int32_t m_count = 0;
  CollectionStatus m_last = kSuccess;
  int32_t m_steps = 0;
  std::vector<std::string> m_texts;
  std::string m_dirOut, m_fileOut;
  AppendJournal* m_journal = nullptr;
  // Output files in order of first use: each is converted once.
  std::vector<std::pair<std::string, std::string>> m_outputs;
};

bool Collection::download(CollectionStatus& result) {
  ClockOps& clock = m_ctx.clock;
  line(msg(270) + msg(233), LineStyle{true, kBlue});
  const CollectionStatus opened = clock.recordProcess(1, 0, m_count);
  if (opened != kSuccess) {
    line(msg(failureMessage(opened, 337)), kRedLine);
    end();
    result = kFailure;
    return false;
  }
  if (m_count == 0) {
    line(msg(279), kRedLine);
    end();
    result = kSuccess;
    return false;
  }
  m_list.add("    " + msg(295) + ": " + counter(m_count));
  const std::string readLabel = "    " + msg(232) + ": ";
  const std::string errLabel = "    " + msg(217) + ": ";
  const int readLine = m_list.add(readLabel + counter(clock.regCount()));
  const int errLine = m_list.add(errLabel + counter(clock.regCountErr()));
  m_list.refresh();

  // The count is of records the clock holds; on model 6 some are not punches and are not
  // stored, so the steps taken, not the records kept, tell when the download is complete.
  m_last = kSuccess;
  while (clock.fetchedSteps() < m_count && m_last == kSuccess) {
    clocklink::pumpEvents();
    m_last = clock.recordProcess(2, m_p.factor);
    clocklink::pumpEvents();
    m_list.setText(readLine, readLabel + counter(clock.regCount()));
    m_list.setText(errLine, errLabel + counter(clock.regCountErr()));
    m_list.refresh();
    step("fetched", clock.fetchedSteps());
  }

  if (clock.regCountErr() > 0) line(msg(347), kRedLine);
  if (m_last != kSuccess) {
    line(msg(337), kRedLine);
    if (clock.regCount() <= 0) {
      end();
      result = kFailure;
      return false;
    }
  }
  if (m_count < 0) {
    end();
    result = kFailure;
    return false;
  }
  const int32_t total = clock.regCount();
  m_steps = clock.fetchedSteps();
  m_texts.reserve(static_cast<size_t>(total));
  for (int32_t i = 0; i < total; ++i) m_texts.push_back(clock.recordGet(i));
  return true;
}

bool Collection::write(size_t from, std::optional<std::string>& prevKept,
                       CollectionStatus& result) {
  try {
    WritePhase ph(m_ctx.cfg, m_journal);
    if (!loadTables(ph, result)) return false;
    startWriting(ph, from);
    for (size_t i = from; i < m_texts.size(); ++i) {
      if (!writeRecord(ph, m_texts[i], prevKept)) return writeFailed(ph.files.error(), result);
      step("written", static_cast<int>(i + 1));
    }
    return finishWriting(ph, result);
  } catch (const std::exception& e) {
    return writeFailed(e.what(), result);
  }
}

bool Collection::loadTables(WritePhase& ph, CollectionStatus& result) {
  ph.cards.Iniciar(m_ctx.dataFolder + "VELTA.TAR");
  // A missing card table only leaves the lines without names. One that is there but cannot
  // be read is no missing one: lines written without their holders (and legajos, in legajo
  // mode) would be wrong lines, so the phase fails and the clock keeps the punches.
  const StoreLoad cards = ph.cards.CargarTarjetas();
  if (ph.cards.status().readFailure)
    return writeFailed(msg(386) + ": " + ph.cards.status().readReason, result);
  // Of another form: nothing loaded from a file that holds cards.
  if (cards != StoreLoad::Loaded && cards != StoreLoad::Missing && ph.cards.status().unreadable)
    return writeFailed(ph.cards.status().message, result);
  ph.multi = m_ctx.cfg.MultiEmpresa == 1;
  if (!ph.multi) return true;
  ph.companies.Iniciar(m_ctx.dataFolder + "EMPR.DAT");
  // a failed read is handled below, from status()
  (void)ph.companies.CargarEmpresas();
  // A company table that is there but cannot be read is not "no companies defined".
  if (ph.companies.status().readFailure)
    return writeFailed(msg(386) + ": " + ph.companies.status().readReason, result);
  if (ph.companies.mCount == 0) return writeFailed(msg(381), result);
  return true;
}

void Collection::startWriting(WritePhase& ph, size_t from) {
  ph.total = static_cast<int64_t>(m_texts.size() - std::min(from, m_texts.size()));
  ph.label = ">" + msg(223) + ": ";
  ph.progress = m_list.add(ph.label + counter(0) + "/" + counter(ph.total));
  m_list.refresh();

  const ClsCfgFile& cfg = m_ctx.cfg;
  ph.anyInvalid = m_ctx.clock.regCountErr() > 0;
  ph.backup = cfg.Backup == 1;
  ph.console = m_p.console == -1;
  ph.consolePath = m_ctx.dataFolder + "CONSOLE.MIR";
  ph.backupPath = m_ctx.dataFolder + "BACKUP.MIR";
  ph.openAll = std::string(cfg.LongTouch > 0 ? cfg.LongTouch : 0, '0');
}

bool Collection::writeRecord(WritePhase& ph, const std::string& rec,
                             std::optional<std::string>& prevKept) {
  if (ph.console && !ph.files.open(ph.consolePath)) return false;
  const Route to = route(ph, rec);
  if (!openFiles(ph, to)) return false;
  if (!isKept(rec, prevKept)) return true;
  if (!appendLines(ph, rec, to)) return false;
  ++ph.written;
  m_list.setText(ph.progress, ph.label + counter(ph.written) + "/" + counter(ph.total));
  m_list.refresh();
  return true;
}

Collection::Route Collection::route(WritePhase& ph, const std::string& rec) {
  Route to;
  if (ph.multi) {
    // A card that is no number belongs to no company: its punch goes to the error file
    // like any other stray, instead of failing every pass and filling the clock up.
    double card = 0;
    to.company = cardNumberOf(trimField(fromPosition(rec, 18)), 1, card)
                     ? ph.companies.GetEmpresa(card)
                     : static_cast<int16_t>(-1);
    if (to.company < 0) ph.noCompany = true;
  }
  if (to.company > 0) {
    const CompanyRecord& company = ph.companies.table()[static_cast<size_t>(to.company)];
    m_dirOut = trimField(company.carpeta);
    m_fileOut = trimField(company.archivo);
  } else {
    m_dirOut = m_p.dir;
    m_fileOut = m_p.name;
  }
  to.outPath = m_dirOut + trimField(m_fileOut);
  to.errPath = m_dirOut + "ERRORES.TXT";
  return to;
}

bool Collection::openFiles(WritePhase& ph, const Route& to) {
  if (!ph.files.open(to.outPath)) return false;
  if (std::find(m_outputs.begin(), m_outputs.end(), std::pair(m_dirOut, m_fileOut)) ==
      m_outputs.end())
    m_outputs.emplace_back(m_dirOut, m_fileOut);
  if ((ph.anyInvalid || to.company < 0) && !ph.files.open(to.errPath)) return false;
  return !ph.backup || ph.files.open(ph.backupPath);
}

bool Collection::isKept(const std::string& rec, std::optional<std::string>& prevKept) const {
  if (m_p.dropDup != 1) return true;
  if (prevKept && *prevKept == rec) return false;
  prevKept = rec;
  return true;
}

bool Collection::appendLines(WritePhase& ph, const std::string& rec, const Route& to) {
  clsRegistro& reg = ph.reg;
  PunchFiles& files = ph.files;
  reg.parseFecha(rec);
  reg.parseHora(rec);
  reg.parseReloj(rec);
  reg.parseLector(rec);
  reg.parseTarjeta(rec, m_ctx.tipoNumero);
  if (!rec.empty() && rec[0] == '0' && to.company >= 0) {
    if (basic::Trim(reg.getTarjeta()) == ph.openAll && m_ctx.modelo == 2) {
      reg.parseDescripcion(msg(275));
    } else {
      ph.cards.FindRecord(reg.getTarjetaAsDouble());
      reg.parseDescripcion(basic::Trim(ph.cards.Description(m_ctx.cfg.ModoVirtual)));
      reg.parseLegajo(basic::Trim(ph.cards.Legajo()));
      if (reg.getLegajo().empty()) reg.parseLegajo("XXXXXXXXXX");
    }
    const std::string text = reg.getFileRecord();
    return files.append(to.outPath, text) && (!ph.backup || files.append(ph.backupPath, text)) &&
           (!ph.anyInvalid || files.append(to.errPath, text)) &&
           (!ph.console || files.append(ph.consolePath, text));
  }
  const std::string text =
      reg.getFileRecordWithError() + (to.company >= 0 ? " ** " + msg(320) : msg(382));
  return files.append(to.errPath, text) && (!ph.backup || files.append(ph.backupPath, text));
}

bool Collection::finishWriting(WritePhase& ph, CollectionStatus& result) {
  if (!ph.files.finish()) return writeFailed(ph.files.error(), result);
  step("synced", 0);
  if (ph.noCompany) line(msg(383), kRedLine);
  return true;
}

void Collection::convert() {
  if (m_ctx.cfg.Convertir != 1) return;
  // Single-company mode converts the one output file; with several companies every file the
  // call wrote is converted, in the order it was first used.
  std::vector<std::pair<std::string, std::string>> targets = m_outputs;
  if (m_ctx.cfg.MultiEmpresa != 1 || targets.empty()) targets = {{m_dirOut, m_fileOut}};
  for (const auto& [dirOut, fileOut] : targets) {
    line(msg(384));
    const int resultLine = m_list.add("");
    const std::string name = trimField(fileOut);
    int32_t r = 0;
    std::string why;
    std::string text;
    if (!m_ctx.converter.convert(basekit::toLocalPath(dirOut + name),
                                 basekit::toLocalPath(dirOut + "CVT_" + name), r, why)) {
      text = msg(389) + ": " + why;
    } else {
      const int m = r == 1    ? 266
                    : r == 0  ? 385
                    : r == -1 ? 386
                    : r == -2 ? 387
                    : r == -4 ? 388
                              : 389;
      text = msg(m);
    }
    m_list.setText(resultLine, text);
    m_list.refresh();
  }
}

enum class TopUp {
  Done,
  // The clock no longer holds what was written (other records, fewer, or none).
  ClockChanged,
  // Not done, but nothing says the clock lost anything: the download was interrupted or
  // failed, or the new lines could not be written.
  Failed,
};

// Downloads again after a punch was made during the download: the clock must still hold
// what was written as the first records; only the records after them are written, into the
// download's journal.
TopUp topUp(CollectContext& ctx, ProgressList& list, Download& d) {
  Collection c(ctx, list, d.params);
  c.keepJournal(d.journal.get());
  CollectionStatus result{};
  if (!c.download(result)) return result == kSuccess ? TopUp::ClockChanged : TopUp::Failed;
  const size_t prefix = d.texts.size();
  const size_t common = std::min(prefix, c.texts().size());
  if (!std::equal(d.texts.begin(), d.texts.begin() + static_cast<std::ptrdiff_t>(common),
                  c.texts().begin())) {
    c.end();
    return TopUp::ClockChanged;
  }
  // An interrupted download says nothing of the records it did not reach.
  if (c.last() != kSuccess) {
    c.end();
    return TopUp::Failed;
  }
  if (c.texts().size() < prefix) {
    c.end();
    return TopUp::ClockChanged;
  }
  if (!c.write(prefix, d.prevKept, result)) return TopUp::Failed;
  c.line(c.msg(266), kBlueLine);
  c.end();
  d.texts = c.texts();
  d.steps = c.steps();
  return TopUp::Done;
}

// The count at positions 30-34 of a complete status text; -1 otherwise.
long recount(const std::string& status) {
  if (status.size() != 36) return -1;
  long n = 0;
  for (size_t i = 29; i < 34; ++i) {
    if (status[i] < '0' || status[i] > '9') return -1;
    n = n * 10 + (status[i] - '0');
  }
  return n;
}

}  // namespace

Download collectPunches(CollectContext& ctx, ProgressList& list, const std::string& dir,
                        const std::string& name, int16_t dropDup, int16_t factor, int16_t console,
                        OnFailure onFailure) {
  Download d;
  d.params = Params{dir, basic::Trim(name), dropDup, factor, console};
  Collection c(ctx, list, d.params);
  const bool cutBack = onFailure == OnFailure::CutBack;
  std::shared_ptr<AppendJournal> journal = cutBack ? std::make_shared<AppendJournal>() : nullptr;
  c.keepJournal(journal.get());
  if (!c.download(d.status)) {
    d.clearable = d.status == kSuccess;  // an empty clock is a complete download of nothing
    return d;
  }
  std::optional<std::string> prevKept;
  if (!c.write(0, prevKept, d.status)) {
    c.undoWrites();
    return d;
  }
  if (cutBack && c.last() != kSuccess) {
    // Interrupted: the punches stay on the clock and come again with the next download, so
    // none of them may stay written, nor be converted.
    c.undoWrites();
    c.line(c.msg(266), kBlueLine);
    c.end();
    d.status = kFailure;
    return d;
  }
  c.convert();
  c.line(c.msg(266), kBlueLine);
  c.end();
  if (c.last() != kSuccess) {
    d.status = kFailure;
    return d;
  }
  if (ctx.cfg.MultiEmpresa == 0) MarcarEstado(1);
  d.status = kSuccess;
  d.clearable = true;
  d.texts = c.texts();
  d.steps = c.steps();
  d.prevKept = prevKept;
  d.journal = std::move(journal);  // the clearing may still have to take the lines back
  return d;
}

CollectionStatus clearAfterDownload(CollectContext& ctx, ProgressList& list, Download& d,
                                    int32_t downloaded, bool shippingOn) {
  // Every refusal comes before the clock was told to clear. `clockKeepsAll`: the clock was
  // last seen holding every punch written and more, so they come again with the next
  // download; without shipping nothing has left the files yet, so they are taken back.
  auto refuse = [&](bool clockKeepsAll) {
    list.add(">" + GetMsgIn(312, ctx.cfg.LENGUAJE), kRedLine);
    list.refresh();
    d.clearable = false;
    if (clockKeepsAll && !shippingOn) undoWrites(d.journal.get(), list, ctx.cfg.LENGUAJE);
    d.journal.reset();
    return kFailure;
  };
  if (!d.clearable || downloaded < 0 || static_cast<size_t>(downloaded) != d.texts.size())
    return refuse(false);
  for (int round = 0;; ++round) {
    const long n = recount(ctx.clock.statusGet());
    step("recounted", round);
    if (n == d.steps) {
      d.clearable = false;  // one clearing per download
      // Sent: whatever it answers, the clock may have cleared, so the lines stay.
      d.journal.reset();
      return ShowClearResult(list, ctx.clock.recordProcess(4, 0));
    }
    // Fewer (or no count at all): the lines written may be the only copy left.
    if (n < d.steps || shippingOn) return refuse(false);
    if (round == 3) return refuse(true);
    const TopUp topped = topUp(ctx, list, d);
    if (topped != TopUp::Done) return refuse(topped == TopUp::Failed);
  }
}

}  // namespace collect
