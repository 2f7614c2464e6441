/* corvandel-skin 1 */
/* SPDX-License-Identifier: GPL-3.0-or-later */
/* High contrast: black on white and white on black, thick borders, yellow focus. */
QWidget#Form1 { background-color: #000000; color: #ffffff; }
QLabel { background-color: #000000; color: #ffffff; }
QListWidget, QLineEdit {
  background-color: #ffffff; color: #000000; border: 2px solid #ffffff;
  selection-background-color: #000000; selection-color: #ffff00;
}
QListWidget:focus, QPushButton:focus { border: 3px solid #ffff00; }
QPushButton {
  background-color: #ffffff; color: #000000; border: 2px solid #ffffff; border-radius: 0;
}
QPushButton:pressed { background-color: #ffff00; }
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
