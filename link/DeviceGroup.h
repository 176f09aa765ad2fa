#pragma once

#include <string>

namespace qel {

// The name of the group that owns the device file at `path` (for telling the operator which
// group to join); empty when it cannot be found out.
std::string DeviceGroupName(const std::string& path);

}  // namespace qel
