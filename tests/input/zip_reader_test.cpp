#include "input/load_error.h"
#include "input/model_loader.h"
#include "input/zip_reader.h"
#include "test_bytes.h"
#include "zip_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

namespace vantorel {
namespace {

using test::Bytes;
using test::bytesOf;
using test::zipArchive;
using test::ZipEntrySpec;

ZipReader::Limits loaderLimits() { return ModelLoader::threeMFLimits().zip; }

std::string phraseOf(const std::function<void()>& work) {
  const auto e = test::refusal(work);
  EXPECT_TRUE(!e || e->kind() == LoadError::Kind::malformed);
  return e ? e->payload() : "(no error)";
}

std::string openPhrase(const Bytes& archive) {
  return phraseOf([&] { ZipReader zip(archive, loaderLimits()); });
}

std::string textOf(const UnpackedBytes& b) { return {reinterpret_cast<const char*>(b.bytes().data()), b.bytes().size()}; }

// The entry as it comes whole or piece by piece from ZipReader::inflow.
Bytes inPieces(const ZipReader& zip, std::string_view name) {
  const auto in = zip.inflow(name);
  if (const auto whole = in->whole()) return Bytes(whole->begin(), whole->end());
  Bytes out;
  for (EntryInflow::Piece p = in->next(); p.size > 0; p = in->next()) {
    EXPECT_LE(p.size, EntryInflow::kPiece);
    out.insert(out.end(), p.data, p.data + p.size);
  }
  return out;
}

Bytes pattern(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = std::byte((i * 7 + i / 13) & 0xFF);
  return b;
}

// A deflate entry that claims `size` unpacked bytes behind `packedSize` bytes of (junk) data.
ZipEntrySpec claimed(std::string name, std::uint64_t size, std::size_t packedSize) {
  return {.name = std::move(name), .data = Bytes(packedSize, std::byte{0x55}), .deflate = false, .method = 8,
          .size = size};
}

TEST(ZipDirectory, ReadsEntriesInOrderBehindAnyComment) {
  const Bytes archive = zipArchive({{"3D/", {}, false}, {"3D/a.model", bytesOf("a")}, {"b", bytesOf("bb"), false}},
                                   {.comment = std::string(65535, 'c')});
  ZipReader zip(archive, loaderLimits());
  ASSERT_EQ(zip.entries().size(), 2u) << "folders are left out";
  EXPECT_EQ(zip.entries()[0].name, "3D/a.model");
  EXPECT_EQ(zip.entries()[0].method, 8);
  EXPECT_EQ(zip.entries()[1].name, "b");
  EXPECT_EQ(zip.entries()[1].size, 2);
  EXPECT_FALSE(zip.contains("3D/"));
  EXPECT_EQ(textOf(zip.read("b")), "bb");

  const Bytes zip64 = zipArchive({{.name = "big.model", .data = bytesOf("<model/>"), .zip64 = true}}, {.zip64End = true});
  ZipReader big(zip64, loaderLimits());
  ASSERT_EQ(big.entries().size(), 1u);
  EXPECT_EQ(big.entries()[0].size, 8);
  EXPECT_EQ(textOf(big.read("big.model")), "<model/>");
}

TEST(ZipDirectory, RefusesWhatIsNoArchiveAndDamagedOrHostileDirectories) {
  const ZipEntrySpec a{"a", bytesOf("a")};
  // Seventeen bytes after the longest comment put the end record out of reach.
  Bytes tooFar = zipArchive({a}, {.comment = std::string(65535, 'c')});
  tooFar.insert(tooFar.end(), 17, std::byte{'x'});
  const std::pair<Bytes, std::string> cases[] = {
      {Bytes(21), "it isn't a ZIP archive (too short)"},
      {Bytes(22), "it isn't a ZIP archive (no directory)"},
      {bytesOf("solid cube\nendsolid cube\n"), "it isn't a ZIP archive (no directory)"},
      {tooFar, "it isn't a ZIP archive (no directory)"},
      {zipArchive({a}, {.entryCount = 60000}), "the ZIP directory is damaged"},
      {zipArchive({a}, {.directoryOffset = 0xFFFFFFF0}), "the ZIP directory is damaged"},
      {zipArchive({a}, {.directoryOffset = 3}), "the ZIP directory is damaged"},
      {zipArchive({a}, {.zip64End = true, .zip64EndOffset = 1u << 30}), "the ZIP64 directory is missing"},
      {zipArchive({a}, {.zip64End = true, .zip64EndOffset = 0}), "the ZIP64 directory is missing"},
      {zipArchive({a}, {.zip64End = true, .zip64EndOffset = 0x8000000000000000}),
       "a ZIP64 size or offset is out of range"},
      {zipArchive({{.name = "n", .data = bytesOf("n"), .size = 0xFFFFFFFFFFFFFFFF, .zip64 = true}}),
       "a ZIP64 size or offset is out of range"},
      {zipArchive({a, {.name = "secret.model", .data = bytesOf("x"), .flags = 1}}), "the archive is encrypted"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(openPhrase(cases[i].first), cases[i].second) << i;
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

TEST(ZipUnpack, StoredEntriesAreSlicesAndDeflatedOnesRoundTrip) {
  const Bytes big = pattern(5 << 20);  // large enough for the mapped buffer
  const Bytes archive =
      zipArchive({{"a.txt", bytesOf("stored text"), false}, {"3D/3dmodel.model", big}, {"empty.txt", {}}});
  ZipReader zip(archive, loaderLimits());
  const UnpackedBytes stored = zip.read("a.txt");
  EXPECT_EQ(textOf(stored), "stored text");
  EXPECT_GE(stored.bytes().data(), archive.data());
  EXPECT_LT(stored.bytes().data(), archive.data() + archive.size());
  const UnpackedBytes b = zip.read("3D/3dmodel.model");
  ASSERT_EQ(b.bytes().size(), big.size());
  EXPECT_EQ(std::memcmp(b.bytes().data(), big.data(), big.size()), 0);
  EXPECT_TRUE(zip.read("empty.txt").bytes().empty());
  EXPECT_EQ(zip.spent(), std::int64_t(11 + big.size()));
  // Piece by piece the same bytes come out, within the same budget.
  EXPECT_EQ(inPieces(zip, "3D/3dmodel.model"), big);
  EXPECT_EQ(inPieces(zip, "a.txt"), bytesOf("stored text"));
  EXPECT_TRUE(inPieces(zip, "empty.txt").empty());
  EXPECT_EQ(zip.spent(), std::int64_t(2 * (11 + big.size())));
}

TEST(ZipUnpack, RefusesOversizedBombsAndDamagedEntries) {
  const std::pair<ZipEntrySpec, std::string> cases[] = {
      // Caps depend on the name: the same 20 MiB under a .MODEL name is within its cap, and its
      // junk data then fails to inflate.
      {claimed("3D/3dmodel.model", 300u << 20, 2u << 20), "3D/3dmodel.model is too large to unpack"},
      {claimed("Metadata/plate_1.png", 20u << 20, 1u << 20), "Metadata/plate_1.png is too large to unpack"},
      {claimed("3D/x.MODEL", 20u << 20, 1u << 20), "3D/x.MODEL couldn't be unpacked"},
      // The ratio test, and entries just past it or under its floor.
      {claimed("a.model", 2u << 20, 10 << 10), "a.model is packed too tightly to be a real model file"},
      {claimed("a.model", 2u << 20, 12 << 10), "a.model couldn't be unpacked"},
      {claimed("a.model", 1u << 20, 1), "a.model couldn't be unpacked"},
      {{.name = "far", .data = bytesOf("x"), .localOffset = 1u << 20}, "a ZIP entry's header is missing"},
      {{.name = "w", .data = bytesOf("x"), .localOffset = 1}, "a ZIP entry's header is missing"},
      {{.name = "cut", .data = bytesOf("abc"), .deflate = false, .compressedSize = 1u << 20}, "the ZIP file is cut short"},
      {{.name = "s.txt", .data = bytesOf("abc"), .deflate = false, .size = 4}, "s.txt has the wrong size"},
      {{.name = "d.txt", .data = pattern(100), .size = 200}, "d.txt couldn't be unpacked"},
      {{.name = "f.txt", .data = pattern(300), .size = 200}, "f.txt couldn't be unpacked"},
      {{.name = "e.txt", .deflate = false, .method = 8, .size = 5}, "e.txt couldn't be unpacked"},
      {{.name = "l.model", .data = bytesOf("x"), .deflate = false, .method = 14},
       "l.model uses a ZIP compression method Vantorel doesn't read (14)"},
  };
  for (const auto& [spec, phrase] : cases) {
    const Bytes archive = zipArchive({spec});
    EXPECT_EQ(phraseOf([&] { ZipReader(archive, loaderLimits()).read(spec.name); }), phrase);
    EXPECT_EQ(phraseOf([&] { inPieces(ZipReader(archive, loaderLimits()), spec.name); }), phrase) << "in pieces";
  }
  // A real bomb: 8 MiB of zeros deflate to a few kilobytes.
  const Bytes bomb = zipArchive({{"3D/3dmodel.model", Bytes(8u << 20)}}, {}, 12);
  EXPECT_EQ(phraseOf([&] { ZipReader(bomb, loaderLimits()).read("3D/3dmodel.model"); }),
            "3D/3dmodel.model is packed too tightly to be a real model file");
  EXPECT_EQ(phraseOf([&] { inPieces(ZipReader(bomb, loaderLimits()), "3D/3dmodel.model"); }),
            "3D/3dmodel.model is packed too tightly to be a real model file");
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

TEST(ZipUnpack, EveryTruncatedPrefixFailsCleanly) {
  const Bytes archive = zipArchive({{"3D/3dmodel.model", bytesOf("<model unit=\"millimeter\"/>")},
                                    {"b.txt", bytesOf("bee"), false}});
  for (std::size_t n = 0; n < archive.size(); ++n) {
    const Bytes prefix(archive.begin(), archive.begin() + std::ptrdiff_t(n));  // fresh buffer for ASan
    EXPECT_NE(openPhrase(prefix), "(no error)") << "prefix " << n;
  }
  // Packed data of the first entry cut short under an intact directory: refused, never read past.
  for (std::size_t cutAt = 30; cutAt < 60; ++cutAt) {
    Bytes damaged = archive;
    damaged.erase(damaged.begin() + std::ptrdiff_t(cutAt));
    phraseOf([&] {
      ZipReader zip(damaged, loaderLimits());
      for (const auto& e : zip.entries()) phraseOf([&] { zip.read(e.name); });
    });
  }
}

}  // namespace
}  // namespace vantorel
