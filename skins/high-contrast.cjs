/* corvandel-skin 1 */
/* SPDX-License-Identifier: GPL-3.0-or-later */
/* High contrast: black on white and white on black, thick borders, yellow focus. */
QWidget#Form1 { background-color: #000000; color: #ffffff; }
QLabel { background-color: #000000; color: #ffffff; }
QListWidget, QLineEdit, QAbstractSpinBox {
  background-color: #ffffff; color: #000000; border: 2px solid #ffffff;
  selection-background-color: #000000; selection-color: #ffff00;
}
QListWidget:focus, QPushButton:focus, QAbstractSpinBox:focus { border: 3px solid #ffff00; }
QPushButton {
  background-color: #ffffff; color: #000000; border: 2px solid #ffffff; border-radius: 0;
}
QPushButton:pressed { background-color: #ffff00; }
MeterDisplay {
  qproperty-backgroundColor: #000000; qproperty-textColor: #ffffff; qproperty-scaleColor: #ffffff;
  qproperty-needleColor: #ffff00; qproperty-inTuneColor: #00ff00; qproperty-offTuneColor: #00ffff;
  qproperty-dimColor: #808080; qproperty-strobeColor: #ffffff; qproperty-historyColor: #ffff00;
}
/* section frames */
QGroupBox {
  background-color: #000000; border: 2px solid #ffffff; margin-top: 10px;
}
/* section captions */
QGroupBox::title {
  subcontrol-origin: margin; left: 8px; padding: 0 4px; color: #ffff00;
}
/* section dialogs */
QMessageBox { background-color: #000000; }
QMessageBox QLabel { color: #ffffff; }
