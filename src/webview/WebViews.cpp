#include "WebViews.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>

namespace vellisto_webview {

namespace {

bool hasScheme(const std::string& url, std::initializer_list<const char*> schemes) {
  for (const char* scheme : schemes) {
    if (g_ascii_strncasecmp(url.c_str(), scheme, std::strlen(scheme)) == 0) return true;
  }
  return false;
}

// What the program loads: the engines' pages and the shipped manual (files). Other schemes would let
// a page's text start programs or read what it should not.
bool programMayLoad(const std::string& url) {
  return hasScheme(url, {"http://", "https://", "file://"}) || url == "about:blank";
}

// What a page may open in a new window (shown in its own view): the web only. The engine keeps a web
// page from reaching files itself, but a window we open is our load, which it would not check.
bool pageMayOpen(const std::string& url) { return hasScheme(url, {"http://", "https://"}); }

int clampSide(long long v) { return static_cast<int>(std::clamp<long long>(v, 1, 8192)); }

// A GTK theme's name without its dark variant's ending ("Adwaita:dark", "Arc-Dark" give "Adwaita", "Arc").
std::string lightVariant(const std::string& name) {
  for (const char* tail : {":dark", "-dark", "-Dark", ":Dark"}) {
    const std::size_t n = std::strlen(tail);
    if (name.size() > n && name.compare(name.size() - n, n, tail) == 0)
      return name.substr(0, name.size() - n);
  }
  return name;
}

// Pages that follow the colour scheme take the program's: the engine reads dark from the prefer-dark
// setting, and also from a dark theme's name (the desktop's, or GTK_THEME), which a light program must
// not inherit.
void followProgramsScheme(bool dark) {
  GtkSettings* settings = gtk_settings_get_default();
  if (!settings) return;
  if (!dark) {
    if (const char* forced = g_getenv("GTK_THEME"); forced && lightVariant(forced) != forced)
      g_setenv("GTK_THEME", lightVariant(forced).c_str(), TRUE);
    gchar* theme = nullptr;
    g_object_get(settings, "gtk-theme-name", &theme, nullptr);
    const std::string name = theme ? theme : "";
    g_free(theme);
    if (lightVariant(name) != name)
      g_object_set(settings, "gtk-theme-name", lightVariant(name).c_str(), nullptr);
  }
  g_object_set(settings, "gtk-application-prefer-dark-theme", dark ? TRUE : FALSE, nullptr);
}

}  // namespace

WebViews::~WebViews() {
  while (!views_.empty()) close(views_.begin()->first);
}

WebViews::View* WebViews::find(long long id) {
  auto it = views_.find(id);
  return it == views_.end() ? nullptr : it->second;
}

void WebViews::report(const char* event, const View& view, const std::string& extra) {
  nlohmann::json line{{"event", event}, {"view", view.id}};
  if (std::string(event) == "finished" || std::string(event) == "failed") {
    const char* uri = webkit_web_view_get_uri(view.web);
    line["url"] = uri ? uri : "";
    line["back"] = webkit_web_view_can_go_back(view.web) != FALSE;
    line["forward"] = webkit_web_view_can_go_forward(view.web) != FALSE;
  }
  if (!extra.empty()) line["error"] = extra;
  emit_(line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

void WebViews::handle(const Command& c) {
  const std::string cmd = c.text("cmd");
  const long long id = c.number("view", -1);
  if (cmd == "ping") {
    emit_(R"({"event":"pong"})");
    return;
  }
  if (cmd == "appearance") {
    const auto it = c.fields.find("dark");
    const bool* dark = it == c.fields.end() ? nullptr : std::get_if<bool>(&it->second);
    followProgramsScheme(dark && *dark);
    return;
  }
  if (cmd == "embed") {
    const long long window = c.number("window", 0);
    if (window <= 0) {
      std::fprintf(stderr, "vellisto-webview: embed without a window\n");
      return;
    }
    embed(id, static_cast<unsigned long>(window), clampSide(c.number("width", 1)),
          clampSide(c.number("height", 1)));
    return;
  }
  View* view = find(id);
  // A view whose plug went with its window is closed already.
  if (!view && cmd == "close") return;
  if (!view) {
    std::fprintf(stderr, "vellisto-webview: \"%s\" for view %lld, which does not exist\n", cmd.c_str(), id);
    return;
  }
  if (cmd == "resize") {
    // The plug sizes itself: the embedder's resize of its window would be undone by GTK's own.
    const int w = clampSide(c.number("width", 1)), h = clampSide(c.number("height", 1));
    gtk_widget_set_size_request(GTK_WIDGET(view->web), w, h);
    gtk_window_resize(GTK_WINDOW(view->plug), w, h);
  } else if (cmd == "load") {
    const std::string url = c.text("url");
    if (!programMayLoad(url)) {
      std::fprintf(stderr, "vellisto-webview: an address of %zu bytes with a scheme not shown here\n",
                   url.size());
      report("failed", *view, "refused");
      return;
    }
    webkit_web_view_load_uri(view->web, url.c_str());
  } else if (cmd == "back") {
    if (webkit_web_view_can_go_back(view->web)) webkit_web_view_go_back(view->web);
  } else if (cmd == "forward") {
    if (webkit_web_view_can_go_forward(view->web)) webkit_web_view_go_forward(view->web);
  } else if (cmd == "reload") {
    webkit_web_view_reload(view->web);
  } else if (cmd == "agent") {
    webkit_settings_set_user_agent(webkit_web_view_get_settings(view->web), c.text("agent").c_str());
  } else if (cmd == "close") {
    close(id);
  } else {
    std::fprintf(stderr, "vellisto-webview: unknown command of %zu bytes\n", cmd.size());
  }
}

void WebViews::embed(long long id, unsigned long window, int width, int height) {
  // A view embedded again (its window was made anew) starts over in a new plug.
  if (find(id)) close(id);
  auto* view = new View;
  view->owner = this;
  view->id = id;
  // Told of its embedding as it is made: the plug says so while it is constructed.
  view->plug = gtk_plug_new(0);
  g_signal_connect(view->plug, "embedded", G_CALLBACK(onEmbedded), view);
  gtk_plug_construct(GTK_PLUG(view->plug), static_cast<Window>(window));
  if (!gtk_plug_get_embedded(GTK_PLUG(view->plug))) {
    // The window is not (or no longer) there: a page made anyway would show in no window at all.
    std::fprintf(stderr, "vellisto-webview: window 0x%lx of view %lld is not there; not embedded\n", window,
                 id);
    gtk_widget_destroy(view->plug);
    delete view;
    emit_(nlohmann::json{{"event", "closed"}, {"view", id}}.dump());
    return;
  }
  view->web = WEBKIT_WEB_VIEW(webkit_web_view_new());
  gtk_widget_set_size_request(GTK_WIDGET(view->web), width, height);
  gtk_window_set_default_size(GTK_WINDOW(view->plug), width, height);
  gtk_container_add(GTK_CONTAINER(view->plug), GTK_WIDGET(view->web));
  g_signal_connect(view->web, "load-changed", G_CALLBACK(onLoadChanged), view);
  g_signal_connect(view->web, "load-failed", G_CALLBACK(onLoadFailed), view);
  g_signal_connect(view->web, "web-process-terminated", G_CALLBACK(onTerminated), view);
  g_signal_connect(view->web, "create", G_CALLBACK(onCreate), view);
  g_signal_connect(view->plug, "destroy", G_CALLBACK(onPlugDestroyed), view);
  views_[id] = view;
  gtk_widget_show_all(view->plug);
}

void WebViews::close(long long id) {
  View* view = find(id);
  if (!view) return;
  views_.erase(id);
  view->closing = true;
  g_signal_handlers_disconnect_by_data(view->web, view);
  gtk_widget_destroy(view->plug);  // takes the web view with it
  delete view;
}

void WebViews::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* view = static_cast<View*>(data);
  if (event == WEBKIT_LOAD_STARTED) view->failed = false;
  // A failed load also ends in "finished"; the program hears of the failure instead.
  if (event == WEBKIT_LOAD_FINISHED && !view->failed) view->owner->report("finished", *view);
}

gboolean WebViews::onLoadFailed(WebKitWebView*, WebKitLoadEvent, const char*, GError* error, gpointer data) {
  auto* view = static_cast<View*>(data);
  // A load that another one replaced is no failure.
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) return FALSE;
  view->failed = true;
  view->owner->report("failed", *view, error && error->message ? error->message : "failed");
  return FALSE;  // the engine shows its own error page
}

void WebViews::onTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer data) {
  auto* view = static_cast<View*>(data);
  std::fprintf(stderr, "vellisto-webview: the page's process of view %lld ended (reason %d)\n", view->id,
               static_cast<int>(reason));
  view->owner->report("crashed", *view);
}

GtkWidget* WebViews::onCreate(WebKitWebView* web, WebKitNavigationAction* action, gpointer) {
  // A link that asks for a new window opens in this one: the view has no room for a second.
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  if (uri && pageMayOpen(uri)) {
    webkit_web_view_load_uri(web, uri);
  } else {
    std::fprintf(stderr, "vellisto-webview: a page asked for a window at an address of %zu bytes; refused\n",
                 uri ? std::strlen(uri) : 0);
  }
  return nullptr;
}

void WebViews::onEmbedded(GtkPlug*, gpointer data) {
  auto* view = static_cast<View*>(data);
  view->owner->report("embedded", *view);
}

void WebViews::onPlugDestroyed(GtkWidget*, gpointer data) {
  auto* view = static_cast<View*>(data);
  if (view->closing) return;
  // The program's window went away under the plug: the view is gone until it is embedded again.
  WebViews* owner = view->owner;
  owner->views_.erase(view->id);
  g_signal_handlers_disconnect_by_data(view->web, view);
  owner->emit_(nlohmann::json{{"event", "closed"}, {"view", view->id}}.dump());
  delete view;
}

}  // namespace vellisto_webview
