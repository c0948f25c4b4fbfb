// Result codes shared by both readers and both programs.
#pragma once

#include "tabulox/result_codes.h"
