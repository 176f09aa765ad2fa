#include "link/DeviceGroup.h"

namespace qel {

// Windows grants a COM port to whoever opens it first, not by group: there is none to name.
std::string DeviceGroupName(const std::string&) { return {}; }

}  // namespace qel
