#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "platform/foundation/Clock.h"

namespace vl {
namespace {

const std::string kEOB(doctext::kFieldSeparator);
const std::string kEOC(doctext::kChunkSeparator);
const std::string kEOL(doctext::kWordSeparator);

TEST(ChunkTest, SignatureCoversTheTextAndTheFileOrImageOnly) {
  const std::vector<std::pair<std::optional<Json>, std::string>> cases = {
      {std::nullopt, "hello"},
      {Json{{"file", "/f"}, {"image", "/i"}, {"html", "<b>"}}, "hello--file--/f"},
      {Json{{"image", "/i"}, {"image_relative", "/r"}}, "hello--image--/i"},
      {Json{{"image_relative", "/r"}}, "hello--image--/r"},
      {Json{{"html", "<p>hello</p>"}}, "hello"},
  };
  for (const auto& [json, expected] : cases)
    EXPECT_EQ(Vellisto_Chunk::toBeSignedString("hello", json), expected);

  auto a = Vellisto_Chunk::initWithContext("x", std::nullopt, Json{{"file", "/f"}, {"app", "A"}});
  auto b = Vellisto_Chunk::initWithContext("x", "rtf", Json{{"file", "/f"}});
  EXPECT_EQ(a->sig(), b->sig());
  // Stored records without a zero byte keep the signatures they always had.
  EXPECT_EQ(Vellisto_Chunk::md5HexDigest("hello"), "5d41402abc4b2a76b9719d911017c592");
  EXPECT_EQ(Vellisto_Chunk::initSystemChunkWithAlias("perm", "Grant", "PermissionView")->sig(),
            Vellisto_Chunk::md5HexDigest("perm:Grant"));
}

TEST(ChunkTest, ZeroBytesAreSignedWithTheRestOfTheText) {
  const std::string first("abc\0def", 7);
  const std::string second("abc\0xyz", 7);
  auto a = Vellisto_Chunk::initWithContext(first, std::nullopt, std::nullopt);
  auto b = Vellisto_Chunk::initWithContext(second, std::nullopt, std::nullopt);
  EXPECT_NE(a->sig(), b->sig());
  EXPECT_NE(a->sig(), Vellisto_Chunk::md5HexDigest("abc"));
  EXPECT_EQ(Vellisto_Chunk::initWithChunkStr(*a->stringValue())->sig(), a->sig());

  // A record written when signatures stopped at the first zero byte is signed again when read; any
  // other signature it carries is left as it stands.
  const std::string oldForm =
      Vellisto_Chunk::md5HexDigest("abc") + kEOB + kEOB + "1.0" + kEOB + kEOB + first + kEOB + kEOB + "{}";
  EXPECT_EQ(Vellisto_Chunk::initWithChunkStr(oldForm)->sig(), a->sig());
  const std::string otherSig = std::string(32, 'f') + oldForm.substr(32);
  EXPECT_EQ(Vellisto_Chunk::initWithChunkStr(otherSig)->sig(), std::string(32, 'f'));
}

TEST(ChunkTest, TextFormIsThePlainSevenFieldsWhenNothingNeedsEscaping) {
  Clock::install(std::make_shared<ManualClock>(1700000000.25));
  auto chunk = Vellisto_Chunk::initWithContext("line one\nline two 你好", std::nullopt, std::nullopt);
  Clock::install(nullptr);
  chunk->offerSearchWord("b");
  chunk->offerSearchWord("a");
  const std::string expected = chunk->sig() + kEOB + "a" + kEOL + "b" + kEOB + "1700000000.250000" + kEOB +
                               "" + kEOB + "line one\nline two 你好" + kEOB + "" + kEOB + "{}";
  EXPECT_EQ(*chunk->stringValue(), expected);

  auto back = Vellisto_Chunk::initWithChunkStr(expected);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->alias(), std::optional<std::string>(""));  // absent when written, empty when read
  EXPECT_EQ(back->rich(), std::optional<std::string>(""));
  EXPECT_EQ(*back->json(), Json::object());
  EXPECT_EQ(*back->stringValue(), expected);

  chunk->setFlag(Vellisto_Chunk::kFlagDeleted);
  EXPECT_FALSE(chunk->stringValue().has_value());
}

TEST(ChunkTest, ReadingToleratesShortBadAndLongTexts) {
  const std::string six = "s" + kEOB + kEOB + "1.0" + kEOB + kEOB + "ctx" + kEOB;
  EXPECT_EQ(Vellisto_Chunk::initWithChunkStr(six), nullptr);
  EXPECT_EQ(Vellisto_Chunk::initWithChunkStr(""), nullptr);

  using Issue = Vellisto_Chunk::ReadIssue;
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  const std::string atBound = std::string(Vellisto_Chunk::kJsonMaxDepth - 1, '[') + "1" +
                              std::string(Vellisto_Chunk::kJsonMaxDepth - 1, ']');
  struct Case {
    std::string json;
    Issue issue;
    std::string written;  // the json field the record writes back
  };
  const std::vector<Case> cases = {
      // Text that is not a dictionary is written back as it was read, never replaced by "{}".
      {"{\"file\": ", Issue::JsonKeptAsText, "{\"file\": "},
      {"[1, 2]", Issue::JsonKeptAsText, "[1, 2]"},
      // A dictionary too, however it was laid out, so a rewrite changes no byte of it.
      {"{\"deep\": " + atBound + "}", Issue::None, "{\"deep\": " + atBound + "}"},
      {"{\"b\":1,\n \"a\":\"\\u00e9\\/\"}", Issue::None, "{\"b\":1,\n \"a\":\"\\u00e9\\/\"}"},
      // Past the bound: refused while parsing, and the record writes in time without it.
      {"{\"deep\": " + deep + "}", Issue::JsonBeyondBounds, "{}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json.substr(0, 40));
    Issue issue = Issue::None;
    auto chunk = Vellisto_Chunk::initWithChunkStr(six + kEOB + c.json, &issue);
    ASSERT_NE(chunk, nullptr);
    EXPECT_EQ(chunk->context(), "ctx");
    EXPECT_EQ(issue, c.issue);
    EXPECT_EQ(chunk->json().has_value(), c.issue == Issue::None);
    EXPECT_EQ(*chunk->stringValue(), six + kEOB + c.written);
  }
  // A nested value is written compact, so the indentation never grows with its depth.
  auto nested = Vellisto_Chunk::initWithContext("n", std::nullopt, Json{{"a", {{"b", {1, 2}}}}, {"c", "d"}});
  const std::string form = *nested->stringValue();
  EXPECT_EQ(form.substr(form.rfind(kEOB) + kEOB.size()), "{\n  \"a\": {\"b\":[1,2]},\n  \"c\": \"d\"\n}");
  auto extra = Vellisto_Chunk::initWithChunkStr(six + kEOB + "{\"a\": \"b\"}" + kEOB + "ignored");
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(*extra->json(), (Json{{"a", "b"}}));
}

TEST(ChunkTest, DictionaryCarriesExactlySixFields) {
  Json dictionary = Vellisto_Chunk::initWithContext("ctx", std::nullopt, std::nullopt)->toDictionary();
  EXPECT_EQ(dictionary.size(), 6u);
  EXPECT_EQ(dictionary["json"], Json::object());
  EXPECT_EQ(dictionary["rich"], "");
  EXPECT_EQ(dictionary["alias"], "");

  auto back =
      Vellisto_Chunk::fromDictionary(Json{{"sig", "abc"}, {"context", "c"}, {"json", {{"image", "/i"}}}});
  EXPECT_EQ(back->flag(), 0);
  EXPECT_EQ(back->lru(), nullptr);
  EXPECT_EQ(back->sig(), "abc");
  EXPECT_FALSE(back->alias().has_value());
  EXPECT_EQ(*back->json(), (Json{{"image", "/i"}}));
}

// Whatever form a doc gave a time stamp and a signature in, a record writes them back as they were read
// and ranks by the number the text says: most are kept in a compact form, the rest as their text.
TEST(ChunkTest, TimeStampsAndSignaturesOfEveryFormWriteBackAsTheyWereRead) {
  const std::string sig = Vellisto_Chunk::md5HexDigest("x");
  struct Case {
    std::string timestamp;
    std::string sig;
  };
  const std::vector<Case> cases = {
      {"1700000000.123456", sig},
      {"0.000000", sig},
      {"9007199254.740992", sig},   // the last time stamp whose microseconds a double holds exactly
      {"9007199254.740993", sig},   // one past it
      {"1700000000.5", sig},        // not as "%f" writes it
      {"01700000000.000000", sig},  // a leading zero
      {"-1.000000", sig},
      {"1e9", sig},
      {"", sig},
      {"1700000000.000000", ""},
      {"1700000000.000000", "ABCDEF0123456789ABCDEF0123456789"},  // upper case
      {"1700000000.000000", "abc"},
      {"1700000000.000000", sig + "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.timestamp + " / " + c.sig);
    const std::string form = c.sig + kEOB + kEOB + c.timestamp + kEOB + kEOB + "ctx" + kEOB + kEOB + "{}";
    auto chunk = Vellisto_Chunk::initWithChunkStr(form);
    ASSERT_NE(chunk, nullptr);
    EXPECT_EQ(*chunk->stringValue(), form);
    EXPECT_EQ(chunk->timestamp(), c.timestamp);
    EXPECT_EQ(chunk->sig(), c.sig);
    EXPECT_EQ(chunk->timestampValue(), std::strtod(c.timestamp.c_str(), nullptr));
    EXPECT_EQ(chunk->signature().has_value(), c.sig == sig);
    // A new time stamp of either form replaces the old one whole.
    for (const char* next : {"1800000000.000001", "2e9"}) {
      chunk->setTimestamp(next);
      EXPECT_EQ(chunk->timestamp(), next);
      EXPECT_EQ(chunk->timestampValue(), std::strtod(next, nullptr));
      EXPECT_EQ(chunk->sig(), c.sig);
    }
  }
}

// What the search asks of every record without reading its json is read from the json's text as the
// doc holds it, and follows every change of it.
TEST(ChunkTest, AJsonsApplicationAndRecognisedTextAreKnownWithoutParsingIt) {
  struct Case {
    std::string json;
    bool app;
    std::optional<std::string> ocr;
  };
  const std::vector<Case> cases = {
      {"{}", false, std::nullopt},
      {"{\n  \"app\": true,\n  \"ocr\": \"a receipt\"\n}", true, "a receipt"},
      {"{\"app\": {\"name\": \"x\"}}", true, std::nullopt},
      {"{\"ocr\": 3}", false, std::nullopt},
      {"{\"nested\": {\"app\": 1, \"ocr\": \"no\"}}", false, std::nullopt},
      {"[{\"app\": 1}]", false, std::nullopt},  // not a dictionary: kept as text, no json
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    auto chunk = Vellisto_Chunk::initWithChunkStr("s" + kEOB + kEOB + "1.0" + kEOB + kEOB + "t" + kEOB +
                                                  kEOB + c.json);
    ASSERT_NE(chunk, nullptr);
    EXPECT_EQ(chunk->jsonHasApp(), c.app);
    EXPECT_EQ(chunk->ocrText(), c.ocr);
    chunk->editJson([](Json& json) {
      json.erase("app");
      json["ocr"] = "later";
      return true;
    });
    EXPECT_FALSE(chunk->jsonHasApp());
    EXPECT_EQ(chunk->ocrText(), std::optional<std::string>("later"));
  }
}

// Two writers that change one record at once, which the store never lets happen, are caught; whatever
// state they leave, reading the time stamp returns (it used to wait for good when the stamp pointed into
// fields that a stale copy had replaced).
TEST(ChunkTest, TwoWritersAtOnceAreCaughtAndNeverHangAReader) {
  auto chunk = Vellisto_Chunk::initWithContext("raced", std::nullopt, std::nullopt);
  const std::uint64_t clashesBefore = Vellisto_Chunk::writerClashes();
  const std::set<std::string> stamps = {"1.5", "2.000000", "0.000000"};
  for (int round = 0; round < 20000 && Vellisto_Chunk::writerClashes() == clashesBefore; ++round) {
    std::atomic<int> ready{0};
    auto together = [&] {
      ready.fetch_add(1);
      while (ready.load() < 2) std::this_thread::yield();
    };
    std::thread stamper([&] {
      together();
      chunk->setTimestamp("2.000000");
      chunk->setTimestamp("1.5");
    });
    std::thread namer([&] {
      together();
      for (int i = 0; i < 4; ++i) chunk->setAlias("a" + std::to_string(i));
    });
    stamper.join();
    namer.join();
    // On a thread of its own, so that a reader that never returns fails the test instead of hanging it.
    auto read = std::async(std::launch::async, [&] { return chunk->timestamp(); });
    ASSERT_EQ(read.wait_for(std::chrono::seconds(120)), std::future_status::ready) << "round " << round;
    EXPECT_EQ(stamps.count(read.get()), 1u);
    chunk->timestampValue();
  }
  EXPECT_GT(Vellisto_Chunk::writerClashes(), clashesBefore);

  // One writer at a time is never reported.
  const std::uint64_t clashes = Vellisto_Chunk::writerClashes();
  chunk->setTimestamp("3.000000");
  chunk->setTimestamp("3.5");
  chunk->setAlias("b");
  EXPECT_EQ(chunk->timestamp(), "3.5");
  EXPECT_EQ(chunk->timestampValue(), 3.5);
  chunk->setTimestamp("4.000000");
  EXPECT_EQ(chunk->timestamp(), "4.000000");
  EXPECT_EQ(Vellisto_Chunk::writerClashes(), clashes);
}

}  // namespace
}  // namespace vl
