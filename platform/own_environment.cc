#include "platform/own_environment.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

extern char** environ;

namespace platform {
namespace {

std::mutex g_mutex;
std::vector<std::string> g_names;

}  // namespace

bool SetOwnVariable(const char* name, const char* value) {
  if (std::getenv(name) != nullptr) return false;
  if (setenv(name, value, 0) != 0) return false;
  std::lock_guard<std::mutex> lock(g_mutex);
  g_names.emplace_back(name);
  return true;
}

std::vector<std::string> OwnVariables() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_names;
}

std::vector<std::string> EnvironmentForOthers() {
  const std::vector<std::string> own = OwnVariables();
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    const std::string name(*entry, equals != nullptr ? equals - *entry : std::strlen(*entry));
    if (std::find(own.begin(), own.end(), name) == own.end()) result.emplace_back(*entry);
  }
  return result;
}

}  // namespace platform
