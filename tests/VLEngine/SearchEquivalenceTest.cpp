// The byte plan of SearchQuery against the plain ICU patterns, over texts built to break it: case
// pairs, characters that fold to ASCII (long s, Kelvin sign, sharp s, ligatures, dotted I), accents
// precomposed and combining, CJK, emoji, every line end ICU knows, and ill-formed UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "SearchTestSupport.h"
#include "VLEngine/search/CaseFoldScan.h"
#include "VLEngine/search/SearchQuery.h"
#include "platform/foundation/Text.h"

namespace vl {
namespace {

const std::vector<std::string> kPieces = {"foo",
                                          "Foo",
                                          "FOO",
                                          "fOo",
                                          "bar",
                                          "BAR",
                                          "food",
                                          "the",
                                          "The",
                                          "barfoo",
                                          "foobar",
                                          "straße",
                                          "STRASSE",
                                          "Strasse",
                                          "ss",
                                          "kelvin",
                                          "\u212Aelvin",
                                          "k",
                                          "\u212A",
                                          "fish",
                                          "office",
                                          "\uFB01sh",
                                          "o\uFB03ce",
                                          "\u017Ftop",
                                          "stop",
                                          "\u017F",
                                          "\u0130stanbul",
                                          "istanbul",
                                          "\u0131i",
                                          "\u03A3\u03AF\u03C3\u03C5\u03C6\u03BF\u03C2",
                                          "\u00B5",
                                          "\u03BC",
                                          "\u01F0",
                                          "j\u030C",
                                          "\u1E96",
                                          "\u0149",
                                          "\uFB00",
                                          "\uFB06",
                                          "st",
                                          "a.b",
                                          "(x)",
                                          "\\",
                                          "*",
                                          "\u01C4",
                                          "\u01C5",
                                          "\u01C6",
                                          "\u6771\u4EAC",
                                          "\u65E5\u672C\u8A9E",
                                          "\U0001F600",
                                          "\U0001F469\u200D\U0001F4BB",
                                          "\u00E9",
                                          "e\u0301",
                                          "\u00C9",
                                          "\u212B",
                                          "\u00E5",
                                          "\uFF26\uFF4F\uFF4F",
                                          "\u1E9E",
                                          "\u00DF",
                                          "i\u0307",
                                          "aa",
                                          "aaa",
                                          "AaA",
                                          "x",
                                          "e",
                                          "E",
                                          "abc",
                                          "ABC",
                                          "code",
                                          "error",
                                          "\xC3",
                                          "\xE2\x80",
                                          "\xFF",
                                          "\x80",
                                          "\xF0\x9F\x98",
                                          "caf\u00E9",
                                          "CAF\u00C9"};

const std::vector<std::string> kSeparators = {" ",  " ",  " ",      "\n",     "\r\n",   "\r",
                                              "\v", "\f", "\u0085", "\u2028", "\u2029", "\t",
                                              "",   ".",  ", ",     "  ",     "\n\n"};

const std::vector<std::string> kQueries = {"foo",         "FOO",         "fo",
                                           "o",           "k",           "K",
                                           "s",           "ss",          "st",
                                           "fi",          "ff",          "i",
                                           "is",          "foo bar",     "bar foo",
                                           "foo  bar",    "foo ",        " foo",
                                           " ",           "  ",          "a b c",
                                           "the foo",     "stra\u00DFe", "STRASSE",
                                           "\u017F",      "\u212A",      "\u6771\u4EAC",
                                           "\u6771",      "\u00E9",      "\u00C9",
                                           "\U0001F600",  "a.b",         "(x)",
                                           "\\",          "*",           "x*",
                                           "\u01F0",      "\u03C3",      "\u03A3",
                                           "fish office", "i i",         "e e e",
                                           "f",           "F",           "\uFB01",
                                           "\u0130",      "\u0131",      "\u00B5",
                                           "\u03BC",      "foo\tbar",    "s s",
                                           "aa",          "aa aa",       "a a",
                                           "code error",  "error code",  "o o",
                                           "x ",          " x",          "caf\u00E9",
                                           "e\u0301",     "kelvin",      "elvin",
                                           "top",         "office",      "ce",
                                           "bar  ",       "  bar",       "j",
                                           "h",           "n",           "e x"};

std::string randomText(std::mt19937& rng, std::size_t maxPieces) {
  std::uniform_int_distribution<std::size_t> count(0, maxPieces);
  std::uniform_int_distribution<std::size_t> piece(0, kPieces.size() - 1);
  std::uniform_int_distribution<std::size_t> sep(0, kSeparators.size() - 1);
  std::string text;
  for (std::size_t i = 0, n = count(rng); i < n; ++i) {
    text += kPieces[piece(rng)];
    text += kSeparators[sep(rng)];
  }
  return text;
}

// Random queries of ASCII pieces, case flipped at random, with one or two spaces between.
std::string randomQuery(std::mt19937& rng) {
  static const std::vector<std::string> words = {"foo", "bar", "o",    "the",   "ss", "st", "k",  "fi", "a",
                                                 "b",   "x",   "code", "error", "e",  "i",  "aa", "oo"};
  std::uniform_int_distribution<int> parts(1, 3);
  std::uniform_int_distribution<std::size_t> word(0, words.size() - 1);
  std::bernoulli_distribution flip(0.3), doubleSpace(0.1);
  std::string query;
  for (int i = 0, n = parts(rng); i < n; ++i) {
    if (i > 0) query += doubleSpace(rng) ? "  " : " ";
    for (char c : words[word(rng)]) query.push_back(flip(rng) ? static_cast<char>(std::toupper(c)) : c);
  }
  return query;
}

void expectSame(const std::string& query, const std::vector<std::string>& texts) {
  auto fast = SearchQuery::compile(query);
  SearchQuery::Options plainOptions;
  plainOptions.fastPath = false;
  auto plain = SearchQuery::compile(query, plainOptions);
  for (const auto& text : texts) {
    auto a = fast->matchText(text);
    auto b = plain->matchText(text);
    ASSERT_EQ(a.has_value(), b.has_value()) << "query \"" << query << "\" text \"" << text << "\"";
    // The pair filter that runs before the scan must never rule out a text the pattern matches.
    if (b && fast->filtersByBigrams()) {
      ASSERT_TRUE(fast->mayMatch(BigramSet::ofFolding(text)))
          << "query \"" << query << "\" text \"" << text << "\"";
    }
    auto first = fast->firstMatch(text);
    ASSERT_EQ(first.has_value(), b.has_value()) << "first, query \"" << query << "\" text \"" << text << "\"";
    if (first) {
      ASSERT_EQ(*first, b->firstLocation) << "query \"" << query << "\" text \"" << text << "\"";
    }
    if (isWellFormedUtf8(text)) {
      ASSERT_EQ(fast->firstMatch(text, true), first) << "query \"" << query << "\" text \"" << text << "\"";
    }
    // What a search runs: the text's kept traits first, then its bytes or its folding.
    TextPosition start;
    ASSERT_EQ(fast->firstMatch(text, TextTraits::of(text), TextPosition(), &start), first)
        << "traits, query \"" << query << "\" text \"" << text << "\"";
    // A known start is the match's own place in both units.
    if (start.byte > 0) {
      ASSERT_EQ(start.unit, *first) << "query \"" << query << "\" text \"" << text << "\"";
      ASSERT_EQ(utf16Length(text.substr(0, start.byte)), start.unit)
          << "query \"" << query << "\" text \"" << text << "\"";
    }
    if (a) {
      ASSERT_EQ(a->firstLocation, b->firstLocation) << "query \"" << query << "\" text \"" << text << "\"";
      ASSERT_EQ(a->ranges.size(), b->ranges.size()) << "query \"" << query << "\" text \"" << text << "\"";
      for (std::size_t i = 0; i < a->ranges.size(); ++i) {
        ASSERT_EQ(a->ranges[i], b->ranges[i])
            << "query \"" << query << "\" text \"" << text << "\" range " << i;
      }
    }
    ASSERT_EQ(fast->matchAlias(text), plain->matchAlias(text))
        << "alias query \"" << query << "\" \"" << text << "\"";
  }
}

TEST(SearchEquivalence, FastPlanEqualsIcuOverGeneratedTexts) {
  std::mt19937 rng(20240521);
  std::vector<std::string> texts;
  for (int i = 0; i < 1500; ++i) texts.push_back(randomText(rng, i % 3 == 0 ? 40 : 8));
  for (const auto& piece : kPieces) texts.push_back(piece);
  texts.push_back("");
  for (const auto& query : kQueries) expectSame(query, texts);
  for (int i = 0; i < 60; ++i) expectSame(randomQuery(rng), texts);
}

TEST(SearchEquivalence, EverySpecialCharacterInEveryPlace) {
  // Each character that folds to ASCII, alone, between letters, doubled, at the ends of lines and of
  // the text, against queries made of its own folding and its neighbours.
  std::vector<std::string> texts;
  std::vector<std::string> queries;
  for (const auto& special : FoldSpecials::shared().all()) {
    const std::string& c = special.utf8;
    std::string fold;
    for (char f : special.scanFold) fold.push_back(f == '\x80' ? 'x' : f);
    // Also the character before and after its own folding in bytes: the first match is the
    // character's, or the bytes' one.
    for (const std::string& text :
         {c, "a" + c, c + "a", c + c, "x " + c + "\nz", c + "\u2028" + c + "x", "s" + c + "s", "K" + c + "I",
          c + "  " + c, c + fold, fold + c, "\u00E9" + c + "\u6771" + fold + c, fold + "\u6771\u00E9" + c}) {
      texts.push_back(text);
    }
    queries.push_back(fold);
    queries.push_back("a" + fold);
    queries.push_back(fold + "a");
    queries.push_back(fold.substr(0, 1));
    if (fold.size() > 1) queries.push_back(fold.substr(1));
    queries.push_back(fold + " " + fold);
    queries.push_back("x " + fold);
  }
  std::sort(queries.begin(), queries.end());
  queries.erase(std::unique(queries.begin(), queries.end()), queries.end());
  for (const auto& query : queries) expectSame(query, texts);
}

// The whole search, docs and merge included, with and without the byte plan: the same rows in the
// same order with the same highlight.
TEST(SearchEquivalence, WholeSearchesDeliverTheSameRows) {
  test::SearchFixtureBase::installIndexForTests({});
  test::TempFolder folder;
  auto docs = test::makeChain(folder.path(), 3);
  std::mt19937 rng(11);
  for (int i = 0; i < 900; ++i) {
    std::optional<std::string> alias;
    if (i % 50 == 0) alias = kPieces[static_cast<std::size_t>(i) % kPieces.size()];
    std::optional<Json> json;
    if (i % 40 == 1) json = Json{{"ocr", randomText(rng, 4)}};
    auto chunk = test::chunkAt(randomText(rng, 12), 1.6e9 + (i % 97), alias, json);
    if (i % 30 == 2) chunk->offerSearchWord("foo");
    docs[static_cast<std::size_t>(i) % 3]->appendChunk(chunk);
  }
  auto channel = std::make_shared<test::RecordingChannel>();
  // The rows of one search, on top of what the docs' last matches hold.
  auto rowsOf = [&](const std::string& query, bool fast) {
    auto task = test::searchTask(query, docs.size(), fast);
    task->setNow(1.7e9);  // ages rank in single precision: both runs must round them alike
    auto delivery = test::run(task, docs.front(), channel);
    std::vector<std::string> rows;
    if (!delivery) return rows;
    for (const auto& row : delivery->rows) {
      std::string line = row->string() + " @" + std::to_string(row->timestamp());
      for (const Range& r : row->rangeList())
        line += " " + std::to_string(r.location) + "+" + std::to_string(r.length);
      rows.push_back(line);
    }
    return rows;
  };
  auto expectSameRows = [](const std::vector<std::vector<std::string>>& seen, const std::string& query) {
    ASSERT_EQ(seen[0].size(), seen[1].size()) << query;
    for (std::size_t i = 0; i < seen[0].size(); ++i) {
      ASSERT_EQ(seen[0][i], seen[1][i]) << "query \"" << query << "\" row " << i;
    }
  };
  for (const std::string query : {"foo", "FOO", "o", "ss", "foo bar", "st ", " k", "fi o", "\u00E9", "e e"}) {
    std::vector<std::vector<std::string>> seen;
    for (bool fast : {true, false}) {
      Vellisto_Master::cleanMatchedChunksIn(docs.front());
      seen.push_back(rowsOf(query, fast));
    }
    EXPECT_FALSE(seen[0].empty()) << query;
    expectSameRows(seen, query);
  }
  // Typing, each search narrowed to the last one's matches (and, on the byte plan, scanning each text
  // from where the last query first matched).
  for (const std::string word : {"strasse", "kelvin", "office"}) {
    std::vector<std::vector<std::vector<std::string>>> typed(2);
    for (bool fast : {true, false}) {
      Vellisto_Master::cleanMatchedChunksIn(docs.front());
      for (std::size_t k = 1; k <= word.size(); ++k)
        typed[fast ? 0 : 1].push_back(rowsOf(word.substr(0, k), fast));
    }
    for (std::size_t k = 0; k < word.size(); ++k)
      expectSameRows({typed[0][k], typed[1][k]}, word.substr(0, k + 1));
    EXPECT_FALSE(typed[0].back().empty()) << word;
  }
  Vellisto_BigDoc::waitForPendingWrites();
  ApplicationSearching::setInstalledIndex(nullptr);
}

TEST(SearchEquivalence, NarrowsOnlyWhereEveryMatchIsAnEarlierMatch) {
  struct Case {
    const char* earlier;
    const char* later;
    bool narrows;
  };
  for (const Case& c : std::vector<Case>{{"se", "ser", true},
                                         {"Se", "SER", false},  // not an extension of its bytes
                                         {"se", "Ser", false},
                                         {"foo", "foo bar", true},
                                         {"foo ", "foo b", true},
                                         {"ser", "se", false},  // a deletion
                                         {"", "s", false},
                                         {"s", "s", false},
                                         {"s", "ss", false},  // "ß" is "ss" but not "s"
                                         {"S", "Ss", false},
                                         {"stra", "stras", true},
                                         {"o", "of", true},
                                         {"of", "off", false},
                                         {"of", "ofF", false},
                                         {"o", "oi", true},
                                         {"f", "fi", false},
                                         {"f", "fl", false},
                                         {"s", "st", false},
                                         {"caf", "caf\u00E9", false},
                                         {"\u00E9", "\u00E9t", false},
                                         {"a", "a\t", false}}) {
    EXPECT_EQ(SearchQuery::narrows(c.earlier, c.later), c.narrows) << c.earlier << " -> " << c.later;
  }
}

// Typing as the search field does, the engine searching only the last matches where the text extends
// the last one searched: every keystroke shows the rows a search over every record shows.
TEST(SearchEquivalence, TypingNarrowedShowsTheRowsOfAFreshSearch) {
  test::SearchFixtureBase::installIndexForTests({});
  test::TempFolder folder;
  auto docs = test::makeChain(folder.path(), 3);
  std::mt19937 rng(17);
  for (int i = 0; i < 900; ++i) {
    std::optional<std::string> alias;
    if (i % 25 == 0) alias = i % 2 ? "strasse" : kPieces[static_cast<std::size_t>(i) % kPieces.size()];
    std::optional<Json> json;
    if (i % 40 == 1) json = Json{{"ocr", randomText(rng, 4)}};
    docs[static_cast<std::size_t>(i) % 3]->appendChunk(
        test::chunkAt(randomText(rng, 12), 1.6e9 + (i % 97), alias, json));
  }
  auto channel = std::make_shared<test::RecordingChannel>();
  auto rowsOf = [&](const std::string& query) {
    auto task = test::searchTask(query, docs.size(), true);
    task->setNow(1.7e9);
    auto delivery = test::run(task, docs.front(), channel);
    std::vector<std::string> rows;
    if (!delivery) return rows;
    for (const auto& row : delivery->rows) {
      std::string line = row->string();
      for (const Range& r : row->rangeList())
        line += " " + std::to_string(r.location) + "+" + std::to_string(r.length);
      rows.push_back(line);
    }
    return rows;
  };
  const std::vector<std::vector<std::string>> typings = {
      {"s", "st", "str", "stra", "stras", "strass", "strasse"},
      {"o", "of", "off", "offi", "offic", "office"},
      {"f", "fo", "foo", "foo ", "foo b", "foo ba", "foo b", "foo ", "foo"},
      {"S", "ST", "STR", "STRA", "STRAS", "STRASS"},
      {"k", "ke", "kel", "ke", "kex", "k"},
      {"c", "ca", "caf", "caf\u00E9", "caf"},
      {"e", "e ", "e e", "e e "},
      {"\u00E9", "\u00E9 "}};
  std::size_t nonEmpty = 0;
  for (const auto& typing : typings) {
    std::string searched;
    Vellisto_Master::cleanMatchedChunksIn(docs.front());
    for (const auto& text : typing) {
      Vellisto_Master::cleanMatchedChunksIn(docs.front());
      const std::vector<std::string> fresh = rowsOf(text);
      nonEmpty += fresh.empty() ? 0 : 1;
      // The fresh search left its own matches behind; put back those of the last text searched.
      Vellisto_Master::cleanMatchedChunksIn(docs.front());
      if (!searched.empty()) rowsOf(searched);
      if (!SearchQuery::narrows(searched, text)) Vellisto_Master::cleanMatchedChunksIn(docs.front());
      searched = text;
      ASSERT_EQ(rowsOf(text), fresh) << "typing \"" << text << "\"";
    }
  }
  EXPECT_GT(nonEmpty, 30u);
  Vellisto_BigDoc::waitForPendingWrites();
  ApplicationSearching::setInstalledIndex(nullptr);
}

// Narrowing: a query that extends the last one starts each text's scan where the last one first
// matched; that must never skip its own first match, whatever the text folds to.
TEST(SearchEquivalence, ScansFromTheLastFirstMatchFindTheSameFirstMatch) {
  std::mt19937 rng(5);
  std::vector<std::string> texts;
  for (int i = 0; i < 800; ++i) texts.push_back(randomText(rng, i % 4 == 0 ? 30 : 8));
  for (const auto& piece : kPieces) texts.push_back(piece + " " + piece);
  for (const std::string word : {"strasse", "STRASSE", "kelvin", "office", "fish", "stop", "ssk", "foobar"}) {
    auto query = SearchQuery::compile(word);
    for (std::size_t k = 1; k < word.size(); ++k) {
      auto earlier = SearchQuery::compile(word.substr(0, k));
      ASSERT_TRUE(query->hintsFrom(*earlier)) << word << " after " << word.substr(0, k);
      for (const auto& text : texts) {
        const TextTraits traits = TextTraits::of(text);
        TextPosition hint;
        if (!earlier->firstMatch(text, traits, TextPosition(), &hint)) continue;
        ASSERT_EQ(query->firstMatch(text, traits, hint), query->firstMatch(text, traits, TextPosition()))
            << "\"" << word << "\" after \"" << word.substr(0, k) << "\" in \"" << text << "\"";
      }
    }
  }
  // Only a longer literal on the byte plan takes the hint.
  struct Case {
    const char* earlier;
    const char* query;
    bool hints;
  };
  for (const Case& c : {Case{"fo", "foo", true}, Case{"FO", "foo", true}, Case{"foo", "foo", true},
                        Case{"fo", "of", false}, Case{"foo", "fo", false}, Case{"fo", "fo o", false},
                        Case{"fo o", "fo oo", false}, Case{"caf", "caf\u00E9", false}}) {
    EXPECT_EQ(SearchQuery::compile(c.query)->hintsFrom(*SearchQuery::compile(c.earlier)), c.hints)
        << c.query << " after " << c.earlier;
  }
}

TEST(SearchEquivalence, OnlyCharactersWhoseFoldingFitsTheQueryAreLookedFor) {
  struct Case {
    std::vector<std::string> literals;
    const char* text;
    bool looked;
  };
  const Case cases[] = {
      {{"server"}, "Stra\u00DFe", false},  // sharp s folds to "ss"
      {{"class"}, "Stra\u00DFe", true},
      {{"s"}, "Stra\u00DFe", false},  // one character compares simple foldings
      {{"s"}, "\u017Ftop", true},     // long s
      {{"st"}, "\uFB06", true},       // the "st" ligature
      {{"s"}, "\uFB06", false},
      {{"k"}, "\u212Aelvin", true},     // Kelvin sign
      {{"i"}, "\u0130stanbul", false},  // dotted I folds to "i" and a combining dot
      {{"foo", "ss"}, "Stra\u00DFe", true},
  };
  for (const Case& c : cases) {
    SpecialsScanner scanner = SpecialsScanner::forLiterals(c.literals);
    EXPECT_EQ(scanner.containsAny(c.text), c.looked) << c.literals[0] << " in " << c.text;
    EXPECT_EQ((TextTraits::of(c.text).specials & scanner.mask()) != 0, c.looked)
        << c.literals[0] << " in " << c.text;
  }
}

TEST(SearchEquivalence, LongLinesAndManyMatches) {
  // Long single lines make the greedy ".*" choose among many candidates.
  std::mt19937 rng(7);
  std::vector<std::string> texts;
  for (int i = 0; i < 40; ++i) {
    std::string text;
    for (int k = 0; k < 60; ++k)
      text += kPieces[(i * 31 + k * 7) % kPieces.size()] + (k % 13 == 0 ? "\n" : " ");
    texts.push_back(text);
  }
  for (const auto& query : {"foo bar", "o o", "the  foo", "foo ", " bar", "aa a", "e e e", "k s"}) {
    expectSame(query, texts);
  }
}

TEST(SearchEquivalence, QueriesOutsideTheBytePlanStillAgree) {
  // These take the anchored ICU road; the anchors must never drop a text ICU matches.
  for (const char* query : {"stra\u00DFe", "\u6771\u4EAC", "\u00E9", "caf\u00E9", " ", "foo\tbar", "\u0130",
                            "\uFB01sh", "\u03C3\u03AF"}) {
    EXPECT_FALSE(SearchQuery::compile(query)->usesFastPlan()) << query;
  }
  EXPECT_TRUE(SearchQuery::compile("foo  bar")->usesFastPlan());
  EXPECT_TRUE(SearchQuery::compile(" x")->usesFastPlan());
}

TEST(SearchEquivalence, SpecialCharactersComeFromIcuData) {
  const FoldSpecials& specials = FoldSpecials::shared();
  struct Case {
    char32_t cp;
    char ascii;
  };
  for (Case c : {Case{0x017F, 's'}, Case{0x212A, 'k'}, Case{0x00DF, 's'}, Case{0x1E9E, 's'},
                 Case{0x0130, 'i'}, Case{0xFB01, 'f'}, Case{0x0149, 'n'}, Case{0x01F0, 'j'}}) {
    const FoldSpecials::Special* special = specials.find(c.cp);
    ASSERT_NE(special, nullptr) << std::hex << static_cast<unsigned>(c.cp);
    EXPECT_TRUE(special->ascii.test(static_cast<std::size_t>(c.ascii)));
  }
  for (const auto& special : specials.all()) {
    // The byte plan treats a one-character literal (ICU compares simple folding) like a longer one
    // (full folding): that holds because the two agree wherever one gives ASCII, and only letters.
    if (special.simpleFold < 0x80) {
      EXPECT_EQ(special.scanFold, std::string(1, static_cast<char>(special.simpleFold))) << special.utf8;
    }
    for (std::size_t c = 0; c < 128; ++c) {
      if (special.ascii.test(c)) {
        EXPECT_TRUE(std::isalpha(static_cast<int>(c))) << special.utf8;
      }
    }
  }
  EXPECT_EQ(specials.maxGrowth(), 1u);
  EXPECT_EQ(specials.find(0x00E9), nullptr);  // é folds to itself
  EXPECT_EQ(specials.find(0x212B), nullptr);  // the Angstrom sign folds to å
  EXPECT_TRUE(specials.isIsolated(0x6771));
  EXPECT_FALSE(specials.isIsolated(0x03B9));  // produced by folding many Greek letters
  EXPECT_FALSE(specials.isIsolated(0x00E9));
}

TEST(SearchEquivalence, Utf16CursorCountsLikeTheTextConversion) {
  std::mt19937 rng(3);
  int wellFormedTexts = 0;
  for (int i = 0; i < 600; ++i) {
    std::string text = randomText(rng, 12);
    const bool wellFormed = isWellFormedUtf8(text);
    ASSERT_EQ(wellFormed, isValidUtf8(text)) << text;
    wellFormedTexts += wellFormed ? 1 : 0;
    // A well-formed text is also counted the quick way, which must agree.
    for (bool quick : {false, true}) {
      if (quick && !wellFormed) continue;
      Utf16Cursor cursor(text, false, quick);
      for (std::size_t at = 0; at <= text.size(); ++at) {
        // Only ASCII bytes and the text end are asked for.
        if (at < text.size() && static_cast<unsigned char>(text[at]) >= 0x80) continue;
        ASSERT_EQ(cursor.indexOf(at), utf16Length(text.substr(0, at))) << text;
      }
    }
  }
  EXPECT_GT(wellFormedTexts, 100);
  EXPECT_LT(wellFormedTexts, 590);
}

}  // namespace
}  // namespace vl
