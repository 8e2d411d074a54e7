#include "input/load_error.h"
#include "input/mapped_file.h"
#include "scratch_folder.h"
#include "threemf_fixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>

using namespace vantorel;
using namespace vantorel::test;
namespace fs = std::filesystem;

namespace {
const std::string triangleOBJ = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

std::optional<LoadError> loadError(const fs::path& path) { return refusal([&] { ModelLoader::load(path); }); }
}  // namespace

TEST(ModelLoader, ChoosesTheReaderByExtensionInAnyCase) {
  ScratchFolder dir;
  const auto stlPath = dir.write("MODEL.STL", textOf(binarySTL({{0, 0, 0, 1, 0, 0, 0, 1, 0}})));
  const PrintModel m = ModelLoader::load(stlPath);
  EXPECT_EQ(m.name, "MODEL");
  EXPECT_EQ(m.format, ModelFormat::stlBinary);
  EXPECT_TRUE(ModelLoader::canOpen(stlPath));
  EXPECT_EQ(ModelLoader::load(dir.write("Bracket v2.Obj", triangleOBJ)).name, "Bracket v2");
  EXPECT_EQ(ModelLoader::load(bytesOf(triangleOBJ), "OBJ", "x").format, ModelFormat::obj);
  EXPECT_TRUE(ModelLoader::canOpen("Bracket.3MF"));
  const PrintModel box = ModelLoader::load(single(test::box(1), items({1})), "3MF", "Bracket");
  EXPECT_EQ(std::pair(box.name, box.format), std::pair(std::string("Bracket"), ModelFormat::threeMF));
}

TEST(ModelLoader, RefusesOtherExtensionsWithoutReading) {
  EXPECT_EQ(loadError("/no/such/folder/model.stl.zip"), LoadError::unsupported(".zip"));
  EXPECT_EQ(loadError("/no/such/folder/readme"), LoadError::unsupported("no extension"));
  EXPECT_EQ(loadError("/no/such/folder/part.STEP"), LoadError::unsupported(".step"));
  EXPECT_FALSE(ModelLoader::canOpen("notes.txt"));
  EXPECT_FALSE(ModelLoader::canOpen("stl"));
  EXPECT_THROW(ModelLoader::load(bytesOf(triangleOBJ), "ply", "x"), LoadError);
}

TEST(ModelLoader, PassesFileSystemErrorsUp) {
  ScratchFolder dir;
  try {
    ModelLoader::load(dir / "missing.stl");
    FAIL() << "no error";
  } catch (const fs::filesystem_error& e) {
    EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
    EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos);
  }
  fs::create_directories(dir / "folder.stl");
  EXPECT_THROW(ModelLoader::load(dir / "folder.stl"), fs::filesystem_error);
  // An empty file is read (not mapped) and reported by the reader.
  EXPECT_EQ(loadError(dir.write("empty.obj", "")), LoadError::empty());
  // A pipe that nobody writes to, or a device, is refused at once instead of read for ever.
  ASSERT_EQ(mkfifo((dir / "pipe.stl").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir / "zero.obj");
  for (const char* name : {"pipe.stl", "zero.obj"}) {
    EXPECT_EQ(loadError(dir / name), LoadError::malformed("it isn't a regular file")) << name;
  }
}

TEST(ModelLoader, ListsModelFilesLikeAFileBrowser) {
  ScratchFolder dir;
  for (const char* name : {"b/10.stl", "b/1.stl", "b/2.OBJ", "a.stl", "._a.stl", ".hidden/x.stl", "notes.txt", "MODEL.STL",
                           "c/part 10.obj", "c/part 9.obj", "c/Part 3.obj", "d/.cache/deep/y.stl", "e/notes.txt"}) {
    dir.write(name, "x");
  }
  fs::create_directories(dir / "folder.stl");              // a folder is no model file
  fs::create_directory_symlink(dir / "b", dir / "link");  // not followed
  fs::permissions(dir / "e", fs::perms::none);            // skipped and counted, unless root reads it anyway

  // Case aside and numbers by value, whatever the process's locale.
  const std::string locale = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"C", "C.UTF-8"}) {
    std::setlocale(LC_ALL, name);
    const ModelLoader::Listing listing = ModelLoader::listing(dir.path());
    std::vector<std::string> found;
    for (const auto& p : listing.files) found.push_back(fs::relative(p, dir.path()).string());
    EXPECT_EQ(found, (std::vector<std::string>{"a.stl", "b/1.stl", "b/2.OBJ", "b/10.stl", "c/Part 3.obj", "c/part 9.obj",
                                               "c/part 10.obj", "MODEL.STL"}))
        << name;
    EXPECT_EQ(listing.skippedFolders, geteuid() == 0 ? 0u : 1u);
  }
  std::setlocale(LC_ALL, locale.c_str());
  fs::permissions(dir / "e", fs::perms::owner_all);
  EXPECT_EQ(ModelLoader::listing(dir / "nowhere"), (ModelLoader::Listing{{}, 1}));
}

TEST(MappedFile, CopiesAndPagesGivenBackReadTheFileAndOtherMemoryIsLeftAlone) {
  ScratchFolder dir;
  std::string pattern(3 << 20, '\0');
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = char(i * 7 + i / 4096);
  const auto path = dir.write("pattern.bin", pattern);
  {
    const MappedFile file(path);
    const auto bytes = file.bytes();
    doneWith(bytes.subspan(5000, 1 << 20));  // not on page boundaries
    doneWith(bytes);
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), pattern);
  }
  {
    // Copies read the file, so one cut short after opening fails instead of faulting.
    const MappedFile file(path);
    std::string copied(100, '\0');
    file.copy(2 << 20, std::as_writable_bytes(std::span(copied)));
    EXPECT_EQ(copied, pattern.substr(2 << 20, 100));
    fs::resize_file(path, 1 << 20);
    EXPECT_THROW(file.copy(2 << 20, std::as_writable_bytes(std::span(copied))), fs::filesystem_error);
    EXPECT_THROW(file.copy(3 << 20, std::as_writable_bytes(std::span(copied))), std::out_of_range);
  }
  // Memory that isn't a file's mapping, such as a large buffer of its own pages, keeps its bytes.
  std::vector<std::byte> buffer(4 << 20, std::byte{0x5A});
  doneWith(buffer);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), std::byte{0x5A}), std::ptrdiff_t(buffer.size()));
}
