// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/fundamental_threshold_names.h"

#include <iterator>

namespace {

struct NamedThreshold {
  std::string_view name;
  double FundamentalThresholds::*member;
};

// One row per field of FundamentalThresholds (a test checks that none is left out).
constexpr NamedThreshold kThresholds[] = {
      {"leastOverlap", &FundamentalThresholds::leastOverlap},
      {"clearPeriodicity", &FundamentalThresholds::clearPeriodicity},
      {"notePeriodicity", &FundamentalThresholds::notePeriodicity},
      {"noteDepth", &FundamentalThresholds::noteDepth},
      {"singleNotePeriodicity", &FundamentalThresholds::singleNotePeriodicity},
      {"shareOfBest", &FundamentalThresholds::shareOfBest},
      {"plausibleShare", &FundamentalThresholds::plausibleShare},
      {"betterAperiodicity", &FundamentalThresholds::betterAperiodicity},
      {"farBetterAperiodicity", &FundamentalThresholds::farBetterAperiodicity},
      {"octaveBetterAperiodicity", &FundamentalThresholds::octaveBetterAperiodicity},
      {"resolvedBetterAperiodicity", &FundamentalThresholds::resolvedBetterAperiodicity},
      {"leftOverNotNoise", &FundamentalThresholds::leftOverNotNoise},
      {"lowerNoteEnergy", &FundamentalThresholds::lowerNoteEnergy},
      {"octaveUnsureMargin", &FundamentalThresholds::octaveUnsureMargin},
      {"nearMargin", &FundamentalThresholds::nearMargin},
      {"octaveUnsureShare", &FundamentalThresholds::octaveUnsureShare},
      {"octaveUnsureShareUnresolved", &FundamentalThresholds::octaveUnsureShareUnresolved},
      {"trendLeastCycles", &FundamentalThresholds::trendLeastCycles},
      {"lagTolerance", &FundamentalThresholds::lagTolerance},
      {"partialPeriodMisfit", &FundamentalThresholds::partialPeriodMisfit},
      {"farPeakReach", &FundamentalThresholds::farPeakReach},
      {"partialReachBins", &FundamentalThresholds::partialReachBins},
      {"partialOffPeakBins", &FundamentalThresholds::partialOffPeakBins},
      {"partialValleyShare", &FundamentalThresholds::partialValleyShare},
      {"partialOffSeriesCents", &FundamentalThresholds::partialOffSeriesCents},
      {"partialOffSeriesBins", &FundamentalThresholds::partialOffSeriesBins},
      {"highestUnresolvedHarmonic", &FundamentalThresholds::highestUnresolvedHarmonic},
      {"resolvedBins", &FundamentalThresholds::resolvedBins},
      {"separatedBins", &FundamentalThresholds::separatedBins},
      {"lowestPartialsApart", &FundamentalThresholds::lowestPartialsApart},
      {"mergedLowestBins", &FundamentalThresholds::mergedLowestBins},
      {"ownPartialsApart", &FundamentalThresholds::ownPartialsApart},
      {"soundUnderBins", &FundamentalThresholds::soundUnderBins},
      {"trendUnderBins", &FundamentalThresholds::trendUnderBins},
      {"bandTop", &FundamentalThresholds::bandTop},
      {"partialLevel", &FundamentalThresholds::partialLevel},
      {"clearPartialLevel", &FundamentalThresholds::clearPartialLevel},
      {"ownPartialShare", &FundamentalThresholds::ownPartialShare},
      {"ownPowerShare", &FundamentalThresholds::ownPowerShare},
      {"partialsAsked", &FundamentalThresholds::partialsAsked},
      {"ownPartialsToShow", &FundamentalThresholds::ownPartialsToShow},
      {"partialsToPromote", &FundamentalThresholds::partialsToPromote},
      {"unsureProminence", &FundamentalThresholds::unsureProminence},
      {"secondSound", &FundamentalThresholds::secondSound},
      {"partialsFitted", &FundamentalThresholds::partialsFitted},
      {"fittedLevel", &FundamentalThresholds::fittedLevel},
      {"agreementCents", &FundamentalThresholds::agreementCents},
      {"fitLeastCents", &FundamentalThresholds::fitLeastCents},
      {"fitMostCents", &FundamentalThresholds::fitMostCents},
      {"noteOverFloor", &FundamentalThresholds::noteOverFloor},
      {"noisyFloor", &FundamentalThresholds::noisyFloor},
      {"mainsLow", &FundamentalThresholds::mainsLow},
      {"mainsHigh", &FundamentalThresholds::mainsHigh},
      {"humCents", &FundamentalThresholds::humCents},
      {"humCentsByPeriod", &FundamentalThresholds::humCentsByPeriod},
      {"humCentsLongPeriod", &FundamentalThresholds::humCentsLongPeriod},
      {"humReach", &FundamentalThresholds::humReach},
      {"humPromotionReach", &FundamentalThresholds::humPromotionReach},
      {"startStretchSeconds", &FundamentalThresholds::startStretchSeconds},
      {"startRise", &FundamentalThresholds::startRise},
      {"soundAlreadyThere", &FundamentalThresholds::soundAlreadyThere},
      {"lowestString", &FundamentalThresholds::lowestString},
      {"scoredMissingWeight", &FundamentalThresholds::scoredMissingWeight},
      {"scoredSubharmonicPrior", &FundamentalThresholds::scoredSubharmonicPrior},
      {"scoredHumPenalty", &FundamentalThresholds::scoredHumPenalty},
      {"scoredLeastScore", &FundamentalThresholds::scoredLeastScore},
      {"scoredRivalMargin", &FundamentalThresholds::scoredRivalMargin},
};

}  // namespace

double* ThresholdNamed(FundamentalThresholds& t, std::string_view name) {
  for (const NamedThreshold& threshold : kThresholds)
    if (threshold.name == name) return &(t.*threshold.member);
  return nullptr;
}

std::vector<std::string_view> ThresholdNames() {
  std::vector<std::string_view> names;
  for (const NamedThreshold& threshold : kThresholds) names.push_back(threshold.name);
  return names;
}
