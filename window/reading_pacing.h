// SPDX-License-Identifier: GPL-3.0-or-later
// Spaces out what the result labels show while the tuner measures. At 1024 points a block
// ends every 23 ms, and no one reads 40 captions a second; painting them all cost about a
// fifth of the tuner's processor time. Blocks as long as the spacing are all shown at once.
// A shorter block's reading is shown at once when the last one shown is older than the
// spacing; otherwise it waits, and a newer block replaces it, so what is shown is always
// the newest block, and always one block's captions together. (A longer block must not
// wait: the measuring loop lets events run once a block, so the next one would replace it.)
// A caption that a block leaves alone (the note and tuning of a block without a reading,
// an unchanged note) is taken from the newest block that set it.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

#include "readings/block_reading.h"

class ReadingPacing : public QObject {
  Q_OBJECT

 public:
  ReadingPacing(std::chrono::milliseconds spacing, std::function<void(const BlockReading&)> show);

  void Offer(const BlockReading& reading);

 private:
  void ShowWaiting();

  const std::chrono::milliseconds spacing_;
  const std::function<void(const BlockReading&)> show_;
  BlockReading waiting_;
  bool anyWaiting_ = false;
  QElapsedTimer sinceShown_;
  QTimer release_;
};
