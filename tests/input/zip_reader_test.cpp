#include "input/load_error.h"
#include "input/model_loader.h"
#include "input/zip_reader.h"
#include "test_bytes.h"
#include "zip_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace vantorel {
namespace {

using test::Bytes;
using test::bytesOf;
using test::zipArchive;
using test::ZipEntrySpec;

ZipReader::Limits loaderLimits() { return ModelLoader::threeMFLimits().zip; }

std::string phraseOf(const std::function<void()>& work) {
  try {
    work();
  } catch (const LoadError& e) {
    EXPECT_EQ(e.kind(), LoadError::Kind::malformed);
    return e.payload();
  }
  return "(no error)";
}

std::string openPhrase(const Bytes& archive) {
  return phraseOf([&] { ZipReader zip(archive, loaderLimits()); });
}

std::string readPhrase(const Bytes& archive, std::string_view name, ZipReader::Limits limits = loaderLimits()) {
  return phraseOf([&] {
    ZipReader zip(archive, limits);
    zip.read(name);
  });
}

std::string textOf(const UnpackedBytes& b) {
  return {reinterpret_cast<const char*>(b.bytes().data()), b.bytes().size()};
}

Bytes pattern(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = std::byte((i * 7 + i / 13) & 0xFF);
  return b;
}

// A deflate entry that claims `size` unpacked bytes behind `packedSize` bytes of (junk) data.
ZipEntrySpec claimed(std::string name, std::uint64_t size, std::size_t packedSize) {
  ZipEntrySpec e{std::move(name), Bytes(packedSize, std::byte{0x55}), false};
  e.method = 8;
  e.size = size;
  return e;
}

TEST(ZipDirectory, RefusesWhatIsNotAnArchive) {
  EXPECT_EQ(openPhrase(Bytes(21)), "it isn't a ZIP archive (too short)");
  EXPECT_EQ(openPhrase(Bytes(22)), "it isn't a ZIP archive (no directory)");
  EXPECT_EQ(openPhrase(bytesOf("solid cube\nendsolid cube\n")), "it isn't a ZIP archive (no directory)");
}

TEST(ZipDirectory, FindsTheEndRecordBehindTheLongestComment) {
  const Bytes archive = zipArchive({{"a.txt", bytesOf("hello")}}, {.comment = std::string(65535, 'c')});
  ZipReader zip(archive, loaderLimits());
  EXPECT_EQ(textOf(zip.read("a.txt")), "hello");

  // Seventeen more bytes after the comment put the record out of reach.
  Bytes further = archive;
  further.insert(further.end(), 17, std::byte{'x'});
  EXPECT_EQ(openPhrase(further), "it isn't a ZIP archive (no directory)");
}

TEST(ZipDirectory, ListsFilesInOrderWithoutDirectories) {
  const Bytes archive = zipArchive({{"3D/", {}, false}, {"3D/a.model", bytesOf("a")}, {"b", bytesOf("bb"), false}});
  ZipReader zip(archive, loaderLimits());
  ASSERT_EQ(zip.entries().size(), 2u);
  EXPECT_EQ(zip.entries()[0].name, "3D/a.model");
  EXPECT_EQ(zip.entries()[0].method, 8);
  EXPECT_EQ(zip.entries()[1].name, "b");
  EXPECT_EQ(zip.entries()[1].size, 2);
  EXPECT_FALSE(zip.contains("3D/"));
}

TEST(ZipDirectory, ReadsZip64RecordsAndExtraFields) {
  ZipEntrySpec e{"big.model", bytesOf("<model/>")};
  e.zip64 = true;
  const Bytes archive = zipArchive({e}, {.zip64End = true});
  ZipReader zip(archive, loaderLimits());
  ASSERT_EQ(zip.entries().size(), 1u);
  EXPECT_EQ(zip.entries()[0].size, 8);
  EXPECT_EQ(textOf(zip.read("big.model")), "<model/>");
}

TEST(ZipDirectory, RefusesDamagedAndHostileDirectories) {
  const ZipEntrySpec a{"a", bytesOf("a")};
  EXPECT_EQ(openPhrase(zipArchive({a}, {.entryCount = 60000})), "the ZIP directory is damaged");
  EXPECT_EQ(openPhrase(zipArchive({a}, {.directoryOffset = 0xFFFFFFF0})), "the ZIP directory is damaged");
  EXPECT_EQ(openPhrase(zipArchive({a}, {.directoryOffset = 3})), "the ZIP directory is damaged");
  EXPECT_EQ(openPhrase(zipArchive({a}, {.zip64End = true, .zip64EndOffset = 1u << 30})),
            "the ZIP64 directory is missing");
  EXPECT_EQ(openPhrase(zipArchive({a}, {.zip64End = true, .zip64EndOffset = 0})), "the ZIP64 directory is missing");
  EXPECT_EQ(openPhrase(zipArchive({a}, {.zip64End = true, .zip64EndOffset = 0x8000000000000000})),
            "a ZIP64 size or offset is out of range");

  ZipEntrySpec negative{"n", bytesOf("n")};
  negative.zip64 = true;
  negative.size = 0xFFFFFFFFFFFFFFFF;
  EXPECT_EQ(openPhrase(zipArchive({negative})), "a ZIP64 size or offset is out of range");

  ZipEntrySpec locked{"secret.model", bytesOf("x")};
  locked.flags = 1;
  EXPECT_EQ(openPhrase(zipArchive({a, locked})), "the archive is encrypted");
}

TEST(ZipLookup, KeysArePercentDecodedWithoutLeadingSlashAndCaseless) {
  const Bytes archive = zipArchive({{"/3D/3DModel.model", bytesOf("m")},
                                    {"Parts/my%20part.model", bytesOf("p")},
                                    {"twice", bytesOf("first")},
                                    {"TWICE", bytesOf("second")},
                                    {"bad%zz", bytesOf("kept")}});
  ZipReader zip(archive, loaderLimits());
  EXPECT_EQ(textOf(zip.read("3D/3dmodel.model")), "m");
  EXPECT_EQ(textOf(zip.read("Parts/my part.model")), "p");
  EXPECT_EQ(textOf(zip.read("/twice")), "second");
  EXPECT_EQ(textOf(zip.read("bad%zz")), "kept");
  EXPECT_EQ(zip.entry("3d/3dmodel.model")->name, "/3D/3DModel.model");
  EXPECT_FALSE(zip.entry("3D/other.model"));
  EXPECT_EQ(ZipReader::lookupKey("//A%2Fb"), "a/b");
  EXPECT_EQ(phraseOf([&] { zip.read("Thumbnails/Missing.png"); }), "the archive has no Thumbnails/Missing.png");
}

TEST(ZipUnpack, StoredEntriesAreSlicesOfTheArchive) {
  const Bytes archive = zipArchive({{"a.txt", bytesOf("stored text"), false}});
  ZipReader zip(archive, loaderLimits());
  const UnpackedBytes b = zip.read("a.txt");
  EXPECT_EQ(textOf(b), "stored text");
  EXPECT_GE(b.bytes().data(), archive.data());
  EXPECT_LT(b.bytes().data(), archive.data() + archive.size());
}

TEST(ZipUnpack, DeflatedEntriesRoundTrip) {
  const Bytes big = pattern(5 << 20);  // large enough for the mapped buffer
  const Bytes archive = zipArchive({{"3D/3dmodel.model", big}, {"empty.txt", {}}});
  ZipReader zip(archive, loaderLimits());
  const UnpackedBytes b = zip.read("3D/3dmodel.model");
  ASSERT_EQ(b.bytes().size(), big.size());
  EXPECT_EQ(std::memcmp(b.bytes().data(), big.data(), big.size()), 0);
  EXPECT_TRUE(zip.read("empty.txt").bytes().empty());
  EXPECT_EQ(zip.spent(), std::int64_t(big.size()));
}

TEST(ZipUnpack, EntryCapsDependOnTheName) {
  EXPECT_EQ(readPhrase(zipArchive({claimed("3D/3dmodel.model", 300u << 20, 2u << 20)}), "3D/3dmodel.model"),
            "3D/3dmodel.model is too large to unpack");
  EXPECT_EQ(readPhrase(zipArchive({claimed("Metadata/plate_1.png", 20u << 20, 1u << 20)}), "Metadata/plate_1.png"),
            "Metadata/plate_1.png is too large to unpack");
  // The same 20 MiB under a .MODEL name is within its cap; its junk data then fails to inflate.
  EXPECT_EQ(readPhrase(zipArchive({claimed("3D/x.MODEL", 20u << 20, 1u << 20)}), "3D/x.MODEL"),
            "3D/x.MODEL couldn't be unpacked");
}

TEST(ZipUnpack, RatioTestStopsDeflateBombs) {
  EXPECT_EQ(readPhrase(zipArchive({claimed("a.model", 2u << 20, 10 << 10)}), "a.model"),
            "a.model is packed too tightly to be a real model file");
  EXPECT_EQ(readPhrase(zipArchive({claimed("a.model", 2u << 20, 12 << 10)}), "a.model"), "a.model couldn't be unpacked");
  EXPECT_EQ(readPhrase(zipArchive({claimed("a.model", 1u << 20, 1)}), "a.model"), "a.model couldn't be unpacked");

  // A real bomb: 8 MiB of zeros deflate to a few kilobytes.
  const Bytes bomb = zipArchive({{"3D/3dmodel.model", Bytes(8u << 20)}}, {}, 12);
  EXPECT_EQ(readPhrase(bomb, "3D/3dmodel.model"), "3D/3dmodel.model is packed too tightly to be a real model file");
}

TEST(ZipUnpack, TotalBudgetIsSharedAndKeptOnFailure) {
  ZipReader::Limits limits = loaderLimits();
  limits.total = 3 << 20;
  const Bytes mib = pattern(1 << 20);
  const Bytes archive = zipArchive({{"a", mib, false}, {"b", mib}, {"c", mib}, {"d", mib}, claimed("e", 10, 5)});
  ZipReader zip(archive, limits);
  // A read that fails after its grant keeps the grant.
  EXPECT_EQ(phraseOf([&] { zip.read("e"); }), "e couldn't be unpacked");
  EXPECT_EQ(zip.spent(), 10);
  zip.read("a");
  zip.read("b");
  EXPECT_EQ(phraseOf([&] { zip.read("c"); }), "the archive unpacks to more than 3 MB");
  EXPECT_EQ(phraseOf([&] { zip.read("d"); }), "the archive unpacks to more than 3 MB");
  EXPECT_EQ(zip.spent(), (2 << 20) + 10);
}

TEST(ZipUnpack, LoaderTotalIsOneGibibyte) {
  // Sizes are declared only: the budget is checked before anything is unpacked.
  std::vector<ZipEntrySpec> entries;
  for (int i = 0; i < 5; ++i) entries.push_back(claimed("part" + std::to_string(i) + ".model", 250u << 20, 2u << 20));
  const Bytes archive = zipArchive(entries);
  ZipReader zip(archive, loaderLimits());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(phraseOf([&] { zip.read("part" + std::to_string(i) + ".model"); }),
                                        "part" + std::to_string(i) + ".model couldn't be unpacked");
  EXPECT_EQ(phraseOf([&] { zip.read("part4.model"); }), "the archive unpacks to more than 1024 MB");
}

TEST(ZipUnpack, BudgetHoldsUnderConcurrentReads) {
  ZipReader::Limits limits = loaderLimits();
  limits.total = 5 * 1000;
  const Bytes archive = zipArchive({{"a", pattern(1000)}});
  ZipReader zip(archive, limits);
  std::atomic<int> granted{0}, refused{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 4; ++i) {
        try {
          zip.read("a");
          ++granted;
        } catch (const LoadError&) {
          ++refused;
        }
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(granted, 5);
  EXPECT_EQ(refused, 27);
  EXPECT_EQ(zip.spent(), 5000);
}

TEST(ZipUnpack, RefusesDamagedEntries) {
  ZipEntrySpec farHeader{"far", bytesOf("x")};
  farHeader.localOffset = 1u << 20;
  EXPECT_EQ(readPhrase(zipArchive({farHeader}), "far"), "a ZIP entry's header is missing");
  ZipEntrySpec wrongHeader{"w", bytesOf("x")};
  wrongHeader.localOffset = 1;
  EXPECT_EQ(readPhrase(zipArchive({wrongHeader}), "w"), "a ZIP entry's header is missing");

  ZipEntrySpec cut{"cut", bytesOf("abc"), false};
  cut.compressedSize = 1u << 20;
  EXPECT_EQ(readPhrase(zipArchive({cut}), "cut"), "the ZIP file is cut short");

  ZipEntrySpec wrongSize{"s.txt", bytesOf("abc"), false};
  wrongSize.size = 4;
  EXPECT_EQ(readPhrase(zipArchive({wrongSize}), "s.txt"), "s.txt has the wrong size");

  ZipEntrySpec shortOutput{"d.txt", pattern(100)};
  shortOutput.size = 200;
  EXPECT_EQ(readPhrase(zipArchive({shortOutput}), "d.txt"), "d.txt couldn't be unpacked");
  ZipEntrySpec emptyPacked{"e.txt", {}, false};
  emptyPacked.method = 8;
  emptyPacked.size = 5;
  EXPECT_EQ(readPhrase(zipArchive({emptyPacked}), "e.txt"), "e.txt couldn't be unpacked");

  ZipEntrySpec lzma{"l.model", bytesOf("x"), false};
  lzma.method = 14;
  EXPECT_EQ(readPhrase(zipArchive({lzma}), "l.model"),
            "l.model uses a ZIP compression method Vantorel doesn't read (14)");
}

TEST(ZipUnpack, EveryTruncatedPrefixFailsCleanly) {
  const Bytes archive = zipArchive({{"3D/3dmodel.model", bytesOf("<model unit=\"millimeter\"/>")},
                                    {"b.txt", bytesOf("bee"), false}});
  for (std::size_t n = 0; n < archive.size(); ++n) {
    const Bytes prefix(archive.begin(), archive.begin() + std::ptrdiff_t(n));  // fresh buffer for ASan
    EXPECT_NE(openPhrase(prefix), "(no error)") << "prefix " << n;
  }
  // Truncating the packed data of the first entry while keeping the directory.
  for (std::size_t cutAt = 30; cutAt < 60; ++cutAt) {
    Bytes damaged = archive;
    damaged.erase(damaged.begin() + std::ptrdiff_t(cutAt));
    ZipReader::Limits limits = loaderLimits();
    try {
      ZipReader zip(damaged, limits);
      for (const auto& e : zip.entries()) {
        try {
          zip.read(e.name);
        } catch (const LoadError&) {
        }
      }
    } catch (const LoadError&) {
    }
  }
}

}  // namespace
}  // namespace vantorel
