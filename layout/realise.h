// The layout realises the page's controls: the page records what controls
// it holds as data (page/controls.h), and this part of the layout makes
// them through the platform, keeps their handles and the picture buttons'
// bitmaps, and destroys them at the next rebuild.  The layout is their
// home because it already owns the rest of what the platform does with
// them (placing, showing and focusing them in their lines) and the fonts
// their labels are drawn and measured in; the page stays free of the
// platform, so a story run on its own needs no window.
#pragma once

#include <cstdint>

namespace tomelet {

// Installs the layout's measures in the page part (page_measures): a
// label is measured in the layout's bold or normal font, a picture by
// loading its bitmap, which is kept for the picture button's control (the
// last picture measured only; freed with the page's controls).  The
// application installs them before every build.
void install_page_measures();

// Makes, through the platform and in the order the page recorded them,
// every control of the page not made yet: an answer field or a text button
// is created hidden ("Null Edit Box" / "Bad Edit Box", or "Could not
// create button" with " Error %x" and a close of the program, reported when
// it cannot be created); a picture button is created with its bitmap
// loaded; the check box is created, shown at once and checked as recorded
// ("Could not create button" / "No Memory" and a close when it cannot be).
// Called between the page's build and its layout.
void realise_page_controls();

// Destroys every control made for the page, frees the picture buttons'
// bitmaps and empties the page's control tables: the first step of a
// rebuild.
void destroy_page_controls();

}  // namespace tomelet
