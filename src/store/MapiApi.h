// The MAPI names the product calls: the SDK's headers on Windows, our own declaration
// of the same names elsewhere.
#pragma once

#include "config/Platform.h"

#ifdef _WIN32
#include <mapix.h>
#include <mapiutil.h>
#else
#include "mapi32/Mapi.h"
#endif

#include <type_traits>

// The product is built narrow: it passes char texts where MAPI takes LPTSTR (the message
// class of GetReceiveFolder) and reads MAPIERROR's texts as char. A UNICODE build would
// compile those calls and pass the wrong kind of text.
static_assert(std::is_same_v<TCHAR, char>, "the product is built without UNICODE: TCHAR must be char");
