#include "disc/disc_tools.h"

#include <filesystem>

#include "disc/process_disc_tools.h"

namespace sonavix {

std::int64_t BytesIn(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_directory(path, error)) {
    std::int64_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(path, error))
      if (entry.is_regular_file(error)) total += static_cast<std::int64_t>(entry.file_size(error));
    return total;
  }
  const auto size = fs::file_size(path, error);
  return error ? 0 : static_cast<std::int64_t>(size);
}

std::unique_ptr<DiscTools> CreateDiscTools() { return CreateProcessDiscTools(); }

}  // namespace sonavix
