#include "collect/ClearResultLine.h"

#include "core/FailureMessage.h"
#include "core/Messages.h"

#include <clocklink/CollectionStatus.h>

namespace collect {

clocklink::CollectionStatus ShowClearResult(ProgressList& list, clocklink::CollectionStatus code) {
  const int line = list.add("");
  if (code == clocklink::kSuccess) {
    list.setText(line, ">" + GetMsg(273));
    list.setStyle(line, kBlueLine);
    return code;
  }
  list.setText(line, ">" + GetMsg(failureMessage(code, 312)));
  list.setStyle(line, kRedLine);
  return code;
}

}  // namespace collect
