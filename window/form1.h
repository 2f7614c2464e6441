// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its controls by their names, its start-up, the FFT-size handler and
// the device list, and the buffers it shares with the measuring loop.
#pragma once

#include <QCursor>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/fourier_transform.h"

class AutoSizeLabel;
class Form1MeasuringView;
class MeasuringLoop;
class MessageService;
class PushButton;
class QGroupBox;
class QLineEdit;
class QListWidget;
class SettingsStore;
class SkinFramework;
class WaveInput;

// What the window reaches outside itself, handed in so tests can replace every part.
struct Form1Services {
  WaveInput& waveInput;
  SettingsStore& settings;
  MessageService& messages;
  QString programFolder;             // holds HAND-M.CUR and x/o.cjs
  QString productTitle = "Corvandel Pitch Suite";
};

inline constexpr const char* kNumberOfPointsKey = "lstnumberofpoints";
inline constexpr const char* kNoMicrophoneFound = "No microphone found.";

class Form1 : public QWidget {
  Q_OBJECT

 public:
  explicit Form1(Form1Services services, QWidget* parent = nullptr);
  ~Form1() override;

  // The controls, in creation order; children follow their container.
  QLineEdit* Text1;
  QGroupBox* Frame3;
  QListWidget* lstNumberofPoints;
  QGroupBox* Frame2;
  AutoSizeLabel* lblFrequency;
  AutoSizeLabel* lblTuning;
  AutoSizeLabel* lblNote;
  QGroupBox* Frame1;
  QListWidget* lstAudioDevices;
  PushButton* PushButton2;
  SkinFramework* SkinFramework1;  // the skin engine; ApplySkin attaches the window to it

  // Shared with the measuring loop, which hands them to the analysis.
  std::vector<std::int32_t> BitReversedIndex;
  std::vector<std::int16_t> Samples;

  // The Start/Stop press, the measuring loop and the close request.
  std::unique_ptr<MeasuringLoop> Measuring;

  // The custom pointer image loaded at start-up from HAND-M.CUR, if any.
  std::optional<QCursor> MouseIcon;

  // Pointer modes of the whole window.
  static constexpr std::int16_t kDefaultPointer = 0;
  static constexpr std::int16_t kBusyPointer = 11;
  static constexpr std::int16_t kCustomPointer = 99;  // MouseIcon, or an arrow without one
  std::int16_t MousePointer() const;
  void SetMousePointer(std::int16_t mode);

  // The controls in creation order (the visible ones; the engine is no widget).
  std::vector<QWidget*> Controls() const;

  // Runs once before the window is first shown; failures go to the error dialog.
  void Form_Load();
  // True once the program has been ended during start-up: the window must not be shown.
  bool ProgramEnded() const;

  void FillDeviceList();

  const Form1Services& Services() const;

 public slots:
  void lstNumberofPoints_Click();
  void PushButton2_Click();

  // Pointer feedback: the hand over the button, the ordinary pointer over the window
  // and its frames; a busy pointer is left alone.
  void Form_MouseMove(int button, int shift, int x, int y);
  void Frame1_MouseMove(int button, int shift, int x, int y);
  void Frame2_MouseMove(int button, int shift, int x, int y);
  void Frame3_MouseMove(int button, int shift, int x, int y);
  void PushButton2_MouseMove(int button, int shift, int x, int y);

 protected:
  void showEvent(QShowEvent* event) override;
  // A close request: refused while measuring (after stopping); otherwise the window unloads.
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void SelectStoredNumberOfPoints();
  void EndProgram();
  void WirePointerFeedback();
  void HoverPointer(std::int16_t mode);

  void Form_Unload();

  Form1Services services_;
  std::unique_ptr<Form1MeasuringView> measuringView_;
  std::int16_t mousePointer_ = kDefaultPointer;
  bool programEnded_ = false;
  bool centred_ = false;
};
