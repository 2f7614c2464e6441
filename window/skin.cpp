#include "window/skin.h"

#include <QFileInfo>

#include "window/form1.h"
#include "window/program_files.h"

void ApplySkin(Form1& form) {
  const QFileInfo skinFile(ProgramFilePath(form.Services().programFolder, kSkinFileTail));
  if (!skinFile.isFile() || skinFile.isHidden()) return;
}
