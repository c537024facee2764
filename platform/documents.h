#pragma once

#include <string>
#include <string_view>

namespace valvora::platform {

// Asks the desktop to open a document (a bare name resolves against the current directory)
// or a web address. False when a local document is missing or no program of the desktop
// took it; what the program opened does afterwards is not reported.
bool openDocument(std::string_view nameOrAddress);

// The local file a document name stands for ("Valvora.html#tonalite" gives the full path of
// Valvora.html), or "" for a web address: what a message names when it cannot be opened.
std::string documentFile(std::string_view nameOrAddress);

// The address openDocument hands to the desktop: a text with a scheme ("http://",
// "https://", "ftp://", "mailto:", "file:") as it stands, anything else as a local file.
std::string documentUrl(std::string_view nameOrAddress);

}  // namespace valvora::platform
