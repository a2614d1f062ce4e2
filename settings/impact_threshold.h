// The acceleration above which the recorder files an impact, from the
// impact sensitivity settings of the card's setup.dat.
#pragma once

#include <string>

namespace orvia {

// The acceleration (magnitude of the peak sample, gravity included, in
// thousandths of g) above which the recorder files an impact, for an impact
// sensitivity choice of setup.dat: 0 insensitive, 1 normal, 2 sensitive. A
// choice outside the list counts as normal.
int ImpactThresholdMilliG(int sensitivityChoice);
// The threshold for the recording at `path` on the card at `cardRoot`
// (found from the path when empty): the parking impact setting for a
// recording of a parking folder, else the driving one.
int ImpactThresholdForRecording(const std::string& path, const std::string& cardRoot);

}  // namespace orvia
