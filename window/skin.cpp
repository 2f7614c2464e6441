// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/skin.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "window/back_color.h"
#include "window/form1.h"
#include "window/program_files.h"
#include "window/skin_framework.h"

namespace {

// Option buttons, check boxes, frames and labels follow the window's colour; lists, the
// text box and the push button keep their own.
bool TakesWindowColour(const QWidget* control) {
  return qobject_cast<const QGroupBox*>(control) || qobject_cast<const QLabel*>(control) ||
         qobject_cast<const QRadioButton*>(control) || qobject_cast<const QCheckBox*>(control);
}

}  // namespace

void ApplySkin(Form1& form) {
  const QString path = ProgramFilePath(form.Services().programFolder, kSkinFileTail);
  const QFileInfo skinFile(path);
  if (!skinFile.isFile() || skinFile.isHidden()) return;

  const QColor buttonFace = QApplication::palette().color(QPalette::Button);
  SetBackColor(&form, buttonFace);
  for (QWidget* control : form.Controls()) {
    if (TakesWindowColour(control)) SetBackColor(control, buttonFace);
  }

  SkinFramework& engine = *form.SkinFramework1;
  engine.SetImageFolder(form.Services().programFolder);
  engine.Invoke(SkinFramework::kLoadSkin, CallKind::Method, {path, QString("")});
  const std::int32_t options =
      engine.Invoke(SkinFramework::kOptions, CallKind::PropertyGet, {}).toInt();
  engine.Invoke(SkinFramework::kOptions, CallKind::PropertyPut,
                {options | SkinFramework::kSkinDialogs});
  engine.Invoke(SkinFramework::kStyleFrames, CallKind::PropertyPut, {true});
  engine.Invoke(SkinFramework::kStyleCaptions, CallKind::PropertyPut, {true});
  engine.Invoke(SkinFramework::kApplyWindow, CallKind::Method, {WindowHandle32(&form)});
}
