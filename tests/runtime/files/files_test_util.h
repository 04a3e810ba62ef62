// Moved to support/files.h; kept only until the suites outside the file layer include that.
#pragma once

#include "support/files.h"
