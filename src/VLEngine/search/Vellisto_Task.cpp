#include "VLEngine/search/Vellisto_Task.h"

#include <algorithm>

#include "platform/foundation/Clock.h"

namespace vl {

std::shared_ptr<Vellisto_Task> Vellisto_Task::make(std::int32_t type, std::uint64_t docCount,
                                                   std::string context) {
  auto task = std::make_shared<Vellisto_Task>();
  task->type_ = type;
  task->docCount_ = docCount;
  task->context_ = std::move(context);
  task->now_ = Clock::current().now();
  return task;
}

std::string Vellisto_Task::stringTaskId() const { return std::to_string(static_cast<std::int64_t>(taskId_)); }

void Vellisto_Task::addFile(std::shared_ptr<Vellisto_TempFile> file, const Vellisto_BigDoc* from) {
  files_.push_back(std::move(file));
  answeredBy_.push_back(from);
}

void Vellisto_Task::orderFiles() {
  const auto& answeredBy = answeredBy_;
  if (answeredBy.size() != files_.size()) return;
  std::vector<std::pair<std::size_t, std::size_t>> order;  // (place in the chain, answer)
  for (std::size_t i = 0; i < files_.size(); ++i) {
    auto it = std::find(docs_.begin(), docs_.end(), answeredBy[i]);
    order.emplace_back(static_cast<std::size_t>(it - docs_.begin()), i);
  }
  std::stable_sort(order.begin(), order.end());
  Vellisto_TempFiles sorted;
  sorted.reserve(files_.size());
  for (const auto& [place, answer] : order) sorted.push_back(std::move(files_[answer]));
  files_ = std::move(sorted);
  answeredBy_.clear();
}

std::shared_ptr<const SearchQuery> Vellisto_Task::query() const {
  std::call_once(compileOnce_, [this] { query_ = SearchQuery::compile(context_, queryOptions_); });
  return query_;
}

}  // namespace vl
