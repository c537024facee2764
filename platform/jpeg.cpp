#include "platform/jpeg.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <string>

#include "core/failure.h"
#include "platform/files.h"

namespace valvora::platform {

namespace {

// A header may claim up to 65500 × 65500 pixels whatever the file's real size. The program
// ships pictures far smaller than this; anything larger is refused before any allocation.
constexpr std::size_t kMaxSide = 4096;

// A progressive picture may carry any number of scans, each one a pass over the whole
// picture; a real one has about ten.
constexpr int kMaxScans = 100;

// Memory libjpeg may take for its own buffers (a 4096 × 4096 progressive picture needs
// about 100 MB of coefficients).
constexpr long kMaxDecoderMemory = 160L << 20;

// libjpeg reports a fatal error through error_exit, which must not return: we jump back to
// the setjmp in runDecoder. Everything alive between the two is plain C data, so the jump
// skips no destructor.
struct ErrorManager {
  jpeg_error_mgr pub;  // first, so libjpeg's pointer to it is a pointer to the whole
  std::jmp_buf jump;
};

extern "C" void jumpBackOnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings (recoverable corrupt data) pass silently; the program has no console.
extern "C" void ignoreMessage(j_common_ptr) {}

// Called by libjpeg as it works through the input: too many scans end the decoding with
// libjpeg's own error path, before they can hold the program for minutes.
extern "C" void limitScans(j_common_ptr info) {
  if (info->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
    info->err->msg_code = JERR_BAD_PROGRESSION;
    info->err->error_exit(info);
  }
}

struct Decoder {
  jpeg_decompress_struct info;
  ErrorManager error;
  jpeg_progress_mgr progress;
};

// Adobe applications write CMYK inverted, and they are the ones that mark the file.
std::uint8_t cmykChannel(unsigned colour, unsigned black, bool inverted) {
  if (!inverted) {
    colour = 255 - colour;
    black = 255 - black;
  }
  return static_cast<std::uint8_t>((colour * black + 127) / 255);
}

// Returns false when libjpeg gave up (its code is in decoder.error.pub.msg_code). This is the
// only function that calls setjmp: it owns no C++ object, and the picture it fills belongs
// to the caller.
bool runDecoder(Decoder& decoder, const unsigned char* data, std::size_t size, Picture& picture) {
  jpeg_decompress_struct* info = &decoder.info;
  info->err = jpeg_std_error(&decoder.error.pub);
  decoder.error.pub.error_exit = jumpBackOnError;
  decoder.error.pub.output_message = ignoreMessage;
  if (setjmp(decoder.error.jump) != 0) return false;

  jpeg_create_decompress(info);
  info->mem->max_memory_to_use = kMaxDecoderMemory;
  decoder.progress.progress_monitor = limitScans;
  info->progress = &decoder.progress;
  jpeg_mem_src(info, data, static_cast<unsigned long>(size));
  jpeg_read_header(info, TRUE);

  const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  // libjpeg has no CMYK to RGB conversion: take CMYK out and convert it below.
  info->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  const std::size_t width = info->image_width;
  const std::size_t height = info->image_height;
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    info->err->msg_code = JERR_IMAGE_TOO_BIG;
    return false;
  }
  jpeg_start_decompress(info);
  if (info->output_width != width || info->output_height != height ||
      info->output_components != (cmyk ? 4 : 3)) {
    info->err->msg_code = JERR_CONVERSION_NOTIMPL;
    return false;
  }

  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  picture.rgb.resize(width * height * 3);
  const std::size_t stride = width * 3;
  JSAMPARRAY cmykRow =
      cmyk ? (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                        static_cast<JDIMENSION>(width * 4), 1)
           : nullptr;
  while (info->output_scanline < info->output_height) {
    std::uint8_t* out = picture.rgb.data() + info->output_scanline * stride;
    if (!cmyk) {
      JSAMPROW row = out;
      jpeg_read_scanlines(info, &row, 1);
      continue;
    }
    jpeg_read_scanlines(info, cmykRow, 1);
    const JSAMPLE* in = cmykRow[0];
    for (std::size_t x = 0; x < width; ++x, in += 4, out += 3) {
      for (int c = 0; c < 3; ++c) out[c] = cmykChannel(in[c], in[3], info->saw_Adobe_marker);
    }
  }
  jpeg_finish_decompress(info);
  return true;
}

// Destroys libjpeg's state however decodeBytes leaves (including a failed allocation).
class DecoderGuard {
 public:
  explicit DecoderGuard(Decoder& decoder) : decoder_(decoder) {}
  ~DecoderGuard() { jpeg_destroy_decompress(&decoder_.info); }
  DecoderGuard(const DecoderGuard&) = delete;
  DecoderGuard& operator=(const DecoderGuard&) = delete;

 private:
  Decoder& decoder_;
};

Picture decodeBytes(const unsigned char* data, std::size_t size) {
  // Zeroed, so that destroying it is safe even if libjpeg failed while creating it.
  Decoder decoder{};
  Picture picture;
  bool done = false;
  {
    const DecoderGuard guard(decoder);
    done = runDecoder(decoder, data, size, picture);
  }
  if (!done) throw CalcError("Erreur JPEG #" + std::to_string(decoder.error.pub.msg_code));
  return picture;
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The extension with its dot, as the name has it ("" when there is none).
std::string extensionOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot);
}

}  // namespace

Picture decodeJpeg(const std::vector<std::uint8_t>& bytes) {
  return decodeBytes(bytes.data(), bytes.size());
}

Picture decodeJpeg(std::string_view bytes) {
  return decodeBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

Picture loadPicture(std::string_view path) {
  // The decoder is chosen before the file is opened: a name no decoder takes is not read.
  const std::string extension = extensionOf(localPath(path));
  const std::string lower = lowerCase(extension);
  if (lower != ".jpg" && lower != ".jpeg") {
    throw CalcError("Extension de fichier graphique inconnue (" + extension + ")");
  }
  return decodeJpeg(readFile(path));
}

}  // namespace valvora::platform
