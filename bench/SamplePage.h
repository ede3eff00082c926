#pragma once

#include <string>

namespace bench {

// A generated news front page of about targetBytes in Shift_JIS: tables and
// lists of linked headlines with stamps, scripts, comments and entities, the
// mix a real front page has. Only JIS X 0208 characters, so it has an
// exact EUC-JP twin.
std::string SampleFrontPageSjis(size_t targetBytes = 1536 * 1024);
// The same page in EUC-JP (its charset tag says so).
std::string SampleFrontPageEuc(size_t targetBytes = 1536 * 1024);

} // namespace bench
