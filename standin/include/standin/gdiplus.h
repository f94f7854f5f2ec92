// Stand-in declarations for this area; filled in as the product needs them.
#pragma once

#include "standin/base.h"
