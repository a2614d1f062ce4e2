#include "settings/impact_threshold.h"

#include "library/card_root.h"
#include "settings/setup_file.h"

namespace orvia {

namespace {

// Insensitive, normal, sensitive. A car in ordinary traffic stays near 1 g
// (gravity) and a hard brake adds about 0.9 g across it; a collision passes 2 g.
constexpr int kThresholds[] = {2500, 2000, 1500};

}  // namespace

int ImpactThresholdMilliG(int sensitivityChoice) {
  if (sensitivityChoice < 0 || sensitivityChoice > 2) sensitivityChoice = 1;
  return kThresholds[sensitivityChoice];
}

int ImpactThresholdForRecording(const std::string& path, const std::string& cardRoot) {
  const std::string root = cardRoot.empty() ? CardRootOfRecording(path) : cardRoot;
  if (root.empty()) return ImpactThresholdMilliG(-1);
  const SetupChoices choices = ReadSetupChoices(SetupDatPath(root));
  const bool parking =
      path.find("/Parking/") != std::string::npos || path.find("/ParkingEvent/") != std::string::npos;
  return ImpactThresholdMilliG(parking ? choices.parkingImpact : choices.drivingImpact);
}

}  // namespace orvia
