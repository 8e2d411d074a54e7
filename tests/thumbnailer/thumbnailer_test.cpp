// The vantorel-thumbnailer executable run as a file manager runs it.
#include "input/sample_models.h"
#include "scratch_folder.h"
#include "shell_command.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace vantorel;
using vantorel::test::ScratchFolder;
using vantorel::test::Outcome;
using vantorel::test::quoted;
using vantorel::test::shell;

namespace {

Outcome thumbnailer(const std::string& arguments) {
  return shell(std::string("VANTOREL_GL=software ") + VANTOREL_THUMBNAILER + " " + arguments + " 2>&1");
}

// The thumbnailer takes files, so each sample goes to disk as a binary STL.
fs::path writeSTL(const PrintModel& model, const fs::path& file) {
  std::vector<float> triangles;
  for (const ModelObject& object : model.objects) {
    for (std::size_t i = 0; i < object.indices.size(); i += 3) {
      triangles.insert(triangles.end(), 3, 0.0f);  // the normal: readers work it out
      for (std::size_t k = 0; k < 3; ++k) {
        const Float3& p = object.positions[object.indices[i + k]];
        triangles.insert(triangles.end(), {p.x, p.y, p.z});
      }
    }
  }
  std::ofstream out(file, std::ios::binary);
  const char header[80] = "binary STL";
  const std::uint32_t count = std::uint32_t(triangles.size() / 12);
  out.write(header, sizeof header).write(reinterpret_cast<const char*>(&count), 4);
  for (std::size_t t = 0; t < count; ++t) {
    out.write(reinterpret_cast<const char*>(triangles.data() + t * 12), 48).write("\0\0", 2);
  }
  return file;
}

// Straight RGBA through libpng's own reader; empty when the file isn't a readable PNG.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
  std::uint8_t alpha(int x, int y) const { return rgba[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4 + 3]; }
};
Picture readPNG(const fs::path& file) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  Picture picture;
  if (!png_image_begin_read_from_file(&image, file.c_str())) return picture;
  image.format = PNG_FORMAT_RGBA;
  picture.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr)) return {};
  picture.width = int(image.width);
  picture.height = int(image.height);
  return picture;
}

}  // namespace

TEST(Thumbnailer, DrawsEachSampleAloneOnTransparencyAtTheAskedSize) {
  const ScratchFolder dir;
  for (const std::string_view id : SampleModels::ids()) {
    const fs::path model = writeSTL(*SampleModels::byId(id), dir / (std::string(id) + ".stl"));
    for (const int size : {128, 256}) {
      const fs::path png = dir / (std::string(id) + "-" + std::to_string(size) + ".png");
      const Outcome run = thumbnailer("-s " + std::to_string(size) + " " + quoted(model) + " " + quoted(png));
      ASSERT_EQ(run.status, 0) << id << " " << size << ": " << run.output;
      const Picture picture = readPNG(png);
      ASSERT_EQ(std::max(picture.width, picture.height), size) << id;
      const int w = picture.width - 1, h = picture.height - 1;
      for (const auto& [x, y] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}}) EXPECT_EQ(picture.alpha(x, y), 0) << id << " " << size;
      EXPECT_EQ(picture.alpha(w / 2, h / 2), 255) << id << " " << size;
    }
  }
  // Nothing but the asked-for pictures: no temporary file stays beside them.
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"planter-128.png", "planter-256.png", "planter.stl", "vase-128.png",
                                                   "vase-256.png", "vase.stl"}));
}

TEST(Thumbnailer, RefusesWithOneSentenceAndWritesNothing) {
  const ScratchFolder dir;
  const fs::path garbage = dir.write("garbage.stl", "solid nothing\nfacet normal oops\n");
  const fs::path png = dir / "out.png";
  const struct {
    std::string arguments;
    int status;
  } rows[] = {
      {"-s 128 " + quoted(garbage) + " " + quoted(png), 1},
      {"-s 128 " + quoted(dir / "missing.3mf") + " " + quoted(png), 1},
      {"-s 128 " + quoted(dir.path()) + " " + quoted(png), 1},  // a folder
      {"-s 0 " + quoted(garbage) + " " + quoted(png), 64},
      {quoted(garbage) + " " + quoted(png), 64},
  };
  for (const auto& row : rows) {
    const Outcome run = thumbnailer(row.arguments);
    EXPECT_EQ(run.status, row.status) << row.arguments;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    EXPECT_TRUE(run.output.ends_with(".\n")) << run.output;
  }
  EXPECT_EQ(dir.names(), std::vector<std::string>{"garbage.stl"});
}
