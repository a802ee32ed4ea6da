// The texts the window benchmarks fill their history with.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "platform/foundation/Text.h"

namespace vl::bench {

// Texts of 20 to 2,000 UTF-16 units: words drawn with Zipf's law from several languages and code, line
// ends every few words, now and then an emoji.
class Corpus {
 public:
  explicit Corpus(unsigned seed) : gen_(seed) {
    const std::vector<std::string> common = {"the",
                                             "and",
                                             "of",
                                             "to",
                                             "error",
                                             "code",
                                             "server",
                                             "client",
                                             "request",
                                             "file",
                                             "data",
                                             "value",
                                             "return",
                                             "string",
                                             "user",
                                             "token",
                                             "config",
                                             "build",
                                             "test",
                                             "merge",
                                             "query",
                                             "index",
                                             "cache",
                                             "thread",
                                             "queue",
                                             "timeout",
                                             "network",
                                             "layout",
                                             "window",
                                             "button",
                                             "paste",
                                             "copy",
                                             "history",
                                             "meeting",
                                             "tomorrow",
                                             "invoice",
                                             "Straße",
                                             "größer",
                                             "été",
                                             "déjà",
                                             "привет",
                                             "сервер",
                                             "服务器",
                                             "错误",
                                             "こんにちは",
                                             "std::vector<int>",
                                             "https://example.com/api/v1/users?id=42",
                                             "SELECT * FROM users",
                                             "return 0;"};
    const std::vector<std::string> syllables = {"ba",  "con", "de",  "fi",  "gra",  "hel",
                                                "in",  "ka",  "lo",  "men", "pro",  "ra",
                                                "sto", "ver", "zen", "ing", "tion", "ment"};
    words_ = common;
    while (words_.size() < common.size() + 4000) {
      std::string word;
      for (int k = 0, n = 2 + pick(3); k < n; ++k) word += syllables[pick(syllables.size())];
      words_.push_back(word);
    }
    std::vector<double> weights;
    for (std::size_t r = 0; r < words_.size(); ++r) weights.push_back(1.0 / static_cast<double>(r + 3));
    zipf_ = std::discrete_distribution<std::size_t>(weights.begin(), weights.end());
  }

  std::string next() {
    const std::size_t units = std::uniform_int_distribution<std::size_t>(20, 2000)(gen_);
    std::string text;
    std::size_t length = 0;
    int words = 0;
    while (length < units) {
      std::string word = words_[zipf_(gen_)];
      if (pick(200) == 0) word += "\U0001F680";
      word += (++words % (8 + pick(10)) == 0) ? "\n" : " ";
      length += vl::utf16Length(word);
      text += word;
    }
    return vl::cutToUtf16Length(text, units);
  }

 private:
  int pick(std::size_t n) {
    return static_cast<int>(std::uniform_int_distribution<std::size_t>(0, n - 1)(gen_));
  }
  std::mt19937 gen_;
  std::vector<std::string> words_;
  std::discrete_distribution<std::size_t> zipf_;
};

}  // namespace vl::bench
