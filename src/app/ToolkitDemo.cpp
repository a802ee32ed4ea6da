// A window of the toolkit on the desktop: a button, a text field and a table, to try the X11 backend
// by hand. Not installed.
#include <cstdio>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/DesktopBackends.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/table/TableRowView.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"

namespace {

using namespace vl::ui;

class Rows : public TableViewDataSource {
 public:
  long numberOfRowsInTableView(TableView&) override { return 40; }
};

class Demo : public WindowDelegate, public Responder {
 public:
  bool respondsToAction(const std::string& a) const override { return a == "pressed:"; }
  bool performAction(const std::string&, ActionTarget*) override {
    std::printf("button pressed; the field holds \"%s\"\n", field->stringValue().c_str());
    return true;
  }
  void windowWillClose(Window&) override { Application::shared().terminate(); }

  std::shared_ptr<TextField> field;
};

}  // namespace

int main(int argc, char** argv) {
  vl::dispatch::MainLoop::adoptCurrentThread();
  if (!vl::installDesktopBackends(argc > 1 ? argv[1] : "")) {
    std::fprintf(stderr, "vellisto-toolkit-demo: needs an X11 display (DISPLAY)\n");
    return 1;
  }
  std::printf("desktop font: \"%s\"\n", vl::desktopFontDescription().c_str());
  auto demo = std::make_shared<Demo>();
  auto window = Window::create({200, 200, 420, 320}, WindowStyle::Titled | WindowStyle::Closable);
  window->setTitle("Vellisto toolkit");
  window->setDelegate(demo);
  auto content = window->contentView();
  auto button = Button::buttonWithTitle("Press", demo, "pressed:");
  button->setFrame({20, 270, 100, 30});
  demo->field = TextField::create({140, 273, 260, 24});
  auto rows = std::make_shared<Rows>();
  auto scroll = ScrollView::create({20, 20, 380, 230});
  auto table = std::make_shared<TableView>();
  table->addTableColumn(TableColumn::create("display"));
  table->setRowHeight(22);
  table->setDataSource(rows);
  scroll->setDocumentView(table);
  for (auto v : std::vector<std::shared_ptr<View>>{button, demo->field, scroll}) content->addSubview(v);
  table->reloadData();
  window->makeKeyAndOrderFront();
  window->makeFirstResponder(demo->field.get());
  Application::shared().finishLaunching();
  vl::dispatch::MainLoop::run();
  window->orderOut();
  vl::dispatch::MainLoop::shutdown(2000);
  return 0;
}
