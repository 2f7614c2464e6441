#include "analysis/fundamental.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>

#include "analysis/numeric.h"
#include "analysis/fourier_transform.h"

// Method: the normalised square difference function (NSDF) of P. McLeod and G. Wyvill,
// "A smarter way to find pitch", Proc. ICMC 2005 — a normalised form of the difference
// function of YIN (A. de Cheveigné and H. Kawahara, JASA 111(4), 2002) that keeps the
// whole overlap of the block with its shifted self at every lag, so that a block only a
// little longer than one period still measures it. It is computed for all lags at once
// from the autocorrelation, obtained with a zero-padded transform (Wiener-Khinchin).
//
// The strongest partial fp, measured precisely by the phase advance, names the
// candidate periods h/fp for h = 1, 2, ...; the NSDF's peak next to each says how well
// the block repeats after that many partial periods. As in McLeod's peak picking, the
// shortest candidate whose peak reaches a large share of the best one is the period:
// a note repeats after its own period and after every multiple of it, but not after a
// fraction of it. The fundamental is then fp/h, as precise as fp itself.

namespace {

using Complex = std::complex<double>;

// A block repeats clearly enough to be judged only above this NSDF value.
constexpr double kClearPeriodicity = 0.5;
// The chosen period's peak must reach this share of the best candidate's peak.
constexpr double kShareOfBest = 0.9;
// A lower fundamental than the block's periodicity names shows at least this many
// partials of its own (of the first six) ...
constexpr int kPartialsToPromote = 3;
// ... one that it names, at least this many: a single partial may be a stray one.
constexpr int kPartialsToKeep = 2;
// A shorter period stays in question down to this share of the best candidate's peak.
constexpr double kPlausibleShare = 0.8;
// A longer period repeats better when what it leaves unexplained is at most this share
// of what the shorter one leaves.
constexpr double kBetterAperiodicity = 0.5;
// Without the spectrum's word, a longer period must leave at most this share of what the
// shorter one leaves unexplained ...
constexpr double kFarBetterAperiodicity = 0.05;
// ... of a shorter period that leaves at least this much.
constexpr double kLeftOverNotNoise = 0.01;
// The shifted block must overlap at least this share of the block.
constexpr double kLeastOverlap = 0.25;
// A candidate's peak is looked for this far (relative) around h/fp, for partials a
// little off the harmonic series (stiff strings) and for partials read at a bin's edge.
constexpr double kLagTolerance = 0.03;
// Within this many cents of the measured period, a fundamental that is itself the
// strongest partial keeps the frequency read from its phase advance.
constexpr double kAgreementCents = 0.5;
// The power-weighted fit of the partials (what the ear and a tuner hear as the note's
// pitch where the upper partials run a little sharp) replaces the reading when the two
// differ by at least this many cents: closer, the fit's own scatter (leakage between
// neighbouring partials) is no smaller than the difference ...
constexpr double kFitLeast = 1.0;
// ... and by less than this: further, the fit has caught a partial of something else.
constexpr double kFitMost = 30.0;

// In-place radix-2 transform of a power-of-two length; sign -1 forward, +1 inverse
// (unscaled).
void TransformInPlace(std::vector<Complex>& data, double sign) {
  const std::size_t n = data.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(data[i], data[j]);
  }
  for (std::size_t length = 2; length <= n; length <<= 1) {
    const double angle = sign * 2.0 * kPi / static_cast<double>(length);
    const std::size_t half = length / 2;
    for (std::size_t k = 0; k < half; ++k) {
      const Complex twiddle = std::polar(1.0, angle * static_cast<double>(k));
      for (std::size_t start = 0; start < n; start += length) {
        const Complex a = data[start + k];
        const Complex b = data[start + k + half] * twiddle;
        data[start + k] = a + b;
        data[start + k + half] = a - b;
      }
    }
  }
}

struct Peak {
  double lag = 0.0;
  double value = -1.0;
};

// The highest local maximum of the NSDF among lags lo..hi, refined by a parabola through
// it and its neighbours.
Peak PeakBetween(const std::vector<double>& nsdf, std::size_t lo, std::size_t hi) {
  Peak best;
  for (std::size_t t = std::max<std::size_t>(lo, 1); t <= hi && t + 1 < nsdf.size(); ++t) {
    const double left = nsdf[t - 1];
    const double centre = nsdf[t];
    const double right = nsdf[t + 1];
    if (centre < left || centre < right || centre <= best.value) continue;
    const double curvature = left - 2.0 * centre + right;
    double offset = 0.0;
    double value = centre;
    if (curvature < 0.0) {
      offset = 0.5 * (left - right) / curvature;
      value = centre - 0.25 * (left - right) * offset;
    }
    best = {static_cast<double>(t) + offset, value};
  }
  return best;
}

double CentsBetween(double a, double b) { return 1200.0 * std::log2(a / b); }

// Where the spectrum cannot tell a low note's partials apart, only the block itself can
// show them: the longer period explains nearly all that the shorter one leaves over,
// and that is not mere rounding (a nearly pure tone repeats almost perfectly after any
// whole number of its periods).
bool RepeatsFarBetter(double longer, double shorter) {
  return 1.0 - shorter >= kLeftOverNotNoise &&
         1.0 - longer < kFarBetterAperiodicity * (1.0 - shorter);
}

// The block's magnitude spectrum through a Blackman window (side lobes below -58 dB, so
// a strong partial's leakage is not taken for a weak one), zero-padded four times, for
// asking which partials are present.
class BlockSpectrum {
 public:
  BlockSpectrum(const std::vector<std::int16_t>& block, std::int32_t sampleRate)
      : rate_(sampleRate), length_(static_cast<double>(block.size())) {
    std::size_t size = 1;
    while (size < kPadding * block.size()) size <<= 1;
    std::vector<Complex> data(size, Complex(0.0, 0.0));
    for (std::size_t i = 0; i < block.size(); ++i) {
      const double phase = 2.0 * kPi * static_cast<double>(i) / length_;
      const double window = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
      data[i] = Complex(window * block[i], 0.0);
    }
    TransformInPlace(data, -1.0);
    magnitude_.resize(size / 2);
    for (std::size_t k = 0; k < magnitude_.size(); ++k) magnitude_[k] = std::abs(data[k]);
    binsPerHertz_ = static_cast<double>(size) / sampleRate;
    const auto first = static_cast<std::size_t>(kLowestFrequency * binsPerHertz_);
    const auto last = std::min(magnitude_.size(), static_cast<std::size_t>(kHighestFrequency * binsPerHertz_));
    for (std::size_t k = first; k < last; ++k) strongest_ = std::max(strongest_, magnitude_[k]);
  }

  // The fundamental of the harmonic series k f that best fits the first eight partials
  // near k f0, each weighted by its power (those within 40 dB of the strongest of them):
  // the pitch of the note as a whole, not of one partial. Each partial's frequency is the
  // vertex of a parabola through the log magnitudes of its peak (a Gaussian fits the
  // Blackman window's main lobe closely; the padded spectrum leaves well under a
  // thousandth of a bin). 0 when fewer than two partials are found. Only asked where
  // Separates(f0).
  double HarmonicFit(double f0) const {
    struct Partial {
      double k;
      double frequency;
      double level;
    };
    Partial partials[kPartialsFitted];
    int count = 0;
    double strongest = 0.0;
    const double reach = std::min(rate_ / length_, 0.3 * f0) * binsPerHertz_;
    for (std::int32_t k = 1; k <= kPartialsFitted; ++k) {
      const double centre = k * f0 * binsPerHertz_;
      if (k * f0 > 0.45 * rate_) break;
      const auto lo = static_cast<std::size_t>(std::max(1.0, std::floor(centre - reach)));
      const auto hi = std::min(magnitude_.size() - 2, static_cast<std::size_t>(std::ceil(centre + reach)));
      std::size_t peak = 0;
      for (std::size_t i = lo; i <= hi; ++i) {
        if (magnitude_[i] >= magnitude_[i - 1] && magnitude_[i] >= magnitude_[i + 1] &&
            (peak == 0 || magnitude_[i] > magnitude_[peak]))
          peak = i;
      }
      if (peak == 0 || !(magnitude_[peak] > 0.0)) continue;
      double frequency = static_cast<double>(peak) / binsPerHertz_;
      const double left = std::log(magnitude_[peak - 1] + kTiny);
      const double centreLog = std::log(magnitude_[peak] + kTiny);
      const double right = std::log(magnitude_[peak + 1] + kTiny);
      const double curvature = left - 2.0 * centreLog + right;
      if (curvature < 0.0) frequency += 0.5 * (left - right) / curvature / binsPerHertz_;
      partials[count++] = {static_cast<double>(k), frequency, magnitude_[peak]};
      strongest = std::max(strongest, magnitude_[peak]);
    }
    double numerator = 0.0;
    double denominator = 0.0;
    int fitted = 0;
    for (int i = 0; i < count; ++i) {
      const Partial& p = partials[i];
      if (p.level < kFittedRatio * strongest) continue;
      const double weight = p.level * p.level;
      numerator += weight * p.k * p.frequency;
      denominator += weight * p.k * p.k;
      ++fitted;
    }
    return fitted >= 2 ? numerator / denominator : 0.0;
  }

  // Whether the window resolves neighbouring harmonics of the fundamental f.
  bool Resolves(double f) const { return f >= kResolvedBins * rate_ / length_; }
  // Whether the main lobes of neighbouring harmonics of f stay apart.
  bool Separates(double f) const { return f >= kSeparatedBins * rate_ / length_; }

  // Whether the fundamental f, the partial's harmonic h, shows partials of its own
  // beyond those of the fundamental at harmonic g < h (the shorter period): at least
  // `needed` of the first six harmonics k f that are not harmonics of the higher note
  // stand out as peaks, and together they hold a fair share of the strongest partial's
  // power: a few faint stray peaks are no lower note. Only asked where Resolves(f).
  bool ShowsOwnPartials(double f, std::int32_t h, std::int32_t g, int needed) const {
    const double resolution = rate_ / length_;  // one bin of the unpadded block
    const double higher = f * h / g;            // the fundamental of the higher note
    int asked = 0;
    int present = 0;
    double power = 0.0;
    for (std::int32_t k = 1; asked < kPartialsAsked; ++k) {
      if ((k * g) % h == 0) continue;  // also a harmonic of the higher note
      const double frequency = k * f;
      if (frequency > 0.45 * rate_) break;
      ++asked;
      // Never as far as the higher note's nearest harmonic, which is no partial of its own.
      const double nearestOfHigher = std::abs(frequency - higher * std::round(frequency / higher));
      const double level = PeakNear(frequency, std::min(resolution, 0.5 * nearestOfHigher));
      if (level >= kPresentRatio) {
        ++present;
        power += level * level;
      }
    }
    return present >= needed && power >= kOwnPowerShare;
  }

 private:
  static constexpr std::size_t kPadding = 4;
  static constexpr double kResolvedBins = 3.5;
  static constexpr double kSeparatedBins = 6.0;
  static constexpr int kPartialsAsked = 6;
  static constexpr int kPartialsFitted = 8;
  // Partials of the harmonic fit reach at least this far below the strongest of them.
  static constexpr double kFittedRatio = 0.01;  // -40 dB
  static constexpr double kTiny = 1e-12;
  // A partial counts as present from this far below the strongest one.
  static constexpr double kPresentRatio = 0.0178;  // -35 dB
  // The lower note's own partials together hold at least this share of the strongest
  // partial's power.
  static constexpr double kOwnPowerShare = 0.01;  // -20 dB

  // The highest peak within reach (hertz) of the frequency, relative to the strongest
  // partial; 0 without one.
  double PeakNear(double frequency, double reachHz) const {
    const double centre = frequency * binsPerHertz_;
    const double reach = reachHz * binsPerHertz_;
    const auto lo = static_cast<std::size_t>(std::max(1.0, std::floor(centre - reach)));
    const auto hi = std::min(magnitude_.size() - 2, static_cast<std::size_t>(std::ceil(centre + reach)));
    double level = 0.0;
    for (std::size_t k = lo; k <= hi; ++k) {
      if (magnitude_[k] >= magnitude_[k - 1] && magnitude_[k] >= magnitude_[k + 1])
        level = std::max(level, magnitude_[k]);
    }
    return strongest_ > 0.0 ? level / strongest_ : 0.0;
  }

  double rate_;
  double length_;
  double binsPerHertz_ = 0.0;
  double strongest_ = 0.0;
  std::vector<double> magnitude_;
};

}  // namespace

std::vector<double> NormalisedSquareDifference(const std::vector<std::int16_t>& block) {
  const std::size_t n = block.size();
  std::vector<double> result(n, 0.0);
  if (n == 0) return result;

  double mean = 0.0;
  for (const std::int16_t x : block) mean += x;
  mean /= static_cast<double>(n);
  std::vector<double> x(n);
  for (std::size_t i = 0; i < n; ++i) x[i] = block[i] - mean;

  // Autocorrelation r(t) = sum x[j] x[j+t]: padded to twice the length it does not wrap.
  std::size_t size = 1;
  while (size < 2 * n) size <<= 1;
  std::vector<Complex> spectrum(size, Complex(0.0, 0.0));
  for (std::size_t i = 0; i < n; ++i) spectrum[i] = Complex(x[i], 0.0);
  TransformInPlace(spectrum, -1.0);
  for (Complex& bin : spectrum) bin = Complex(std::norm(bin), 0.0);
  TransformInPlace(spectrum, +1.0);

  // m(t) = sum over the overlap of x[j]^2 + x[j+t]^2, shrinking by one term each side.
  double energy = 0.0;
  for (const double v : x) energy += v * v;
  double m = 2.0 * energy;
  const double scale = 1.0 / static_cast<double>(size);
  // Below this the overlap holds nothing but rounding noise.
  const double silent = 1e-9 * (2.0 * energy + 1.0);
  for (std::size_t t = 0; t < n; ++t) {
    if (t > 0) m -= x[t - 1] * x[t - 1] + x[n - t] * x[n - t];
    const double r = spectrum[t].real() * scale;
    result[t] = m > silent ? std::clamp(2.0 * r / m, -1.0, 1.0) : 0.0;
  }
  return result;
}

FundamentalReading FindFundamental(const std::vector<std::int16_t>& block,
                                   double partialFrequency, std::int32_t SampleRate) {
  FundamentalReading reading{partialFrequency, 1, 0.0};
  if (!(partialFrequency > 0.0) || SampleRate <= 0 || block.size() < 8) return reading;

  const std::vector<double> nsdf = NormalisedSquareDifference(block);
  const auto blockLength = static_cast<double>(block.size());
  const double partialPeriod = Divide(SampleRate, partialFrequency);
  const auto longestLag = static_cast<std::size_t>(blockLength * (1.0 - kLeastOverlap));
  // The partial was read from frames of half the block; next to other partials that
  // reading may be off by up to a bin and a half, so each candidate's peak is looked for
  // that far (but never as far as the next candidate).
  const double binWidth = SampleRate / (blockLength / 2.0);
  const double tolerance = std::max(kLagTolerance, 1.5 * binWidth / partialFrequency);

  struct Candidate {
    std::int32_t harmonic;
    Peak peak;
  };
  std::vector<Candidate> candidates;
  for (std::int32_t h = 1; partialFrequency / h >= kLowestFrequency; ++h) {
    const double lag = h * partialPeriod;
    const double halfWidth = std::min(0.45 * partialPeriod, std::max(2.0, tolerance * lag));
    if (lag - halfWidth > static_cast<double>(longestLag)) break;
    const auto lo = static_cast<std::size_t>(std::max(1.0, std::floor(lag - halfWidth)));
    const auto hi = std::min(longestLag, static_cast<std::size_t>(std::ceil(lag + halfWidth)));
    const Peak peak = PeakBetween(nsdf, lo, hi);
    if (peak.value > -1.0) candidates.push_back({h, peak});
  }
  if (candidates.empty()) return reading;

  double best = -1.0;
  for (const Candidate& c : candidates) best = std::max(best, c.peak.value);
  if (best < kClearPeriodicity) return reading;
  // The shortest period that repeats nearly as well as the best one (McLeod's rule) ...
  const Candidate* chosen = nullptr;
  for (const Candidate& c : candidates) {
    if (c.peak.value >= kShareOfBest * best) {
      chosen = &c;
      break;
    }
  }
  // ... but not one longer than a shorter period that still repeats fairly well, unless
  // it shows partials that only its lower fundamental has (where the spectrum can tell)
  // or repeats far better: one stray partial can make the block repeat best after a
  // multiple of the period the ear hears ...
  const BlockSpectrum spectrum(block, SampleRate);
  for (const Candidate& c : candidates) {
    if (c.harmonic >= chosen->harmonic) break;
    if (chosen->harmonic % c.harmonic != 0 || c.peak.value < kPlausibleShare * best) continue;
    const double lower = partialFrequency / chosen->harmonic;
    const bool shows = spectrum.ShowsOwnPartials(lower, chosen->harmonic, c.harmonic, kPartialsToKeep);
    if (spectrum.Resolves(lower) && !shows && !RepeatsFarBetter(chosen->peak.value, c.peak.value)) {
      chosen = &c;
      break;
    }
  }
  // ... and a longer one still when it repeats better and the spectrum shows the partials
  // that only its lower fundamental has (or, where it cannot tell, the block repeats far
  // better): a low string whose odd harmonics have faded repeats almost as well after
  // half its period, yet they are still there.
  for (const Candidate& c : candidates) {
    const bool repeatsBetter = 1.0 - c.peak.value < kBetterAperiodicity * (1.0 - chosen->peak.value);
    if (c.harmonic <= chosen->harmonic || c.peak.value < kShareOfBest * best || !repeatsBetter)
      continue;
    const double lower = partialFrequency / c.harmonic;
    const bool evidence =
        spectrum.Resolves(lower)
            ? spectrum.ShowsOwnPartials(lower, c.harmonic, chosen->harmonic, kPartialsToPromote)
            : RepeatsFarBetter(c.peak.value, chosen->peak.value);
    if (evidence)
      chosen = &c;
  }

  // The period, measured over as many whole periods as half the block holds: the
  // peak k periods on locates the period k times more finely.
  const double period = chosen->peak.lag;
  const double span = std::max(period, blockLength / 2.0);
  const double periods = std::max(1.0, std::floor(span / period));
  double measured = period;
  if (periods > 1.0) {
    const double lag = periods * period;
    const Peak far = PeakBetween(nsdf, static_cast<std::size_t>(std::floor(lag - 0.3 * period)),
                                 std::min(longestLag, static_cast<std::size_t>(std::ceil(lag + 0.3 * period))));
    if (far.value > kClearPeriodicity) measured = far.lag / periods;
  }
  const double fundamental = Divide(SampleRate, measured);
  if (fundamental < kLowestFrequency) return reading;

  reading.harmonic = chosen->harmonic;
  reading.periodicity = chosen->peak.value;
  // A pure fundamental read by its phase advance is exact; it stands when the period
  // agrees with it.
  const bool partialAgrees =
      chosen->harmonic == 1 && std::abs(CentsBetween(partialFrequency, fundamental)) < kAgreementCents;
  reading.frequency = partialAgrees ? partialFrequency : fundamental;
  // Where the spectrum holds the note's partials apart, its first eight measure the note
  // together; the period also follows the partials above them, which on a stiff string
  // run ever sharper.
  if (spectrum.Separates(fundamental)) {
    const double fitted = spectrum.HarmonicFit(fundamental);
    if (fitted > 0.0) {
      const double apart = std::abs(CentsBetween(fitted, reading.frequency));
      if (apart >= kFitLeast && apart < kFitMost) reading.frequency = fitted;
    }
  }
  return reading;
}
