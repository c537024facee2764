#pragma once

#include <string>
#include <string_view>

namespace valvora::platform {

// Asks the desktop to open a document (a bare name resolves against the current directory)
// or a web address. The desktop's answer is not reported: a missing document gives at most
// the desktop's own message.
void openDocument(std::string_view nameOrAddress);

// The address openDocument hands to the desktop: a text with a scheme ("http://",
// "https://", "ftp://", "mailto:", "file:") as it stands, anything else as a local file.
std::string documentUrl(std::string_view nameOrAddress);

}  // namespace valvora::platform
