// Files the tool copies itself (the language module beside the tool, the temporary copy of the
// tool for /clean).
#pragma once

#include <string>

namespace langsetup {

// A copy carries the attributes of its source. A read-only copy can neither be deleted nor opened
// to be deleted on close, so the tool clears that attribute of every copy it has just made (and
// of nothing else). True when the file is not read-only afterwards.
bool ClearReadOnlyAttribute(const std::u16string& path);

}  // namespace langsetup
