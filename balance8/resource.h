// Resource ids of the BALANCE8 module; they all live in the module's one id header.
#pragma once

#include "Balance8Ids.h"
