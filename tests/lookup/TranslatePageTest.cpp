#include <gtest/gtest.h>

#include "lookup/DictionaryService.h"
#include "lookup/LookupTestSupport.h"
#include "lookup/Mp3Decoder.h"
#include "lookup/TranslateItem.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

constexpr const char* kBase = "https://dict.test";

TEST(TranslatePageTest, PagesGiveTheirPartsWhateverTheyLack) {
  struct Case {
    const char* page;
    const char* charset;
    TranslateItem expected;
  };
  const Case cases[] = {
      // Three pronunciations are all read (the view shows two); the page's Latin-1 claim is not believed.
      {"two-voices.html",
       "",
       {"hello",
        {{"UK", "[həˈləʊ]", "https://dict.test/dictvoice?audio=hello&type=1"},
         {"US", "[həˈloʊ]", "https://dict.test/dictvoice?audio=hello&type=2"},
         {"AU", "[həˈləʉ]", "https://dict.test/dictvoice?audio=hello&type=3"}},
        "int. used as a greeting\nn. a greeting said on meeting someone",
        "an expression of greeting"}},
      // No explanation block: the English definition is all there is.
      {"one-voice.html",
       "",
       {"world",
        {{"", "[wɜːld]", "https://dict.test/dictvoice?audio=world"}},
        "",
        "everything that exists anywhere"}},
      // A pronunciation without a link has no audio; "phonetic extra" is not the phonetic.
      {"no-audio.html", "", {"quiet", {{"UK", "[ˈkwaɪət]", ""}}, "adj. making little noise", ""}},
      // The response's charset decides how the page reads.
      {"gbk.html",
       "GBK",
       {"tea", {{"UK", "[ti:]", "https://dict.test/dictvoice?audio=tea"}}, "n. 茶；茶叶", ""}},
  };
  for (const Case& c : cases) {
    const TranslateItem item = TranslateItem::parse(test::lookupPage(c.page), c.charset, kBase);
    EXPECT_EQ(item.keywords, c.expected.keywords) << c.page;
    EXPECT_EQ(item.pronounceList, c.expected.pronounceList) << c.page;
    EXPECT_EQ(item.desc, c.expected.desc) << c.page;
    EXPECT_EQ(item.engTrans, c.expected.engTrans) << c.page;
  }
  EXPECT_TRUE(TranslateItem::parse("", "", kBase).empty());
  EXPECT_TRUE(TranslateItem::parse("%PDF-1.4 \x01\x02 not a page", "", kBase).empty());
}

TEST(TranslatePageTest, WordsAndAudioKeysStayInsideTheirQuery) {
  struct Case {
    const char* text;
    const char* lookup;
    const char* voice;
  };
  const Case cases[] = {
      {"hello", "https://dict.test/search?q=hello", "https://dict.test/dictvoice?audio=hello"},
      {"a b&c=d#e", "https://dict.test/search?q=a%20b%26c%3Dd%23e",
       "https://dict.test/dictvoice?audio=a%20b&c=d%23e"},
      {"50%+x", "https://dict.test/search?q=50%25%2Bx", "https://dict.test/dictvoice?audio=50%25%2Bx"},
      {"café\n", "https://dict.test/search?q=caf%C3%A9%0A", "https://dict.test/dictvoice?audio=caf%C3%A9%0A"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dictionaryLookupURL(kBase, c.text), c.lookup);
    EXPECT_EQ(dictionaryVoiceURL(kBase, c.text), c.voice);
  }
}

TEST(TranslatePageTest, TheCharsetComesFromTheContentType) {
  const std::pair<const char*, const char*> cases[] = {
      {"text/html; charset=GBK", "GBK"},
      {"text/html;charset=\"utf-8\"", "utf-8"},
      {"text/html; q=1; Charset = ISO-8859-1 ", "ISO-8859-1"},
      {"text/html", ""},
      {"", ""},
      {"text/html; charset=", ""},
      {"text/html; charset=utf-8\r\nX-Evil: 1", ""},
      {"text/html; charset=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", ""},
  };
  for (const auto& [type, charset] : cases) EXPECT_EQ(charsetOfContentType(type), charset) << type;
}

TEST(TranslatePageTest, PronunciationsDecodeWithinTheirLimits) {
  test::LogCapture log;
  // 40 frames of 1152 samples at 44.1 kHz: just over a second.
  const auto audio = decodeMp3(test::silentMp3(40));
  ASSERT_TRUE(audio);
  EXPECT_EQ(audio->rate, 44100);
  EXPECT_EQ(audio->channels, 1);
  EXPECT_EQ(audio->samples.size(), 40u * 1152u * 2u);
  const std::string wav = wavFile(*audio);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(wav.size(), 44 + audio->samples.size());
  EXPECT_EQ(static_cast<unsigned char>(wav[40]) | static_cast<unsigned char>(wav[41]) << 8 |
                static_cast<unsigned char>(wav[42]) << 16,
            static_cast<int>(audio->samples.size()));

  struct Case {
    std::string data;
    Mp3Limits limits;
    const char* line;
  };
  const Case cases[] = {
      {"", {}, "is not a pronunciation"},
      {test::silentMp3(40), {1000, 30}, "is not a pronunciation"},
      {test::silentMp3(40), {2 * 1024 * 1024, 0.5}, "lasts longer than"},
      {std::string(4096, '\x55'), {}, "holds no MP3 frames"},
      {"<html>not found</html>", {}, "holds no MP3 frames"},
  };
  for (const Case& c : cases) {
    log.clear();
    EXPECT_FALSE(decodeMp3(c.data, c.limits)) << c.line;
    EXPECT_TRUE(log.contains(c.line)) << c.line;
  }
}

}  // namespace
}  // namespace vl
