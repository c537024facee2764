#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace valvora::platform {

// The program writes its picture paths Windows-style ("data\2series.jpg"); on this system
// both separators denote the same folder. Relative paths resolve against the current
// directory, as the picture folder always did.
std::string localPath(std::string_view path);

// Absolute, normalised form of localPath(path), as the file message shows it.
std::string fullPath(std::string_view path);

// "Impossible d'ouvrir le fichier "<full path>". <description of errorNumber>" where the
// description is French for the usual errno values.
std::string cannotOpenMessage(std::string_view path, int errorNumber);

// The whole content of a file, or CalcError with cannotOpenMessage.
std::string readFile(std::string_view path);

// One item a line; a line ends at CR LF, CR or LF; a final break adds no empty item.
std::vector<std::string> splitLines(std::string_view content);

// A line as UTF-8 text: unchanged when it already is valid UTF-8, else read as Windows-1252,
// so that a file made on Windows keeps its accents.
std::string lineAsUtf8(std::string_view line);

// readFile + splitLines.
std::vector<std::string> readLines(std::string_view path);

}  // namespace valvora::platform
