#include "RunFiles.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "HostError.h"
#include "Os.h"

namespace rulehost {

namespace fs = std::filesystem;

std::string MakeRunFolder() {
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) {
    throw HostError(kExitRegistry, "no temporary folder: " + error.message());
  }
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path path = base / ("rulehost-" + std::to_string(random() % 1000000000u));
    if (fs::create_directory(path, error)) {
      return path.string();
    }
  }
  throw HostError(kExitRegistry, "cannot create a folder below " + base.string());
}

LogWatch::LogWatch(std::string windowsPath)
    : m_windowsPath(std::move(windowsPath)), m_hostPath(os::HostPath(m_windowsPath)) {
  m_start = Size();
}

std::string LogWatch::NewText() const {
  if (m_hostPath.empty() || Size() <= m_start) {
    return {};
  }
  std::ifstream in(m_hostPath, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(m_start));
  std::ostringstream text;
  text << in.rdbuf();
  std::string out;
  for (char c : text.str()) {
    if (c != '\r') {
      out += c;
    }
  }
  return out;
}

std::uintmax_t LogWatch::Size() const {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(m_hostPath, error);
  return error ? 0 : size;
}

}  // namespace rulehost
