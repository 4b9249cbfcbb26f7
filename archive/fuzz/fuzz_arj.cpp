#include "archive/fuzz/fuzz_target.h"

PANNEX_FUZZ_TARGET(ArchArj)
