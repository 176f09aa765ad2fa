// The key store's whole-image passes at the two usual layouts: 4,360 used records of size 15
// and 654 of size 100 (the full listed range of each).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

#include "cli/KymCommand.h"
#include "files/CsvExport.h"
#include "files/ImageFile.h"
#include "keystore/KeyMemoryImage.h"

namespace {

qel::KeyCode EightByteCode(int i, std::uint8_t family) {
  qel::KeyCode code{};
  code[0] = static_cast<std::uint8_t>(i);
  code[1] = static_cast<std::uint8_t>(i >> 8);
  code[2] = family;
  code[7] = qel::Crc8Maxim(std::span(code).first(7));
  return code;
}

qel::KeyMemoryImage FullImage(int recordSize) {
  qel::KeyMemoryImage image;
  image.SetRecordSize(recordSize);
  for (int i = 0; i < image.ListedCount(); ++i) {
    image.StoreRecord(i, EightByteCode(i, 0x5A), {static_cast<std::uint8_t>(i), 0x01, 0x80},
                      "Byt \xE8. " + std::to_string(i) + " \x8Akoln\xED; " + std::string(80, 'x'));
  }
  return image;
}

std::filesystem::path Scratch(const char* name) {
  return std::filesystem::temp_directory_path() / ("qel-bench-" + std::to_string(getpid()) + "-" + name);
}

void BM_KeyListRefill(benchmark::State& state) {
  qel::KeyMemoryImage image = FullImage(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(image.BuildKeyList());
}
BENCHMARK(BM_KeyListRefill)->Arg(15)->Arg(100)->Unit(benchmark::kMicrosecond);

// The same refill through a filter the operator typed, which folds every comment and code.
void BM_KeyListRefillThroughAFilter(benchmark::State& state) {
  qel::KeyMemoryImage image = FullImage(static_cast<int>(state.range(0)));
  const qel::KeyFilter filter("škol");
  for (auto _ : state) benchmark::DoNotOptimize(image.BuildKeyList(filter));
}
BENCHMARK(BM_KeyListRefillThroughAFilter)->Arg(15)->Arg(100)->Unit(benchmark::kMicrosecond);

// Size 15 grows to 16 and size 100 shrinks to 50, as a changed comment length does.
void BM_RelayoutKeyMemory(benchmark::State& state) {
  const int from = static_cast<int>(state.range(0));
  const qel::KeyMemoryImage full = FullImage(from);
  for (auto _ : state) {
    state.PauseTiming();
    qel::KeyMemoryImage image = full;
    state.ResumeTiming();
    image.RelayoutKeyMemory(from == 15 ? 16 : 50);
    benchmark::DoNotOptimize(image.Bytes().data());
  }
}
BENCHMARK(BM_RelayoutKeyMemory)->Arg(15)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_CsvExportToFile(benchmark::State& state) {
  const qel::KeyMemoryImage image = FullImage(static_cast<int>(state.range(0)));
  const auto path = Scratch("export.csv");
  for (auto _ : state) {
    if (!qel::ExportCsvFile(path, image.Bytes(), image.RecordSize(), qel::Language::Czech).Ok()) {
      state.SkipWithError("export failed");
    }
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_CsvExportToFile)->Arg(15)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_ImageFileSave(benchmark::State& state) {
  const qel::KeyMemoryImage image = FullImage(static_cast<int>(state.range(0)));
  const auto path = Scratch("save.kym");
  for (auto _ : state) {
    if (!qel::SaveImageFile(path, image.Bytes(), {5, image.RecordSize(), 0, 1}).Ok())
      state.SkipWithError("save failed");
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_ImageFileSave)->Arg(15)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_ImageFileLoad(benchmark::State& state) {
  const qel::KeyMemoryImage image = FullImage(static_cast<int>(state.range(0)));
  const auto path = Scratch("load.kym");
  if (!qel::SaveImageFile(path, image.Bytes(), {5, image.RecordSize(), 0, 1}).Ok())
    state.SkipWithError("save failed");
  qel::ImageBytes loaded{};
  qel::ImageSettings settings{};
  for (auto _ : state) {
    if (!qel::LoadImageFile(path, loaded, settings).Ok()) state.SkipWithError("load failed");
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_ImageFileLoad)->Arg(15)->Arg(100)->Unit(benchmark::kMicrosecond);

// qel-kym diff of two full backups of size 15, 579 lines apart: every 16th key has other floors,
// every 40th is replaced by a new key (removed and added) and every 100th swaps places with the
// next. Both files are read, compared and the report written, as the command does.
void BM_KymDiff(benchmark::State& state) {
  const qel::KeyMemoryImage a = FullImage(15);
  qel::KeyMemoryImage b = a;
  for (int i = 0; i < b.ListedCount(); ++i) {
    if (i % 16 == 0) b.StoreRecord(i, b.KeyCodeAt(i), {0xFF, 0, 0}, "");
    if (i % 40 == 1) b.StoreRecord(i, EightByteCode(i, 0xA5), b.FloorsAt(i), "");
    if (i % 100 == 2) {
      const qel::KeyCode next = b.KeyCodeAt(i + 1);
      b.StoreRecord(i + 1, b.KeyCodeAt(i), b.FloorsAt(i), "");
      b.StoreRecord(i, next, b.FloorsAt(i), "");
    }
  }
  const std::string pathA = Scratch("diff-a.kym").string();
  const std::string pathB = Scratch("diff-b.kym").string();
  if (!qel::SaveImageFile(pathA, a.Bytes(), {5, 15, 0, 1}).Ok() ||
      !qel::SaveImageFile(pathB, b.Bytes(), {5, 15, 0, 1}).Ok())
    state.SkipWithError("save failed");
  const std::string_view arguments[] = {"diff", pathA, pathB, "--lang", "cs"};
  std::size_t lines = 0;
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    if (qel::RunKym(arguments, qel::Language::Czech, out, err) != 1) state.SkipWithError("diff failed");
    const std::string report = out.str();
    lines = static_cast<std::size_t>(std::count(report.begin(), report.end(), '\n'));
  }
  state.counters["lines"] = static_cast<double>(lines);
  std::filesystem::remove(pathA);
  std::filesystem::remove(pathB);
}
BENCHMARK(BM_KymDiff)->Unit(benchmark::kMillisecond);

}  // namespace
