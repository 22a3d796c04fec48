#include "util/ExtraStrUtils.h"

namespace qm {

int NthDelimiterPos(std::string_view delimiter, std::string_view text, int n)
{
    if (n < 1 || n > kMaxDelimitedField || delimiter.empty())
        return 0;
    // Searching from one past the previous occurrence's first character is the same as
    // cutting the text up to and including that character and searching the rest.
    size_t from = 0;
    for (int k = 1; k <= n; ++k) {
        const size_t p = text.find(delimiter, from);
        if (p == std::string_view::npos)
            return 0;
        if (k == n)
            return int(p + 1);
        from = p + 1;
    }
    return 0;
}

AnsiString GetDelimitedField(std::string_view delimiter, std::string_view text, int n)
{
    if (n < 1 || n > kMaxDelimitedField || delimiter.empty())
        return {};
    AnsiString closed;
    closed.reserve(text.size() + delimiter.size());
    closed.append(text).append(delimiter);
    if (n == 1)
        return closed.substr(0, size_t(NthDelimiterPos(delimiter, closed, 1) - 1));

    const int before = NthDelimiterPos(delimiter, closed, n - 1);
    const int end = NthDelimiterPos(delimiter, closed, n);
    if (before == 0 || end == 0)
        return {};
    const int start = before + int(delimiter.size());
    if (end <= start)
        return {};
    return closed.substr(size_t(start - 1), size_t(end - start));
}

} // namespace qm
