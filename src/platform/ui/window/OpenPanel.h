#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vl::ui {

class Window;

namespace ModalResponse {
constexpr long Cancel = 0;
constexpr long OK = 1;
}  // namespace ModalResponse

// The system's file chooser. The user's answer arrives in the completion, on the main queue, after begin
// returned. Headless, a test installs the answerer, which plays the user: it sees the panel's settings and
// answers with paths or nullopt (Cancel). Answers the panel's settings forbid are dropped with a log line:
// paths that are not absolute or do not exist, files when only folders may be chosen and the reverse, and
// all but the first when only one may be chosen; an answer with nothing left counts as Cancel. Without an
// answerer every panel is cancelled. Held by shared_ptr. Main thread only.
class OpenPanel : public std::enable_shared_from_this<OpenPanel> {
 public:
  using Completion = std::function<void(long response)>;
  using Answerer = std::function<std::optional<std::vector<std::string>>(const OpenPanel& panel)>;

  static std::shared_ptr<OpenPanel> openPanel() { return std::make_shared<OpenPanel>(); }

  bool canChooseFiles() const { return canChooseFiles_; }
  void setCanChooseFiles(bool v) { canChooseFiles_ = v; }
  bool canChooseDirectories() const { return canChooseDirectories_; }
  void setCanChooseDirectories(bool v) { canChooseDirectories_ = v; }
  bool allowsMultipleSelection() const { return allowsMultiple_; }
  void setAllowsMultipleSelection(bool v) { allowsMultiple_ = v; }
  bool canCreateDirectories() const { return canCreateDirectories_; }
  void setCanCreateDirectories(bool v) { canCreateDirectories_ = v; }
  // The folder the panel starts in (a path).
  const std::string& directoryURL() const { return directory_; }
  void setDirectoryURL(std::string path) { directory_ = std::move(path); }
  const std::string& message() const { return message_; }
  void setMessage(std::string m) { message_ = std::move(m); }
  const std::string& prompt() const { return prompt_; }
  void setPrompt(std::string p) { prompt_ = std::move(p); }
  const std::string& title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); }
  int level() const { return level_; }
  void setLevel(int l) { level_ = l; }

  // The chosen paths after OK.
  const std::vector<std::string>& URLs() const { return urls_; }
  std::string URL() const { return urls_.empty() ? std::string() : urls_.front(); }
  bool isVisible() const { return visible_; }
  // The window the panel runs as a sheet on (nullptr when free-standing).
  Window* sheetParent() const { return parent_; }

  void begin(Completion completion);
  void beginSheetModalForWindow(Window* window, Completion completion);
  // Answers at once (headless); ModalResponse.
  long runModal();

  // --- headless backend ------------------------------------------------------------------------------
  static void setHeadlessAnswerer(Answerer answerer);
  // Every panel shown, oldest first.
  static const std::vector<std::weak_ptr<OpenPanel>>& shownPanels();
  static void clearShownPanels();

 private:
  long answer();

  bool canChooseFiles_ = true;
  bool canChooseDirectories_ = false;
  bool allowsMultiple_ = false;
  bool canCreateDirectories_ = false;
  std::string directory_;
  std::string message_;
  std::string prompt_;
  std::string title_;
  int level_ = 0;
  std::vector<std::string> urls_;
  bool visible_ = false;
  Window* parent_ = nullptr;
};

}  // namespace vl::ui
