#include "classlib/core/ByteCursor.h"

#include <stdexcept>

namespace ordvane {

void TByteCursor::Overrun() const {
  if (fOverrun) fOverrun();
  throw std::logic_error("A byte cursor was read past the end of its bytes");
}

}  // namespace ordvane
