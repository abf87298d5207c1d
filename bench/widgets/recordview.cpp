// Record-file viewer on a large site's file: 1,000,000 card-first lines of 100,000 cards on
// 60 clocks, holder names shown (ModoVirtual 1). Opening, sorting and filtering go through
// the window as an operator would; the longest gap between event-loop turns while opening
// says whether the window stays responsive. The raw read (reading and splitting the lines,
// nothing shown) is the reference the opening is measured against. Last, a gigabyte without a
// line end (a sparse file): one faulty line, passed over in bounded memory.
#include "admin/RecordView.h"

#include "core/ClsCfgFile.h"
#include "core/ClsTarjetas.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/FVerArch.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kLines = 1000000, kCards = 100000, kClocks = 60;
constexpr int kFirstCard = 10000;

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void writeFiles() {
  std::ofstream cards("VELTA.TAR", std::ios::binary);
  for (int i = 0; i < kCards; ++i) {
    CardRecord c;
    c.version = ClsTarjetas::kVersion;
    c.card = kFirstCard + i;
    c.name = "Empleado " + std::to_string(i);
    c.Grupo = static_cast<int16_t>(i % 10);
    c.Resaltar = i % 50 == 0;
    c.Novedad = i % 97 == 0;
    cards << ClsTarjetas::encodeRecord(c);
  }
  std::ofstream punches("REGIS.MIR", std::ios::binary);
  char line[96];
  for (int i = 0; i < kLines; ++i) {
    const int card = kFirstCard + static_cast<int>((int64_t{i} * 7919) % kCards);
    std::snprintf(line, sizeof line, "%d %02d/%02d/2024 %02d:%02d %02d %02d\r\n", card, i % 28 + 1,
                  i % 12 + 1, i % 24, i % 60, i % kClocks + 1, i % 2 ? 2 : 1);
    punches << line;
  }
}

double rawRead() {
  const auto start = std::chrono::steady_clock::now();
  std::ifstream in("REGIS.MIR", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  size_t fields = 0, from = 0;
  for (;;) {
    const size_t nl = text.find('\n', from);
    if (nl == std::string::npos) break;
    fields += splitLineFields(std::string_view(text).substr(from, nl - from)).f[0].size();
    from = nl + 1;
  }
  if (fields == 0) std::puts("no lines read");
  return secondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  char tmpl[] = "/tmp/recordview-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::filesystem::path dir = tmpl, old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  ProgramObjects objects;
  *gDataFolder = dir.string() + "/";
  writeFiles();
  objects.createSettings();
  gCfgFile->ModoVirtual = 1;
  gCfgFile->LongTarjeta = 8;

  const double raw = rawRead();
  double open = 0, sort = 0, filter = 0, noLineEnds = 0;
  qint64 maxStall = 0;
  size_t listed = 0, filtered = 0;
  {
    const WindowContext context(
        std::nullopt, SharedWindowState(objects.layer<ClockWindowsState>(), objects.liveness()),
        AdminObjects::of(objects));
    FVerArch window(nullptr, context);
    window.show();
    QCoreApplication::processEvents();
    window.Archivo()->setText(QString::fromStdString(*gDataFolder + "REGIS.MIR"));
    window.TxtF(3)->setText("1");
    window.TxtF(4)->setText("1000000");

    // A zero timer fires on every turn of the event loop; the gaps between its shots are how
    // long the window would not have answered the operator.
    QElapsedTimer turn;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { maxStall = std::max(maxStall, turn.restart()); });
    ticker.start();
    turn.start();
    auto start = std::chrono::steady_clock::now();
    window.mnu(1)->trigger();
    open = secondsSince(start);
    maxStall = std::max(maxStall, turn.elapsed());
    ticker.stop();
    listed = window.view().rowCount();

    start = std::chrono::steady_clock::now();
    emit window.ListaReg()->horizontalHeader()->sectionClicked(0);
    sort = secondsSince(start);

    window.TxtF(0)->setText(QString::number(kFirstCard + 5000));
    window.TxtF(5)->setText(QString::number(kFirstCard + 5999));
    window.TxtF(1)->setText("7");
    start = std::chrono::steady_clock::now();
    window.mnu(1)->trigger();
    filter = secondsSince(start);
    filtered = window.view().rowCount();

    const int fd = ::open("HUGE.MIR", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, off_t{1} << 30) != 0) return 1;
    ::close(fd);
    for (int i : {0, 1, 5}) window.TxtF(i)->clear();
    window.Archivo()->setText(QString::fromStdString(*gDataFolder + "HUGE.MIR"));
    apptest::MsgBoxRecorder boxes;  // the faulty line's 308 is answered, not shown
    start = std::chrono::steady_clock::now();
    window.mnu(1)->trigger();
    noLineEnds = secondsSince(start);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
  objects.release();

  std::printf("listed %zu of %d lines; filter listed %zu\n", listed, kLines, filtered);
  std::printf("recordview_rawread_1m: %.3f s\n", raw);
  std::printf("recordview_open_1m: %.3f s\n", open);
  std::printf("recordview_sort_1m: %.3f s\n", sort);
  std::printf("recordview_filter_1m: %.3f s\n", filter);
  std::printf("recordview_no_line_ends_1g: %.3f s\n", noLineEnds);
  std::printf("recordview_max_stall: %lld ms\n", static_cast<long long>(maxStall));
  std::printf("recordview_peak_rss: %.0f MiB\n", usage.ru_maxrss / 1024.0);
  return listed == static_cast<size_t>(kLines) ? 0 : 1;
}
