// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/form1.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <exception>

#include <QCloseEvent>

#include "capture/measuring_loop.h"
#include "window/auto_size_label.h"
#include "window/form1_measuring_view.h"
#include "window/back_color.h"
#include "window/message_service.h"
#include "window/push_button.h"
#include "window/skin_framework.h"
#include "window/twips.h"

namespace {

QFont WindowFont(double pointSize) {
  QFont font("Arial");
  font.setPointSizeF(pointSize);
  font.setBold(true);
  return font;
}

QGroupBox* MakeFrame(const QString& name, const QString& caption, QRect geometry,
                     QWidget* container) {
  auto* frame = new QGroupBox(caption, container);
  frame->setObjectName(name);
  frame->setGeometry(geometry);
  SetBackColor(frame, Qt::white);
  return frame;
}

QListWidget* MakeListBox(const QString& name, QRect geometry, QWidget* container) {
  auto* list = new QListWidget(container);
  list->setObjectName(name);
  list->setGeometry(geometry);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  return list;
}

AutoSizeLabel* MakeLabel(const QString& name, const QString& caption, QPoint position,
                         QWidget* container) {
  auto* label = new AutoSizeLabel(caption, container);
  label->setObjectName(name);
  label->move(position);
  SetBackColor(label, Qt::white);
  return label;
}

}  // namespace

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      services_(std::move(services)) {
  setObjectName("Form1");
  setWindowTitle("Form1");
  setFont(WindowFont(9));
  SetBackColor(this, Qt::white);
  setFixedSize(TwipsToPixels(8040), TwipsToPixels(5685));
  CreateControls();
  connect(lstNumberofPoints, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    // The handler catches nothing itself; an error must not unwind through Qt.
    try {
      lstNumberofPoints_Click();
    } catch (const std::exception& error) {
      services_.messages.ShowMessage(QString::fromUtf8(error.what()));
    }
  });
  measuringView_ = std::make_unique<Form1MeasuringView>(*this);
  Measuring = std::make_unique<MeasuringLoop>(services_.waveInput, *measuringView_, Samples, BitReversedIndex);
  connect(PushButton2, &PushButton::Click, this, &Form1::PushButton2_Click);
  SkinFramework1 = new SkinFramework(this);
  WirePointerFeedback();
}

Form1::~Form1() = default;

void Form1::CreateControls() {
  Text1 = new QLineEdit("Text1", this);
  Text1->setObjectName("Text1");
  Text1->setGeometry(TwipsRect(720, 6120, 2655, 705));  // below the client area, unseen

  Frame3 = MakeFrame("Frame3", "Number of Points", TwipsRect(120, 2100, 7800, 2025), this);
  lstNumberofPoints = MakeListBox("lstNumberofPoints", TwipsRect(240, 360, 7335, 1410), Frame3);

  Frame2 = MakeFrame("Frame2", "Tuning", TwipsRect(120, 4200, 7800, 825), this);
  lblFrequency = MakeLabel("lblFrequency", "Frequency:", TwipsPoint(5400, 360), Frame2);
  lblTuning = MakeLabel("lblTuning", "Tuning:", TwipsPoint(2760, 360), Frame2);
  lblNote = MakeLabel("lblNote", "Note:", TwipsPoint(240, 360), Frame2);

  Frame1 = MakeFrame("Frame1", "Audio Devices", TwipsRect(120, 120, 7800, 1905), this);
  lstAudioDevices = MakeListBox("lstAudioDevices", TwipsRect(240, 300, 7335, 1410), Frame1);

  PushButton2 = new PushButton(this);
  PushButton2->setObjectName("PushButton2");
  PushButton2->SetCaption("Start");
  PushButton2->setGeometry(TwipsRect(120, 5160, 7800, 405));
  PushButton2->setFont(WindowFont(11.25));
  QPalette buttonColours = PushButton2->palette();
  buttonColours.setColor(QPalette::Button, Qt::white);
  buttonColours.setColor(QPalette::ButtonText, QApplication::palette().color(QPalette::ButtonText));
  PushButton2->setPalette(buttonColours);

  setTabOrder(Text1, lstAudioDevices);
  setTabOrder(lstAudioDevices, lstNumberofPoints);
  setTabOrder(lstNumberofPoints, PushButton2);
  Text1->setFocus();  // the first focus goes below the visible area
}

void Form1::showEvent(QShowEvent* event) {
  if (!centred_) {
    centred_ = true;
    QRect frame = frameGeometry();
    frame.moveCenter(screen()->availableGeometry().center());
    move(frame.topLeft());
  }
  QWidget::showEvent(event);
}

std::vector<QWidget*> Form1::Controls() const {
  return {Text1,   Frame3,  lstNumberofPoints, Frame2,          lblFrequency,
          lblTuning, lblNote, Frame1,            lstAudioDevices, PushButton2};
}

bool Form1::ProgramEnded() const { return programEnded_; }

const Form1Services& Form1::Services() const { return services_; }

void Form1::PushButton2_Click() { Measuring->PushButton2_Click(); }

void Form1::closeEvent(QCloseEvent* event) {
  std::int16_t cancel = 0;
  const auto unloadMode = static_cast<std::int16_t>(event->spontaneous() ? 0 : 1);
  Measuring->Form_QueryUnload(cancel, unloadMode);
  if (cancel != 0) {
    event->ignore();
    return;
  }
  event->accept();
  Form_Unload();
}

void Form1::Form_Unload() {
  // Let what is pending run, twice, then end the program.
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  QCoreApplication::exit(0);
}
