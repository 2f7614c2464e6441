// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/recording_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "analysis/numeric.h"

namespace {

// Samples per chunk read from libsndfile, shared out among the channels.
constexpr std::size_t kChunkSamples = std::size_t{1} << 16;

// libsndfile reads most formats from a stream, but FLAC and CAF only from a file.
constexpr const char* kStreamHint = " (FLAC and CAF cannot be read from a pipe: give a file)";

bool IsStream(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path == "-" ? "/dev/stdin" : path, error);
  return !error && (std::filesystem::is_fifo(status) || std::filesystem::is_socket(status));
}

}  // namespace

RecordingReader::RecordingReader(const std::string& path) {
  fromStream_ = IsStream(path);
  SF_INFO info{};
  file_ = path == "-" ? sf_open_fd(fileno(stdin), SFM_READ, &info, SF_FALSE)
                      : sf_open(path.c_str(), SFM_READ, &info);
  if (file_ == nullptr) {
    problem_ = sf_strerror(nullptr);
    if (fromStream_) problem_ += kStreamHint;
    return;
  }
  if (info.channels <= 0) {
    problem_ = "it holds no audio channels";
    sf_close(file_);
    file_ = nullptr;
    return;
  }
  format_ = info.format & SF_FORMAT_TYPEMASK;
  sampleRate_ = info.samplerate;
  channels_ = static_cast<std::size_t>(info.channels);
  sixteenBit_ = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
  const std::size_t framesPerChunk = std::max<std::size_t>(1, kChunkSamples / channels_);
  if (sixteenBit_)
    shortChunk_.resize(framesPerChunk * channels_);
  else
    chunk_.resize(framesPerChunk * channels_);
}

RecordingReader::~RecordingReader() {
  if (file_ != nullptr) sf_close(file_);
}

std::string RecordingReader::WhyNoSamples() const {
  if (fromStream_ && format_ == SF_FORMAT_CAF) return "CAF cannot be read from a pipe: give a file";
  return "it holds no audio samples";
}

bool RecordingReader::FillChunk() {
  if (ended_ || file_ == nullptr) return false;
  // Normalised reading of doubles: full scale is 1.0 whatever the file's own format.
  const sf_count_t frames =
      sixteenBit_ ? sf_readf_short(file_, shortChunk_.data(), static_cast<sf_count_t>(shortChunk_.size() / channels_))
                  : sf_readf_double(file_, chunk_.data(), static_cast<sf_count_t>(chunk_.size() / channels_));
  chunkFrames_ = frames > 0 ? static_cast<std::size_t>(frames) : 0;
  nextFrame_ = 0;
  if (chunkFrames_ == 0) {
    ended_ = true;
    if (sf_error(file_) != SF_ERR_NO_ERROR) problem_ = sf_strerror(file_);
  }
  return chunkFrames_ > 0;
}

std::size_t RecordingReader::Read(std::int16_t* into, std::size_t count) {
  std::size_t filled = 0;
  while (filled < count) {
    if (nextFrame_ == chunkFrames_ && !FillChunk()) break;
    const std::size_t frames = std::min(count - filled, chunkFrames_ - nextFrame_);
    if (sixteenBit_)
      MixShorts(into + filled, frames);
    else
      MixDoubles(into + filled, frames);
    filled += frames;
    nextFrame_ += frames;
  }
  return filled;
}

// Mixed and rounded as a mono 16-bit sound card would deliver the sound.
void RecordingReader::MixDoubles(std::int16_t* into, std::size_t frames) const {
  for (std::size_t i = 0; i < frames; ++i) {
    const double* frame = chunk_.data() + (nextFrame_ + i) * channels_;
    double sum = 0.0;
    for (std::size_t c = 0; c < channels_; ++c) sum += frame[c];
    const double value = RoundHalfEven(sum / static_cast<double>(channels_) * 32768.0);
    const double clipped = std::fmin(32767.0, std::fmax(-32768.0, std::isfinite(value) ? value : 0.0));
    into[i] = static_cast<std::int16_t>(clipped);
  }
}

// The same mix from the samples themselves: the mean of 16-bit values needs no clipping.
void RecordingReader::MixShorts(std::int16_t* into, std::size_t frames) const {
  const std::int16_t* first = shortChunk_.data() + nextFrame_ * channels_;
  if (channels_ == 1) {
    std::copy(first, first + frames, into);
    return;
  }
  if (channels_ == 2) {
    // The mean of two is a whole or a half: a half rounds to the even neighbour.
    for (std::size_t i = 0; i < frames; ++i) {
      const int sum = first[2 * i] + first[2 * i + 1];
      const int floor = sum >> 1;  // rounds down, negative sums too (C++20)
      into[i] = static_cast<std::int16_t>((sum & 1) != 0 ? floor + (floor & 1) : floor);
    }
    return;
  }
  for (std::size_t i = 0; i < frames; ++i) {
    const std::int16_t* frame = first + i * channels_;
    double sum = 0.0;
    for (std::size_t c = 0; c < channels_; ++c) sum += frame[c];
    into[i] = static_cast<std::int16_t>(RoundHalfEven(sum / static_cast<double>(channels_)));
  }
}
