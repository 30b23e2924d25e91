// The owner of an open registry key, from the platform library, under the product's name.
#pragma once

#include "config/Platform.h"
#include "platform/RegKey.h"

namespace pellacorm {

using platform::RegKey;

}  // namespace pellacorm
