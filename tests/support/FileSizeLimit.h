#pragma once
// A full disk, played by a file-size limit (see ResourceLimit.h).
#include "support/ResourceLimit.h"
