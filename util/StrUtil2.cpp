#include "util/StrUtil2.h"

namespace qm {

AnsiString RepeatChar(char ch, int count)
{
    return count < 1 ? AnsiString() : AnsiString(size_t(count), ch);
}

} // namespace qm
