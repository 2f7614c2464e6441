// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/buffer_queue.h"

namespace {

bool Usable(const WaveHeader* header, std::uint32_t size) {
  return header != nullptr && size >= kWaveHeaderSize;
}

}  // namespace

MMResult BufferQueue::Prepare(WaveHeader* header, std::uint32_t size) {
  if (!Usable(header, size) || header->lpData == nullptr) return kError;
  header->dwFlags |= WHDR_PREPARED;
  return kNoError;
}

MMResult BufferQueue::Add(WaveHeader* header, std::uint32_t size) {
  if (!Usable(header, size) || (header->dwFlags & WHDR_PREPARED) == 0 || queued_ != nullptr) {
    return kError;
  }
  header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  header->dwBytesRecorded = 0;
  queued_ = header;
  return kNoError;
}

MMResult BufferQueue::Unprepare(WaveHeader* header, std::uint32_t size) const {
  if (!Usable(header, size) || header == queued_) return kError;
  header->dwFlags &= ~WHDR_PREPARED;
  return kNoError;
}

void BufferQueue::GiveBack() {
  queued_->dwFlags = (queued_->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  queued_ = nullptr;
}

bool BufferQueue::GiveNewestBlock(StreamHistory& history) {
  if (queued_ == nullptr) return false;
  const std::size_t wanted = queued_->dwBufferLength / sizeof(std::int16_t);
  if (!history.TakeNewest(reinterpret_cast<std::int16_t*>(queued_->lpData), wanted)) return false;
  queued_->dwBytesRecorded = static_cast<std::uint32_t>(wanted * sizeof(std::int16_t));
  GiveBack();
  return true;
}
