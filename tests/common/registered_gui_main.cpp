#include "common/TestMain.h"

SKYRIG_REGISTERED_GUI_TEST_MAIN()
