#include "print/JwPrinter.h"
#include "print/tests/PrintTestSupport.h"
#include <gtest/gtest.h>
