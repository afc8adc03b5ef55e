#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace wirelark {

// The capability word (IFCAP_ bits) of a device from ethtool's answers: the feature names in bit
// order, the words of active feature bits, and the SOF_TIMESTAMPING_ bits it supports.
uint32_t capabilitiesFromFeatures(std::span<const std::string> names,
                                  std::span<const uint32_t> activeWords, uint16_t hwType,
                                  uint32_t maxMtu, uint32_t timestamping);

} // namespace wirelark
