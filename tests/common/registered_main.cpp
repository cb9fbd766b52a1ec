#include "common/TestMain.h"

SKYRIG_REGISTERED_TEST_MAIN()
