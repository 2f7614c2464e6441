// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/message_service.h"

#include <QCoreApplication>
#include <QMessageBox>

std::unique_ptr<QMessageBox> MakeMessageDialog(const QString& text) {
  auto dialog = std::make_unique<QMessageBox>(
      QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok);
  dialog->setTextFormat(Qt::PlainText);
  return dialog;
}

std::unique_ptr<QMessageBox> MakeErrorDialog(const ErrorReport& report) {
  auto dialog = std::make_unique<QMessageBox>(QMessageBox::Warning, kErrorDialogCaption,
                                              QString::fromStdString(ErrorDialogText(report)),
                                              QMessageBox::Ok);
  dialog->setTextFormat(Qt::PlainText);
  return dialog;
}

void DialogMessageService::ShowMessage(const QString& text) { MakeMessageDialog(text)->exec(); }

void DialogMessageService::ShowError(const ErrorReport& report) {
  MakeErrorDialog(report)->exec();
}
