/* corvandel-skin 1 */
/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Dark stage: light text on near-black, amber accents, easy on the eyes in a dim room. */
QWidget#Form1 { background-color: #15171c; color: #e6e1d6; }
QLabel { background-color: #15171c; color: #f3c26b; }
QListWidget, QLineEdit, QAbstractSpinBox {
  background-color: #20242c; color: #e6e1d6; border: 1px solid #3a404c;
  selection-background-color: #c98a1c; selection-color: #15171c;
}
QPushButton {
  background-color: #2a2f3a; color: #f3c26b; border: 1px solid #c98a1c; border-radius: 4px;
}
QPushButton:hover { background-color: #353b48; }
QPushButton:pressed { background-color: #c98a1c; color: #15171c; }
MeterDisplay {
  qproperty-backgroundColor: #15171c; qproperty-textColor: #f3c26b; qproperty-scaleColor: #9aa0ac;
  qproperty-needleColor: #ffffff; qproperty-inTuneColor: #7bc86c; qproperty-offTuneColor: #e8743b;
  qproperty-dimColor: #4a505c; qproperty-strobeColor: #c98a1c; qproperty-historyColor: #8ab4f8;
}
/* section frames */
QGroupBox {
  background-color: #15171c; border: 1px solid #3a404c; border-radius: 6px;
  margin-top: 10px;
}
/* section captions */
QGroupBox::title {
  subcontrol-origin: margin; left: 8px; padding: 0 4px; color: #f3c26b;
}
/* section dialogs */
QMessageBox { background-color: #15171c; }
QMessageBox QLabel { color: #e6e1d6; }
