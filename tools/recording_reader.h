// SPDX-License-Identifier: GPL-3.0-or-later
// A recording read through libsndfile in large chunks and mixed to mono 16-bit samples
// as it is read, so memory stays the same whatever its length. Files, pipes, FIFOs and
// standard input ("-") are read alike: nothing relies on the length the header claims,
// which a stream does not know.
#pragma once

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class RecordingReader {
 public:
  explicit RecordingReader(const std::string& path);
  ~RecordingReader();
  RecordingReader(const RecordingReader&) = delete;
  RecordingReader& operator=(const RecordingReader&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // Why the recording could not be opened or read on; empty while all is well.
  const std::string& Problem() const { return problem_; }
  std::int64_t SampleRate() const { return sampleRate_; }
  // Why a recording that opened gave no samples at all.
  std::string WhyNoSamples() const;

  // Fills `into` with up to `count` next samples and returns how many it filled: fewer
  // only at the end of the recording or when reading failed (Problem() then says why).
  std::size_t Read(std::int16_t* into, std::size_t count);

 private:
  bool FillChunk();
  void MixDoubles(std::int16_t* into, std::size_t frames) const;
  void MixShorts(std::int16_t* into, std::size_t frames) const;

  SNDFILE* file_ = nullptr;
  bool fromStream_ = false;  // a pipe, FIFO or socket: nothing can be read twice
  int format_ = 0;
  std::int64_t sampleRate_ = 0;
  std::size_t channels_ = 0;
  // 16-bit samples are read as they are, every other format normalised to doubles.
  bool sixteenBit_ = false;
  std::vector<double> chunk_;      // interleaved frames as libsndfile gives them
  std::vector<std::int16_t> shortChunk_;
  std::size_t chunkFrames_ = 0;    // frames in chunk_
  std::size_t nextFrame_ = 0;      // first frame of chunk_ not yet handed out
  bool ended_ = false;
  std::string problem_;
};
