// Stored paths may come from Windows files and hold '\' separators.
#pragma once
#include <string>
#include <string_view>

namespace basekit {

// '\' is read as '/'.
std::string toLocalPath(std::string_view stored);

}  // namespace basekit
