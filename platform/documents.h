#pragma once

#include <string_view>

namespace valvora::platform {

// Asks the desktop to open a document (a bare name resolves against the current directory)
// or a web address. The desktop's answer is not reported: a missing document gives at most
// the desktop's own message.
void openDocument(std::string_view nameOrAddress);

}  // namespace valvora::platform
