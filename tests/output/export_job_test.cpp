#include "output/export_job.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(ExportJob, ProgressFallsInThePartsInTheOrderTheyAreMade) {
  const ExportJob all{VideoSpec{}, GIFSpec{}, StillSpec{}};
  EXPECT_EQ(all.partAt(0.0), "video");
  EXPECT_EQ(all.partAt(0.5), "GIF");
  EXPECT_EQ(all.partAt(1.0), "product shots");
  EXPECT_EQ((ExportJob{.gif = GIFSpec{}}).partAt(0.9), "GIF");
  EXPECT_EQ(ExportJob{}.partAt(0.5), "");
}
