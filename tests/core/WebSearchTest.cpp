#include <sys/stat.h>

#include <fstream>

#include "SharedServicesFixture.h"
#include "core/web/WebSearch.h"
#include "platform/foundation/ServiceHosts.h"

namespace vl {
namespace {

class WebSearchTest : public SharedServicesFixture {
 protected:
  void writeServices(const std::string& text) {
    const std::string path = dir() + "/services.json";
    std::ofstream(path) << text;
    env_.set(kServicesFileVariable, path);
  }
  test::ScopedEnv env_;
};

TEST_F(WebSearchTest, TheTextIsOneQueryValueOfTheEngineItNames) {
  struct Case {
    const char* engine;
    const char* text;
    const char* url;
  };
  const Case cases[] = {
      // "&", "=", "#" and "+" stay part of the searched text instead of ending or changing the query.
      {"Google", "a&b", "https://www.google.com/search?q=a%26b"},
      {"Google", "x=1#y+z", "https://www.google.com/search?q=x%3D1%23y%2Bz"},
      {"Baidu", "two words", "https://www.baidu.com/s?wd=two%20words"},
      {"Bing", "caf\xC3\xA9", "https://www.bing.com/search?q=caf%C3%A9"},
      {"DuckDuckGo", "a/b?", "https://duckduckgo.com/?q=a%2Fb%3F"},
      {"Google", "", "https://www.google.com/search?q="},
      // A name the settings should not hold falls back to the first engine.
      {"Yahoo", "x", "https://www.google.com/search?q=x"},
      {"", "x", "https://www.google.com/search?q=x"},
  };
  for (const Case& c : cases) EXPECT_EQ(webSearchURL(c.engine, c.text), c.url) << c.engine << " " << c.text;
}

TEST_F(WebSearchTest, TheSettingsNameTheEngine) {
  EXPECT_EQ(configuredWebSearchEngine(), "Google");
  VLConfig::shared().setValueOfKey(VLConfig::kWebSearch, Json{{"engine", "Baidu"}});
  EXPECT_EQ(configuredWebSearchEngine(), "Baidu");
  VLConfig::shared().setValueOfKey(VLConfig::kWebSearch, Json{{"engine", 3}});
  EXPECT_EQ(configuredWebSearchEngine(), "Google");
  VLConfig::shared().setValueOfKey(VLConfig::kWebSearch, Json::array());
  EXPECT_EQ(configuredWebSearchEngine(), "Google");
}

TEST_F(WebSearchTest, AServicesFileMovesAnEngineAndNothingElse) {
  writeServices(R"J({"google": "http://127.0.0.1:8123/", "bing": 5, "baidu": "javascript:alert(1)",
                    "duckduckgo": "https://example.org/?q=1"})J");
  EXPECT_EQ(webSearchURL("Google", "a"), "http://127.0.0.1:8123/search?q=a");
  // Entries that are no http or https base keep the public host.
  EXPECT_EQ(webSearchURL("Bing", "a"), "https://www.bing.com/search?q=a");
  EXPECT_EQ(webSearchURL("Baidu", "a"), "https://www.baidu.com/s?wd=a");
  EXPECT_EQ(webSearchURL("DuckDuckGo", "a"), "https://duckduckgo.com/?q=a");
}

TEST_F(WebSearchTest, AHostileServicesFileLeavesThePublicHosts) {
  const std::string deep = std::string(200, '[') + std::string(200, ']');
  for (const std::string& text : {std::string("not json"), std::string("[1]"), deep,
                                  R"({"google": {"host": "x"}})" + std::string(70 * 1024, ' ')}) {
    writeServices(text);
    EXPECT_EQ(serviceBaseURL("google", "https://www.google.com"), "https://www.google.com");
  }
  // A FIFO would never end; it is not read at all.
  const std::string fifo = dir() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  env_.set(kServicesFileVariable, fifo);
  EXPECT_EQ(serviceBaseURL("google", "https://www.google.com"), "https://www.google.com");
  env_.set(kServicesFileVariable, dir() + "/missing.json");
  EXPECT_EQ(serviceBaseURL("google", "https://www.google.com"), "https://www.google.com");
}

}  // namespace
}  // namespace vl
