// Screen capture through the clipboard: while capturing is on, every bitmap
// that lands on the clipboard becomes the next numbered JPEG file of the
// capture folder. The main window stays in the clipboard viewer chain for its
// whole life and passes every notice on.
#pragma once
#include <cstdint>
#include <string>

namespace k2 {

// folder + "\" + prefix + number in decimal + ".jpg" ("Image_-3.jpg" for -3).
std::string CaptureFileName(const std::string& folder, const std::string& prefix, std::int32_t number);

} // namespace k2
