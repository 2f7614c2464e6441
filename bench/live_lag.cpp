// SPDX-License-Identifier: GPL-3.0-or-later
// How soon the window shows what the sound system delivers: the real window (offscreen) on
// the system's wave input, hearing the open-strings recording through the private sound
// server that bench/measure-live-lag starts.
//
// For each block: from its end to the paint of its frequency caption. For each string:
// from its onset to the first paint of its note, and from the end of the first block that
// names it to that paint. Times are on the stream's own clock: the sample count the backend
// gives each block, tied to the steady clock by the block delivered soonest after its end,
// so the sound server's own latency, the same for every program, is left out. An onset is
// the first sample of a block over a loud level after 20 ms below a quiet one (the attack
// of the recording's strings takes a few milliseconds, so onsets read up to that late); an
// onset too near the start of a block that does not follow the one before is left out.
//   live-lag POINTS SECONDS
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "analysis/fourier_transform.h"
#include "analysis/note_naming.h"
#include "capture/system_wave_input.h"
#include "readings/reading_pipeline.h"
#include "tests/support/queued_press.h"
#include "window/auto_size_label.h"
#include "window/form1.h"
#include "window/message_service.h"
#include "window/settings_store.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kRate = 44100.0;
constexpr int kLoud = 10000;
constexpr int kQuiet = 6000;
constexpr std::size_t kQuietRun = 882;  // 20 ms
constexpr std::size_t kAttack = 88;     // 2 ms

struct Delivery {
  Clock::time_point at;
  std::optional<std::uint64_t> start;
  std::vector<std::int16_t> samples;
};

// The system's wave input, noting when each block is given back and what it holds.
class TimedInput : public WaveInput {
 public:
  explicit TimedInput(std::unique_ptr<WaveInput> backend) : backend_(std::move(backend)) {}
  std::vector<Delivery> deliveries;

  std::uint32_t GetNumDevs() override { return backend_->GetNumDevs(); }
  MMResult GetDevCaps(std::uint32_t id, WaveInCaps* caps, std::uint32_t size) override {
    return backend_->GetDevCaps(id, caps, size);
  }
  MMResult Open(HWaveIn* handle, std::uint32_t id, const WaveFormatEx* format) override {
    return backend_->Open(handle, id, format);
  }
  MMResult Start(HWaveIn handle) override { return backend_->Start(handle); }
  MMResult PrepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) override {
    return backend_->PrepareHeader(handle, header, size);
  }
  MMResult AddBuffer(HWaveIn handle, WaveHeader* header, std::uint32_t size) override {
    return backend_->AddBuffer(handle, header, size);
  }
  MMResult UnprepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) override {
    return backend_->UnprepareHeader(handle, header, size);
  }
  MMResult Reset(HWaveIn handle) override { return backend_->Reset(handle); }
  MMResult Close(HWaveIn handle) override { return backend_->Close(handle); }
  std::optional<std::uint64_t> LastBufferPosition(HWaveIn handle) override {
    return backend_->LastBufferPosition(handle);
  }
  bool WaitDone(HWaveIn handle, WaveHeader* header, std::chrono::milliseconds timeout) override {
    if (!backend_->WaitDone(handle, header, timeout)) return false;
    const auto* samples = reinterpret_cast<const std::int16_t*>(header->lpData);
    deliveries.push_back({Clock::now(), backend_->LastBufferPosition(handle),
                          std::vector<std::int16_t>(samples, samples + header->dwBytesRecorded / 2)});
    return true;
  }

 private:
  std::unique_ptr<WaveInput> backend_;
};

struct Paint {
  Clock::time_point at;
  bool note;  // the note label, else the frequency label
  std::string text;
};

class PaintLog : public QObject {
 public:
  PaintLog(AutoSizeLabel* frequency, AutoSizeLabel* note) : frequency_(frequency), note_(note) {
    frequency->installEventFilter(this);
    note->installEventFilter(this);
  }
  std::vector<Paint> paints;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && (watched == frequency_ || watched == note_)) {
      const auto* label = static_cast<AutoSizeLabel*>(watched);
      paints.push_back({Clock::now(), watched == note_, label->Caption().toStdString()});
    }
    return false;
  }

 private:
  QObject* frequency_;
  QObject* note_;
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Max(const std::vector<double>& values) {
  return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// The first paint of `text` on the chosen label from `from` on, before `until`.
std::optional<Clock::time_point> FirstPaint(const std::vector<Paint>& paints, Clock::time_point from, bool note,
                                            const std::string& text, Clock::time_point until = Clock::time_point::max()) {
  for (const Paint& paint : paints)
    if (paint.at >= from && paint.at < until && paint.note == note && paint.text == text) return paint.at;
  return std::nullopt;
}

// Where in `samples` a string starts, from `from` on: the first loud sample whose 20 ms
// before its last 2 ms (the attack) are quiet.
std::optional<std::size_t> OnsetIn(const std::vector<std::int16_t>& samples, std::size_t from) {
  const auto level = [&](std::size_t k) { return std::abs(static_cast<int>(samples[k])); };
  for (std::size_t k = std::max(from, kQuietRun + kAttack); k < samples.size(); ++k) {
    if (level(k) < kLoud) continue;
    bool quietBefore = true;
    for (std::size_t j = k - kQuietRun - kAttack; j < k - kAttack && quietBefore; ++j) quietBefore = level(j) < kQuiet;
    if (quietBefore) return k;
  }
  return std::nullopt;
}

class NoMessages : public MessageService {
 public:
  void ShowMessage(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
  void ShowError(const ErrorReport& report) override {
    std::fprintf(stderr, "error: %s\n", report.description.c_str());
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: live-lag POINTS SECONDS\n");
    return 2;
  }
  const int N = std::stoi(argv[1]);
  const int seconds = std::stoi(argv[2]);
  QApplication application(argc, argv);
  QTemporaryDir folder;
  auto settingsFile = OpenSettingsFile(folder.filePath("settings.conf"));
  settingsFile->setValue(kNumberOfPointsKey, N == 1024 ? "0" : N == 2048 ? "1" : "2");
  QSettingsStore settings(std::move(settingsFile));
  NoMessages messages;
  TimedInput input(CreateSystemWaveInput());
  Form1 form(Form1Services{input, settings, messages, folder.path(), "Corvandel Pitch Suite"});
  form.Form_Load();
  form.show();
  PaintLog log(form.lblFrequency, form.lblNote);
  QTimer::singleShot(seconds * 1000, &form, [&] { PostPress(form.PushButton2); });
  QTimer::singleShot(seconds * 1000 + 1000, &application, &QCoreApplication::quit);
  PostPress(form.PushButton2);
  QApplication::exec();

  // The readings of the same blocks, read again: what each block put on the labels.
  ReadingPipeline pipeline(static_cast<std::int32_t>(kRate));
  const std::vector<std::int32_t> table = BitReversal(N / 2);
  std::vector<std::int16_t> buffer(2 * static_cast<std::size_t>(N));
  std::vector<BlockReading> readings;
  Clock::time_point origin = Clock::time_point::max();  // the steady time of stream position 0
  for (const Delivery& delivery : input.deliveries) {
    std::copy(delivery.samples.begin(), delivery.samples.end(), buffer.begin());
    readings.push_back(pipeline.Read(buffer, table, delivery.start));
    if (delivery.start)
      origin = std::min(origin, delivery.at - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                                  static_cast<double>(*delivery.start + static_cast<std::uint64_t>(N)) / kRate)));
  }
  const auto timeOf = [&](std::uint64_t position) {
    return origin + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(static_cast<double>(position) / kRate));
  };
  const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };

  std::vector<double> blockToPaint;
  int unchanged = 0;
  int neverShown = 0;
  for (std::size_t k = 0; k < readings.size(); ++k) {
    const Delivery& delivery = input.deliveries[k];
    if (!delivery.start) continue;
    if (k > 0 && readings[k].frequencyCaption == readings[k - 1].frequencyCaption) {
      ++unchanged;
      continue;
    }
    // A block's captions are painted before the next block is taken, or never.
    const auto next = k + 1 < readings.size() ? input.deliveries[k + 1].at : Clock::time_point::max();
    const auto painted = FirstPaint(log.paints, delivery.at, false, readings[k].frequencyCaption, next);
    if (!painted) {
      ++neverShown;
      continue;
    }
    blockToPaint.push_back(ms(*painted - timeOf(*delivery.start + static_cast<std::uint64_t>(N))));
  }

  std::vector<double> onsetToNote;
  std::vector<double> namingBlockToNote;
  int onsets = 0;
  for (std::size_t k = 0; k < readings.size(); ++k) {
    const Delivery& delivery = input.deliveries[k];
    if (!delivery.start) continue;
    // The block with the one before it, where that one ends where it starts.
    std::vector<std::int16_t> stretch;
    const Delivery* before = k > 0 ? &input.deliveries[k - 1] : nullptr;
    if (before != nullptr && before->start && *before->start + before->samples.size() == *delivery.start)
      stretch = before->samples;
    const std::size_t blockFrom = stretch.size();
    stretch.insert(stretch.end(), delivery.samples.begin(), delivery.samples.end());
    const auto inStretch = OnsetIn(stretch, blockFrom);
    if (!inStretch) continue;
    const std::uint64_t onset = *delivery.start + (*inStretch - blockFrom);
    // The string is the note the blocks of its steady part name most often.
    std::map<std::int16_t, int> named;
    std::size_t naming = readings.size();
    for (std::size_t j = k; j < readings.size() && input.deliveries[j].start &&
                            *input.deliveries[j].start < onset + static_cast<std::uint64_t>(1.5 * kRate);
         ++j) {
      if (*input.deliveries[j].start >= onset + static_cast<std::uint64_t>(0.3 * kRate) && readings[j].noteNumber >= 0)
        ++named[readings[j].noteNumber];
    }
    if (named.empty()) continue;
    const std::int16_t note = std::max_element(named.begin(), named.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
    for (std::size_t j = k; j < readings.size(); ++j)
      if (readings[j].noteNumber == note && input.deliveries[j].start) {
        naming = j;
        break;
      }
    const auto shown = FirstPaint(log.paints, timeOf(onset), true, "Note: " + Note_Octave(note));
    if (!shown || naming == readings.size()) continue;
    ++onsets;
    onsetToNote.push_back(ms(*shown - timeOf(onset)));
    namingBlockToNote.push_back(ms(*shown - timeOf(*input.deliveries[naming].start + static_cast<std::uint64_t>(N))));
  }

  // | N | blocks | with a caption of their own | of those never shown | block end to paint,
  // median / max ms | strings | onset to note, median ms | naming block's end to note, median / max ms |
  std::printf("| %d | %zu | %zu | %d | %.0f / %.0f | %d | %.0f | %.0f / %.0f |\n", N, readings.size(),
              readings.size() - static_cast<std::size_t>(unchanged), neverShown, Median(blockToPaint),
              Max(blockToPaint), onsets, Median(onsetToNote), Median(namingBlockToNote), Max(namingBlockToNote));
  return 0;
}
