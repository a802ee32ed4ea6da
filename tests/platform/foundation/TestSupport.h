#pragma once

// The foundation tests (and the folders that took their helpers from here) use the shared helpers.
#include "support/TestSupport.h"
