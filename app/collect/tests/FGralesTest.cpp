// The shared clock result routines that need no clock: the siren-field padding.
#include <gtest/gtest.h>

#include "FGrales.h"

TEST(FGrales, PadAndReplaceRightAlignsCutsAndReplaces) {
  EXPECT_EQ(collect::PadAndReplace(5, 2, ' ', "0"), "05");
  EXPECT_EQ(collect::PadAndReplace(123, 2, ' ', "0"), "23");
  EXPECT_EQ(collect::PadAndReplace(7, 3, ' ', "ab"), "abab7");
  EXPECT_EQ(collect::PadAndReplace(45, 2, ' ', "0"), "45");
}
