#pragma once
#include "platform/AnsiString.h"

namespace qm {

// count copies of ch; empty when count is below 1.
AnsiString RepeatChar(char ch, int count);

} // namespace qm
