// A page of the disk manager sheet. The sheet asks the page on top, when OK
// is pressed, which card the user chose.
#pragma once

#include <QString>

namespace orvia {

class DiskPage {
 public:
  virtual ~DiskPage() = default;
  // The chosen card's text (a card root without its trailing separator), or
  // empty when none is chosen.
  virtual QString CardText() const = 0;
  // True once the page changed a card (a format ran): the files a list held
  // may be gone.
  virtual bool ChangedCards() const { return false; }
};

}  // namespace orvia
