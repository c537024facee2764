#include "platform/writefile.h"

#include <iconv.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstddef>

#include "core/failure.h"
#include "core/numtext.h"

namespace valvora::platform {
namespace {

class Converter {
 public:
  Converter() : cd_(::iconv_open("WINDOWS-1252", "UTF-8")) {}
  ~Converter() {
    if (ok()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const {
    // iconv_open's failure value is (iconv_t)-1: the cast is its interface.
    return cd_ != reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
  }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 character at the start of the text; 1 for a byte that starts none, so
// that the bytes after it are looked at again.
std::size_t characterLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (length > text.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0u) != 0x80u) return 1;
  }
  return length;
}

}  // namespace

std::string toWindows1252(std::string_view utf8) {
  const Converter converter;
  if (!converter.ok()) throw CalcError(fileErrorMessage(errno));
  std::string out(utf8.size(), '\0');  // never longer than its UTF-8 form
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* next = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (::iconv(converter.get(), &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1))
      break;
    if ((errno != EILSEQ && errno != EINVAL) || outLeft == 0)
      throw CalcError(fileErrorMessage(errno));
    // Not in the code page, or not UTF-8: one "?" for the character, or for the byte.
    const std::size_t skip = characterLength(std::string_view(in, inLeft));
    in += skip;
    inLeft -= skip;
    *next++ = '?';
    --outLeft;
  }
  out.resize(out.size() - outLeft);
  return out;
}

bool regularFileExists(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string fileErrorMessage(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
      return "Fichier introuvable";
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
      return "Nom de fichier incorrect";
    case EMFILE:
    case ENFILE:
      return "Trop de fichiers ouverts";
    case EACCES:
    case EPERM:
    case EROFS:
      return "Accès au fichier refusé";
    case ENOSPC:
    case EDQUOT:
      return "Disque plein";
    default:
      return "Erreur E/S " + formatInteger(errorNumber);
  }
}

}  // namespace valvora::platform
