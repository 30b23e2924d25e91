// The product's messaging interface: the MAPI names it calls, as the platform library
// picks them.
#pragma once

#include "config/Platform.h"
#include "platform/Mapi.h"

#include <type_traits>

// The product is built narrow: it passes char texts where MAPI takes LPTSTR (the message
// class of GetReceiveFolder) and reads MAPIERROR's texts as char. A UNICODE build would
// compile those calls and pass the wrong kind of text.
static_assert(std::is_same_v<TCHAR, char>, "the product is built without UNICODE: TCHAR must be char");
