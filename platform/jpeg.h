#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace valvora::platform {

// A decoded picture: 8-bit RGB, rows top to bottom, no padding.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// Decodes JPEG bytes through libjpeg. A stream libjpeg rejects fails with
// "Erreur JPEG #<libjpeg's message code>"; libjpeg never exits or prints.
Picture decodeJpeg(const std::vector<std::uint8_t>& bytes);
Picture decodeJpeg(std::string_view bytes);

// Loads a picture file chosen by its extension (".jpg", ".jpeg"): a file that cannot be
// read fails with the file message, a damaged one with the JPEG message.
Picture loadPicture(std::string_view path);

}  // namespace valvora::platform
