#include "launcher/AppDelegate.h"

// Started by the desktop's autostart entry at login: one pass, then quit. The exit status tells a
// person running it by hand whether anything went wrong; the desktop ignores it.
int main() {
  vl::launcher::AppDelegate delegate;
  switch (delegate.applicationDidFinishLaunching()) {
    case vl::launcher::AppDelegate::Outcome::AlreadyRunning:
    case vl::launcher::AppDelegate::Outcome::Launched:
      return 0;
    case vl::launcher::AppDelegate::Outcome::LaunchFailed:
    case vl::launcher::AppDelegate::Outcome::NoProgramPath:
      break;
  }
  return 1;
}
