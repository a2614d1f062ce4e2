// Which card a recording lies on, for recordings opened by path rather than
// from a card's list.
#pragma once

#include <string>

namespace orvia {

// The card root of a recording at <root>/<Mode>/<date>/<file>, or of one
// lying directly in a mode folder: the nearest ancestor holding
// Config/setup.dat, at most three levels up. Empty when there is none.
std::string CardRootOfRecording(const std::string& path);

}  // namespace orvia
