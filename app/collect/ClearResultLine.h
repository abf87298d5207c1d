// The result line of a clock clearing, shared by the download's clearing (CollectPunches) and
// the clock result routines (FGrales) from below both, so neither needs the other for it.
#pragma once

#include "core/ProgressList.h"

#include <clocklink/CollectionStatus.h>

namespace collect {

// The result line of a clearing that returned `code`: blue ">" & 273 on kSuccess, else a red
// line naming the failure; the code comes back unchanged.
clocklink::CollectionStatus ShowClearResult(ProgressList& list, clocklink::CollectionStatus code);

}  // namespace collect
