#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/documents.h"

namespace valvora::platform {
namespace {

TEST(DocumentUrl, AddressesStayAndNamesBecomeLocalFiles) {
  const std::string here = std::filesystem::current_path().string();
  struct Case {
    std::string text;
    std::string url;
  };
  const Case cases[] = {
      {"Valvora.hlp", "file://" + here + "/Valvora.hlp"},
      {"aide\\Guide complet é.pdf", "file://" + here + "/aide/Guide%20complet%20%C3%A9.pdf"},
      {"/usr/share/doc/notes:v2.txt", "file:///usr/share/doc/notes:v2.txt"},
      {"https://example.org/valvora?page=1", "https://example.org/valvora?page=1"},
      {"HTTP://example.org/", "http://example.org/"},
      {"mailto:auteur@example.org", "mailto:auteur@example.org"},
      {"file:///tmp/x.txt", "file:///tmp/x.txt"},
      {"Valvora.html#tonalite", "file://" + here + "/Valvora.html#tonalite"},
  };
  for (const Case& c : cases) EXPECT_EQ(documentUrl(c.text), c.url) << c.text;
}

}  // namespace
}  // namespace valvora::platform
