// Readable names for the result codes memstore returns and tests print.
#pragma once

#include <string>

#include "platform/Mapi.h"

namespace memstore {

// "MAPI_E_NOT_FOUND (0x8004010F)"; an unknown code prints as its hexadecimal value.
std::string HResultText(HRESULT hr);

}  // namespace memstore
