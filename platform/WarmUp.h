#pragma once

// Loads the process-wide font configuration the window system's font database uses and
// the image reader with its format plugins, which the first controls need. Safe on any
// thread; start-up calls it on one of its own while the window system connects.
namespace platform {

void warmUpFontsAndImages();

} // namespace platform
