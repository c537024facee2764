#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

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

TEST(DocumentFile, NamesTheLocalFileAndNothingForAnAddress) {
  const std::string here = std::filesystem::current_path().string();
  EXPECT_EQ(documentFile("Valvora.html#tonalite"), here + "/Valvora.html");
  EXPECT_EQ(documentFile("/usr/lib/valvora/licence.txt"), "/usr/lib/valvora/licence.txt");
  EXPECT_EQ(documentFile("https://example.org/#a"), "");
  // A missing document is refused before the desktop is asked (no application runs here).
  EXPECT_FALSE(openDocument("absent-de-ce-dossier.html"));
}

// Every link of the help's contents reaches a section, and every section is in the contents.
TEST(Help, ContentsAndSectionsAgree) {
  std::ifstream in(std::string(VALVORA_SOURCE_DIR) + "/Valvora.html");
  std::stringstream text;
  text << in.rdbuf();
  const std::string html = text.str();
  // The values that follow each marker, up to the closing quote.
  const auto after = [&html](std::string_view marker) {
    std::set<std::string> found;
    for (std::size_t at = html.find(marker); at != std::string::npos;
         at = html.find(marker, at + 1)) {
      const std::size_t from = at + marker.size();
      found.insert(html.substr(from, html.find('"', from) - from));
    }
    return found;
  };
  const std::set<std::string> ids = after(" id=\""), linked = after("href=\"#");
  std::set<std::string> headings = after("<h2 id=\"");
  headings.merge(after("<h3 id=\""));
  ASSERT_GT(headings.size(), 20u);
  for (const std::string& target : linked) EXPECT_TRUE(ids.count(target)) << "#" << target;
  for (const std::string& section : headings) EXPECT_TRUE(linked.count(section)) << section;
  EXPECT_EQ(html.find("<h2>"), html.find("<h2>Sommaire</h2>")) << "a section without an id";
}

}  // namespace
}  // namespace valvora::platform
