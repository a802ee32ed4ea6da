#pragma once

#include <memory>
#include <string>

#include "platform/ui/view/Responder.h"

namespace vl::ui {

class View;

// Owns a view that it loads on first use and follows its appearance. In the responder chain it sits
// between its view and the view's superview (or window). Held by shared_ptr. Main thread only.
class ViewController : public Responder {
 public:
  ViewController() = default;
  ~ViewController() override;

  // Loads the view on first use: loadView, then viewDidLoad.
  const std::shared_ptr<View>& view();
  void setView(const std::shared_ptr<View>& view);
  bool isViewLoaded() const { return view_ != nullptr; }

  // Creates the view and hands it to setView; the default makes a plain view with a zero frame.
  virtual void loadView();
  virtual void viewDidLoad() {}
  // Called as the view's window is ordered in and out (for a window's content view controller).
  virtual void viewWillAppear() {}
  virtual void viewDidAppear() {}
  virtual void viewWillDisappear() {}
  virtual void viewDidDisappear() {}

  const std::string& title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); }

  // The explicitly set next responder, else the view's superview, else the view's window.
  Responder* nextResponder() const override;

 private:
  std::shared_ptr<View> view_;
  std::string title_;
  bool loading_ = false;
};

}  // namespace vl::ui
