// The engine's page model as text, in the scripted driver's dump format
// (docs/headless-driver.md): shared by the headless driver's `dump` and the
// web reader's test hook, so that a page read in either reader compares
// line for line.  It reads the engine's read-only view (app_page_view);
// reading changes nothing.  Test and tool support only: it
// builds strings, so no engine path calls it.
#pragma once

#include <cstdint>
#include <string>

#include "app/entry.h"

namespace tomelet::model_dump {

// Text as it stands in a dump: in double quotes, with \" \\ and \xNN for
// anything outside printable ASCII.  Null reads as "".
std::string quote(const char* text);

// "paragraph:N" (the paragraph the link leads to), "screen:N" or "none".
std::string link_text(const page_link& link);

// The "navigation" line (without its end) and the "links" line.
std::string navigation(const page_view& view);
std::string links(const page_view& view);

// The "items" section: the page display list, one item a line.
std::string items(const page_view& view);

// The "variables" section: every variable whose value or flag is not 0.
std::string variables(const page_view& view);

}  // namespace tomelet::model_dump
