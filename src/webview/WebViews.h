#pragma once

#include <gtk/gtk.h>
#include <gtk/gtkx.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <map>
#include <string>

#include "CommandReader.h"

namespace vellisto_webview {

// The pages this process shows, each in a plug embedded in a window of the program, by the program's
// number for it. Runs on GTK's main loop; reports go out through `emit` as one JSON object per line.
class WebViews {
 public:
  using Emit = std::function<void(const std::string& line)>;
  explicit WebViews(Emit emit) : emit_(std::move(emit)) {}
  ~WebViews();

  void handle(const Command& command);

 private:
  struct View {
    WebViews* owner = nullptr;
    long long id = 0;
    GtkWidget* plug = nullptr;
    WebKitWebView* web = nullptr;
    bool failed = false;
    bool closing = false;
  };

  View* find(long long id);
  void embed(long long id, unsigned long window, int width, int height);
  void close(long long id);
  void report(const char* event, const View& view, const std::string& extra = {});
  static void onLoadChanged(WebKitWebView* web, WebKitLoadEvent event, gpointer data);
  static gboolean onLoadFailed(WebKitWebView* web, WebKitLoadEvent event, const char* uri, GError* error,
                               gpointer data);
  static void onTerminated(WebKitWebView* web, WebKitWebProcessTerminationReason reason, gpointer data);
  static GtkWidget* onCreate(WebKitWebView* web, WebKitNavigationAction* action, gpointer data);
  static void onEmbedded(GtkPlug* plug, gpointer data);
  static void onPlugDestroyed(GtkWidget* plug, gpointer data);

  Emit emit_;
  std::map<long long, View*> views_;
};

}  // namespace vellisto_webview
