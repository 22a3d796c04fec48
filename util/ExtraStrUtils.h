#pragma once
// Splitting of delimited text: the store-file values, the item clipboard's name list, the
// version-check reply and the link span of wrapped text are all read field by field here.
#include <string>
#include <string_view>

#include "platform/AnsiString.h"

namespace qm {

// The highest field (and delimiter occurrence) number the routines address.
constexpr int kMaxDelimitedField = 255;

// The 1-based position of the n-th occurrence of delimiter in text; 0 when there are fewer
// than n occurrences, when n is 0 or above 255, or when the delimiter is empty. Each search
// resumes one character after the start of the previous occurrence, so occurrences of a
// delimiter longer than one character may overlap (",," occurs twice in ",,,").
// Positions are not limited to 65,535: long texts are searched to their end.
int NthDelimiterPos(std::string_view delimiter, std::string_view text, int n);

// Field n (from 1) of text split at delimiter; a missing last delimiter is implied, so
// "a,b" split at "," has fields "a" and "b". Empty when the text has fewer fields, and for
// n outside 1..255.
AnsiString GetDelimitedField(std::string_view delimiter, std::string_view text, int n);

} // namespace qm
