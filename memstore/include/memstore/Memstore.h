// memstore, an in-memory MAPI provider: everything a test or a host needs.
#pragma once

#include "memstore/Faults.h"
#include "memstore/Guids.h"
#include "memstore/HResult.h"
#include "memstore/Ledger.h"
#include "memstore/Profile.h"
#include "memstore/PropValue.h"
