#include "extension/ExchRuleExt.h"

namespace pellacorm {

void CExchRuleExt::BindToHost(IRuleExtCallback* /*callback*/) {}

}  // namespace pellacorm
