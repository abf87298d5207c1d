#include <basekit/paths.h>

namespace basekit {

std::string toLocalPath(std::string_view stored) {
  std::string out(stored);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

}  // namespace basekit
