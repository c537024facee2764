#include <gtest/gtest.h>

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bounded_child.h"
#include "core/failure.h"
#include "platform/files.h"
#include "platform/jpeg.h"
#include "temp_folder.h"

namespace valvora::platform {
namespace {

using testing::TempFolder;
using Rgb = std::array<int, 3>;
using Samples = std::array<std::uint8_t, 4>;

struct Encoding {
  int width;
  int height;
  J_COLOR_SPACE space;
  std::function<Samples(int x, int y)> pixel;
  bool progressive = false;
  bool adobeMarker = true;  // only written for CMYK
};

// Encodes with libjpeg's own compressor; its default error handling is fine for valid input.
std::string encode(const Encoding& e) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  const int components = e.space == JCS_GRAYSCALE ? 1 : e.space == JCS_CMYK ? 4 : 3;
  info.image_width = JDIMENSION(e.width);
  info.image_height = JDIMENSION(e.height);
  info.input_components = components;
  info.in_color_space = e.space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  if (e.progressive) jpeg_simple_progression(&info);
  if (e.space == JCS_CMYK) info.write_Adobe_marker = e.adobeMarker;
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(std::size_t(e.width * components));
  for (int y = 0; y < e.height; ++y) {
    for (int x = 0; x < e.width; ++x) {
      const Samples s = e.pixel(x, y);
      for (int c = 0; c < components; ++c) row[std::size_t(x * components + c)] = s[std::size_t(c)];
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return bytes;
}

Samples solid(int a, int b, int c, int d = 0) {
  return {std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d)};
}

std::string plainPicture(int width = 16, int height = 8) {
  return encode({width, height, JCS_RGB, [](int, int) { return solid(200, 30, 60); }});
}

Rgb pixelAt(const Picture& picture, int x, int y) {
  const std::size_t at = (std::size_t(y) * std::size_t(picture.width) + std::size_t(x)) * 3;
  return {picture.rgb[at], picture.rgb[at + 1], picture.rgb[at + 2]};
}

std::string failureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const CalcError& error) {
    return error.what();
  }
  return "";
}

// The SOF0 marker's fields: precision at +4, height at +5, width at +7.
std::string withFrame(std::string bytes, int precision, int height, int width) {
  const std::size_t sof = bytes.find("\xFF\xC0");
  bytes[sof + 4] = char(precision);
  bytes[sof + 5] = char(height >> 8);
  bytes[sof + 6] = char(height);
  bytes[sof + 7] = char(width >> 8);
  bytes[sof + 8] = char(width);
  return bytes;
}

TEST(DecodeJpeg, GivesRgbOfTheEncodedSizeAndColours) {
  struct Probe {
    int x, y;
    Rgb rgb;
  };
  struct Case {
    const char* name;
    Encoding encoding;
    std::vector<Probe> probes;
  };
  const auto halves = [](int x, int) { return x < 16 ? solid(230, 20, 20) : solid(20, 20, 230); };
  const Case cases[] = {
      {"rgb",
       {16, 8, JCS_RGB, [](int, int) { return solid(200, 30, 60); }},
       {{0, 0, {200, 30, 60}}, {15, 7, {200, 30, 60}}}},
      {"odd size", {33, 17, JCS_RGB, halves}, {{4, 8, {230, 20, 20}}, {28, 8, {20, 20, 230}}}},
      {"progressive",
       {33, 17, JCS_RGB, halves, true},
       {{4, 8, {230, 20, 20}}, {28, 8, {20, 20, 230}}}},
      {"grey",
       {10, 10, JCS_GRAYSCALE, [](int, int) { return solid(128, 0, 0); }},
       {{5, 5, {128, 128, 128}}}},
      {"cmyk, inverted by its Adobe marker",
       {12, 12, JCS_CMYK, [](int, int) { return solid(255, 0, 0, 255); }},
       {{6, 6, {255, 0, 0}}}},
      {"cmyk without marker",
       {12, 12, JCS_CMYK, [](int, int) { return solid(0, 255, 255, 0); }, false, false},
       {{6, 6, {255, 0, 0}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Picture picture = decodeJpeg(encode(c.encoding));
    ASSERT_EQ(picture.width, c.encoding.width);
    ASSERT_EQ(picture.height, c.encoding.height);
    ASSERT_EQ(picture.rgb.size(), std::size_t(c.encoding.width * c.encoding.height * 3));
    for (const Probe& p : c.probes) {
      const Rgb got = pixelAt(picture, p.x, p.y);
      for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(got[k], p.rgb[k], 12) << p.x << "," << p.y << " #" << k;
    }
  }
  const std::string bytes = plainPicture();
  EXPECT_EQ(decodeJpeg(std::vector<std::uint8_t>(bytes.begin(), bytes.end())).rgb,
            decodeJpeg(bytes).rgb);
}

TEST(DecodeJpeg, RejectedStreamsGiveLibjpegsCode) {
  const std::string good = plainPicture();
  struct Case {
    const char* name;
    std::string bytes;
    const char* expected;
  };
  const Case cases[] = {
      {"empty", "", "Erreur JPEG #42"},              // JERR_INPUT_EMPTY
      {"bitmap", "BM6\x0C\x01", "Erreur JPEG #53"},  // JERR_NO_SOI
      {"text", "8\r\n16\r\n", "Erreur JPEG #53"},
      {"start marker only", "\xFF\xD8", "Erreur JPEG #51"},  // JERR_NO_IMAGE
      {"cut in its header", good.substr(0, 40), "Erreur JPEG #51"},
      {"no width", withFrame(good, 8, 8, 0), "Erreur JPEG #32"},  // JERR_EMPTY_IMAGE
      {"12-bit", withFrame(good, 12, 8, 16), "Erreur JPEG #15"},  // JERR_BAD_PRECISION
      // A small file claiming 65000 × 65000 pixels is refused before anything is allocated.
      {"absurd size", withFrame(good, 8, 65000, 65000), "Erreur JPEG #41"},  // JERR_IMAGE_TOO_BIG
  };
  for (const Case& c : cases) {
    EXPECT_EQ(failureOf([&] { decodeJpeg(c.bytes); }), c.expected) << c.name;
  }
}

// The scan segment libjpeg wrote last (from its SOS marker to the end-of-image marker),
// repeated: each copy is one more pass over the whole picture.
std::string withRepeatedLastScan(const std::string& picture, int copies) {
  const std::size_t sos = picture.rfind("\xFF\xDA");
  const std::size_t eoi = picture.rfind("\xFF\xD9");
  std::string bytes = picture.substr(0, eoi);
  for (int i = 0; i < copies; ++i) bytes += picture.substr(sos, eoi - sos);
  return bytes + "\xFF\xD9";
}

// Pictures made to take the machine: refused quickly and within little memory, each in a
// child process bounded in time and address space.
TEST(DecodeJpeg, PicturesCannotTakeTheMachine) {
  const std::string good = plainPicture();
  // Up to the start of the scan's data: everything a header says, no picture.
  const std::size_t sos = good.find("\xFF\xDA");
  const std::string headerOnly = good.substr(
      0, sos + 2 + std::size_t(std::uint8_t(good[sos + 2]) << 8 | std::uint8_t(good[sos + 3])));
  const std::string progressive =
      encode({256, 256, JCS_GRAYSCALE, [](int, int) { return solid(90, 0, 0); }, true});
  struct Case {
    const char* name;
    std::string bytes;
    std::string expected;
  };
  const std::string tooBig = "Erreur JPEG #" + std::to_string(JERR_IMAGE_TOO_BIG);
  const Case cases[] = {
      {"header of 11585 x 11585", withFrame(headerOnly, 8, 11585, 11585), tooBig},
      {"4097 wide", withFrame(headerOnly, 8, 8, 4097), tooBig},
      {"4097 high", withFrame(headerOnly, 8, 4097, 16), tooBig},
      {"4096 wide", encode({4096, 8, JCS_RGB, [](int, int) { return solid(1, 2, 3); }}),
       "4096 x 8"},
      {"progressive", progressive, "256 x 256"},
      {"5000 empty scans", withRepeatedLastScan(progressive, 5000),
       "Erreur JPEG #" + std::to_string(JERR_BAD_PROGRESSION)},
  };
  for (const Case& c : cases) {
    const std::string outcome = testing::inBoundedChild([&] {
      const Picture picture = decodeJpeg(c.bytes);
      return std::to_string(picture.width) + " x " + std::to_string(picture.height);
    });
    EXPECT_EQ(outcome, c.expected) << c.name;
  }
}

TEST(DecodeJpeg, RecoverableDamagePassesSilently) {
  const std::string good =
      encode({64, 64, JCS_RGB, [](int x, int y) { return solid(x * 4, y * 4, 128); }});
  ::testing::internal::CaptureStderr();
  const Picture picture = decodeJpeg(good.substr(0, good.size() * 6 / 10));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(picture.width, 64);
  EXPECT_EQ(picture.height, 64);
  EXPECT_NEAR(pixelAt(picture, 4, 4)[0], 16, 12);
}

TEST(LoadPicture, ChoosesTheDecoderByExtension) {
  const TempFolder folder;
  const std::string good = plainPicture(5, 3);
  for (const char* name : {"a.jpg", "B.JPG", "c.jpeg", "d.Jpeg", "e.f\\g.jpg"}) {
    const Picture picture = loadPicture(folder.write(localPath(name), good));
    EXPECT_EQ(picture.width, 5) << name;
    EXPECT_EQ(picture.height, 3) << name;
  }
  EXPECT_EQ(loadPicture(folder / "e.f\\g.jpg").width, 5);

  std::filesystem::create_directories(folder.path() / "folder.jpeg");
  struct Case {
    std::string name;
    std::string content;
    std::string expected;
  };
  const Case cases[] = {
      {"picture.bmp", good, "Extension de fichier graphique inconnue (.bmp)"},
      {"picture.jpg.bak", good, "Extension de fichier graphique inconnue (.bak)"},
      {"dotted.d/picture", good, "Extension de fichier graphique inconnue ()"},
      {"absent.bmp", "", "Extension de fichier graphique inconnue (.bmp)"},
      {"text.jpg", "8\n16\n", "Erreur JPEG #53"},
      {"empty.jpg", "", "Erreur JPEG #42"},
  };
  for (const Case& c : cases) {
    const std::string path =
        c.name == "absent.bmp" ? folder / c.name : folder.write(c.name, c.content);
    EXPECT_EQ(failureOf([&] { loadPicture(path); }), c.expected) << c.name;
  }
  EXPECT_EQ(failureOf([&] { loadPicture(folder / "absent.jpg"); }),
            "Impossible d'ouvrir le fichier \"" + folder / "absent.jpg" +
                "\". Le fichier spécifié est introuvable");
  EXPECT_EQ(failureOf([&] { loadPicture(folder / "folder.jpeg"); }),
            "Impossible d'ouvrir le fichier \"" + folder / "folder.jpeg" +
                "\". Le chemin désigne un dossier, pas un fichier");
}

}  // namespace
}  // namespace valvora::platform
