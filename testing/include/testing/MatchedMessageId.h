// The entry identifier of the message a fired rule matched: `size` recognisable bytes
// (0xA0, 0xA1, ...), so a test can tell them in what the action wrote.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/Windows.h"

namespace testsupport {

inline std::vector<BYTE> MatchedMessageId(std::size_t size) {
  std::vector<BYTE> id(size);
  for (std::size_t i = 0; i < size; ++i) {
    id[i] = static_cast<BYTE>(0xA0 + i);
  }
  return id;
}

}  // namespace testsupport
