#include "input/load_error.h"
#include "input/print_model.h"
#include <gtest/gtest.h>
TEST(X, Y) { EXPECT_EQ(vantorel::LoadError::empty().userText(), "The file has no triangles to show."); }
