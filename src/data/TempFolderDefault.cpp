// createTempFolder() below the platform's private temporary path. Kept apart from the
// rest of the resource layer so programs that pass their own base do not need it.
#include "data/Resources.h"
#include "platform/System.h"

bool createTempFolder() { return createTempFolder(os::tempPath()); }
