#include "analysis/fundamental.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "analysis/block_spectrum.h"
#include "analysis/fourier_transform.h"
#include "analysis/numeric.h"
#include "analysis/square_difference.h"

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

}  // namespace

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
