#pragma once
// The outline texts, as the outline browser names them. They live with the
// code rules (codes/outlinetexts.h), where the tree browser reads them too.

#include "codes/outlinetexts.h"

namespace outline {

using codes::Icd10OutlineLines;
using codes::Icd11OutlineLines;
using codes::OutlineTextLines;

} // namespace outline
