// SPDX-License-Identifier: GPL-3.0-or-later
// The program: the window with the system's wave input, the user's settings store and
// real dialogs; start-up runs before the window is first shown.
#include <QApplication>
#include <memory>

#include "app/close_requests.h"
#include "capture/system_wave_input.h"
#include "window/app_title.h"
#include "window/form1.h"
#include "window/message_service.h"
#include "window/settings_store.h"

int main(int argc, char* argv[]) {
  CatchTerminationRequests();
  // Over X11, Qt's shared-memory window images make every repaint wait for the X server
  // to finish reading the last one: a round trip for each block measured, dearer for a
  // small caption than sending its pixels. A user's own choice stands.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  QApplication application(argc, argv);
  QCoreApplication::setOrganizationName("Harrowfen");
  QCoreApplication::setApplicationName(kProductTitle);  // until start-up shortens it

  std::unique_ptr<WaveInput> waveInput = CreateSystemWaveInput();
  const std::unique_ptr<SettingsStore> settings = OpenUserSettings();
  DialogMessageService messages;
  Form1 form(Form1Services{*waveInput, *settings, messages,
                           QCoreApplication::applicationDirPath(), kProductTitle});
  CloseOnTerminationRequests(form);
  form.Form_Load();
  if (TerminationRequested()) return 0;  // asked to end while starting: as if closed at once
  if (form.ProgramEnded()) return 1;
  form.show();
  return QApplication::exec();
}
