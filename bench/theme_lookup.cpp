// Asset-key look-ups: the search engine colours every result row through the theme manager, on its own
// queues. Measures colorForKey (plain and "Theme:key"), alone and from four threads at once, against a
// bare map look-up of the same keys in the same run.
//
//   bench_theme_lookup [lookups]     (default 2,000,000 per run; the figures are the best of 3 runs)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/graphics/Color.h"
#include "theme/VLThemeManager.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::vector<std::string> kKeys = {"fontNormalColor",   "recordAreaBackgroundColor",
                                        "accentColor",       "lineColor",
                                        "fontSubtitleColor", "searchInputFontColor"};

template <typename F>
double bestNsPerOp(long lookups, int threads, F&& lookup) {
  double best = 1e300;
  for (int run = 0; run < 3; ++run) {
    auto start = Clock::now();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
      pool.emplace_back([&, t] {
        double sink = 0;
        for (long i = 0; i < lookups / threads; ++i) sink += lookup(kKeys[(i + t) % kKeys.size()]);
        if (sink < 0) std::printf("%f", sink);  // keeps the loop from being optimised away
      });
    }
    for (auto& th : pool) th.join();
    double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count() / lookups;
    best = std::min(best, ns);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const long lookups = argc > 1 ? std::atol(argv[1]) : 2000000;
  auto table = vl::VLThemeManager::themeTable();
  auto classic = table->find("classic");
  if (classic == table->end()) {
    std::fprintf(stderr, "no \"classic\" theme found (set VELLISTO_RESOURCES)\n");
    return 1;
  }
  // A manager of its own, so the run never touches the user's settings.
  vl::VLThemeManager manager;
  manager.setCurrentTheme(classic->second);
  manager.setAppearanceMode(1);

  std::map<std::string, vl::ui::Color> baselineMap;
  for (const auto& key : kKeys) baselineMap[key] = manager.colorForKey(key).value_or(vl::ui::Color());

  auto baseline = [&](const std::string& key) { return baselineMap.find(key)->second.red; };
  auto plain = [&](const std::string& key) { return manager.colorForKey(key)->red; };
  auto themed = [&](const std::string& key) { return manager.colorForKey("classic:" + key)->red; };

  std::printf("%-34s %10s %10s\n", "", "ns/lookup", "x baseline");
  for (int threads : {1, 4}) {
    double base = bestNsPerOp(lookups, threads, baseline);
    double p = bestNsPerOp(lookups, threads, plain);
    double q = bestNsPerOp(lookups, threads, themed);
    auto row = [&](const char* what, double ns) {
      std::string label = std::string(what) + ", " + std::to_string(threads) + " thread(s)";
      std::printf("%-34s %10.1f %10.2f\n", label.c_str(), ns, ns / base);
    };
    row("map look-up", base);
    row("colorForKey", p);
    row("colorForKey \"Theme:key\"", q);
  }
  return 0;
}
