#include "print/DevicePrint.h"
#include <gtest/gtest.h>
