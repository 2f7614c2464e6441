// Everywhere but Windows: ~/.config/Harrowfen/Corvandel Pitch Suite.conf.
#include <QSettings>

#include "window/settings_store.h"

std::unique_ptr<QSettings> OpenUserSettings() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Harrowfen",
                                     "Corvandel Pitch Suite");
}
