// The mail client's rule-extension interfaces, from the platform library, under the
// product's names.
#pragma once

#include "platform/RuleExtension.h"
#include "store/MapiApi.h"

namespace pellacorm {

using ::ExchEntryPointFn;
using ::IExchangeRuleExt;
using ::IID_IExchangeRuleExt;
using ::IRuleExtCallback;

}  // namespace pellacorm
