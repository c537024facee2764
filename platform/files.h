#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace valvora::platform {

// A file operation's failure: the message as the user reads it, and the system's error
// number behind it, so that a full disk and a refusal can be told apart where it matters
// (tests, diagnosis) without changing the text shown.
class FileError : public CalcError {
 public:
  FileError(const std::string& message, int errorNumber);
  int errorNumber() const noexcept { return errorNumber_; }

 private:
  int errorNumber_;
};

// The program writes its picture paths Windows-style ("data\2series.jpg"); on this system
// both separators denote the same folder. Relative paths resolve against the current
// directory, as the picture folder always did.
std::string localPath(std::string_view path);

// Absolute, normalised form of localPath(path), as the file message shows it.
std::string fullPath(std::string_view path);

// "Impossible d'ouvrir le fichier "<full path>". <description of errorNumber>" where the
// description is French for the usual errno values.
std::string cannotOpenMessage(std::string_view path, int errorNumber);

// What the program reads at the most: a picture file, and the impedance list.
inline constexpr std::size_t kPictureFileLimit = std::size_t{32} << 20;
inline constexpr std::size_t kListFileLimit = std::size_t{64} << 10;
inline constexpr std::size_t kListLineLimit = 1000;

// The whole content of a regular file of at most maxBytes, or CalcError: cannotOpenMessage
// for a file that cannot be opened or is not a regular file (a FIFO, a device, a socket, a
// folder: refused at once, never waited on), a message naming the file when it is larger.
std::string readFile(std::string_view path, std::size_t maxBytes = kPictureFileLimit);

// The same, but nothing (rather than a failure) when no file has that name, nor a folder
// on its way.
std::optional<std::string> readFileIfExists(std::string_view path, std::size_t maxBytes);

// One item a line; a line ends at CR LF, CR or LF; a final break adds no empty item.
std::vector<std::string> splitLines(std::string_view content);

// A line as UTF-8 text: unchanged when it already is valid UTF-8, else read as Windows-1252,
// so that a file made on Windows keeps its accents.
std::string lineAsUtf8(std::string_view line);

// readFile + splitLines + lineAsUtf8 on each line; more than maxLines lines fails with a
// message naming the file.
std::vector<std::string> readLines(std::string_view path, std::size_t maxBytes = kListFileLimit,
                                   std::size_t maxLines = kListLineLimit);

}  // namespace valvora::platform
