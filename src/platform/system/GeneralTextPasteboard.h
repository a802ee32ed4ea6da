#pragma once

namespace vl {

// Points the text controls' cut, copy and paste at the general pasteboard. The adapter looks the
// pasteboard up on every use, so it follows a backend installed later (X11 after a headless start).
void installGeneralTextPasteboard();

}  // namespace vl
