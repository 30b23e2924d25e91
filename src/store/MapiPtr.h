// The owners of what MAPI hands out, from the platform library, under the product's names.
#pragma once

#include "platform/MapiPtr.h"
#include "store/MapiApi.h"

namespace pellacorm {

using platform::ComPtr;
using platform::MapiBuffer;
using platform::MapiBufferDeleter;
using platform::OutArg;
using platform::RowSetDeleter;
using platform::RowSetPtr;

}  // namespace pellacorm
