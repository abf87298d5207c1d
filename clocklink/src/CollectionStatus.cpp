#include "clocklink/CollectionStatus.h"

#include <ostream>

namespace clocklink {

std::ostream& operator<<(std::ostream& out, CollectionStatus s) { return out << statusCode(s); }

}  // namespace clocklink
