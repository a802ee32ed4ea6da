#include <gtest/gtest.h>

#include "platform/system/x11/clipboard/X11ClipboardFormats.h"

namespace vl::x11::clipboard {
namespace {

const std::string kPng("\x89PNG\r\n\x1a\nrest", 12);

TEST(X11ClipboardFormatsTest, ReadersAskForOneTargetPerTypeBestFirst) {
  EXPECT_EQ(wantedTargets({"TARGETS", "STRING", "UTF8_STRING", "text/html", "image/png", "application/rtf",
                           "x-special/gnome-copied-files", "text/uri-list", "image/bmp"}),
            (std::vector<std::string>{"UTF8_STRING", "text/html", "text/uri-list", "application/rtf",
                                      "image/png"}));
  EXPECT_EQ(wantedTargets({"text/plain"}), std::vector<std::string>{"text/plain"});
  // A password manager's hint comes before any content, so a secret's content is never asked for.
  EXPECT_EQ(wantedTargets({"UTF8_STRING", "x-kde-passwordManagerHint"}),
            (std::vector<std::string>{"x-kde-passwordManagerHint", "UTF8_STRING"}));
  // No usable list: plain text is still worth a try.
  EXPECT_EQ(wantedTargets({}), (std::vector<std::string>{"UTF8_STRING", "STRING"}));
}

TEST(X11ClipboardFormatsTest, AnswersBecomeItems) {
  struct Case {
    const char* name;
    std::vector<Answer> answers;
    std::vector<std::vector<std::pair<const char*, std::string>>> items;
  };
  const std::string utf16Html("\xff\xfe<\0b\0>\0\xe9\0<\0/\0b\0>\0\0\0", 20);
  const std::vector<Case> cases = {
      {"text with its terminator",
       {{"UTF8_STRING", "UTF8_STRING", std::string("hi\0", 3)}},
       {{{kPasteboardTypeString, "hi"}}}},
      {"Latin-1 text", {{"STRING", "STRING", "caf\xe9"}}, {{{kPasteboardTypeString, "café"}}}},
      {"UTF-16 HTML with a byte-order mark",
       {{"text/html", "text/html", utf16Html}},
       {{{kPasteboardTypeHTML, "<b>é</b>"}}}},
      {"file manager copy",
       {{"x-special/gnome-copied-files", "x", "copy\nfile:///a.txt\nfile:///b%20c.txt"}},
       {{{kPasteboardTypeFileURL, "file:///a.txt"}}, {{kPasteboardTypeFileURL, "file:///b%20c.txt"}}}},
      {"password manager's hint",
       {{"x-kde-passwordManagerHint", "x-kde-passwordManagerHint", "secret"}},
       {{{kPasteboardTypePasswordManagerHint, "secret"}}}},
      {"web link",
       {{"text/uri-list", "text/uri-list", "https://example.org/a.png\n"}},
       {{{kPasteboardTypeURL, "https://example.org/a.png"}}}},
      {"everything in one item",
       {{"UTF8_STRING", "UTF8_STRING", "t"},
        {"text/rtf", "text/rtf", "{\\rtf1 t}"},
        {"image/png", "image/png", kPng}},
       {{{kPasteboardTypeString, "t"}, {kPasteboardTypeRTF, "{\\rtf1 t}"}, {kPasteboardTypePNG, kPng}}}},
      {"broken text keeps what it can",
       {{"UTF8_STRING", "UTF8_STRING", "a\xc3\x28z"}, {"text/html", "text/html", "<b>\xff</b>"}},
       {{{kPasteboardTypeString, "a\xEF\xBF\xBD(z"}, {kPasteboardTypeHTML, "<b>\xEF\xBF\xBD</b>"}}}},
      {"answers that are not what they promise are left out",
       {{"image/png", "image/png", "not png"}, {"text/uri-list", "text/uri-list", "\xff"}},
       {}},
      {"empty answers are nothing", {{"UTF8_STRING", "UTF8_STRING", ""}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto items = itemsFromAnswers(c.answers);
    ASSERT_EQ(items.size(), c.items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
      std::vector<std::string> types;
      for (const auto& [type, data] : c.items[i]) {
        types.push_back(type);
        EXPECT_EQ(items[i].data(type), data) << type;
      }
      EXPECT_EQ(items[i].types(), types);
    }
  }
}

TEST(X11ClipboardFormatsTest, OwnItemsAnswerEveryTargetTheyOffer) {
  PasteboardItem rich(kPasteboardTypeString, "Grüße ✓");
  rich.setString(kPasteboardTypeHTML, "<b>Grüße</b>");
  const std::vector<PasteboardItem> items{rich, PasteboardItem(kPasteboardTypeURL, "https://example.org")};

  const auto targets = targetsFor(items);
  for (const auto& t : targets) EXPECT_TRUE(answerFor(items, t)) << t;
  EXPECT_EQ(answerFor(items, "UTF8_STRING"),
            std::make_pair(std::string("UTF8_STRING"), std::string("Grüße ✓\nhttps://example.org")));
  EXPECT_EQ(answerFor(items, "TEXT")->first, "UTF8_STRING");
  // Old clients get Latin-1, with what it cannot hold replaced.
  EXPECT_EQ(answerFor(items, "STRING")->second,
            "Gr\xfc\xdf"
            "e ?\nhttps://example.org");
  EXPECT_EQ(answerFor(items, "text/uri-list")->second, "https://example.org\r\n");
  EXPECT_EQ(answerFor(items, "image/png"), std::nullopt);
  EXPECT_EQ(answerFor(items, "x-special/gnome-copied-files"), std::nullopt);
  EXPECT_EQ(answerFor({}, "UTF8_STRING"), std::nullopt);
  EXPECT_TRUE(targetsFor({}).empty());
}

TEST(X11ClipboardFormatsTest, WhatWeWriteReadsBackTheSame) {
  PasteboardItem item(kPasteboardTypeString, "text");
  item.setString(kPasteboardTypeHTML, "<i>text</i>");
  item.setString(kPasteboardTypeRTF, "{\\rtf1 text}");
  item.setData(kPasteboardTypePNG, kPng);
  item.setString(kPasteboardTypeFileURL, "file:///tmp/x.png");
  std::vector<Answer> answers;
  for (const auto& target : wantedTargets(targetsFor({item}))) {
    auto a = answerFor({item}, target);
    ASSERT_TRUE(a) << target;
    answers.push_back({target, a->first, a->second});
  }
  auto back = itemsFromAnswers(answers);
  ASSERT_EQ(back.size(), 1u);
  for (const auto& type : item.types()) EXPECT_EQ(back[0].data(type), item.data(type)) << type;
}

}  // namespace
}  // namespace vl::x11::clipboard
