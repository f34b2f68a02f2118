#include "platform/own_environment.h"

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

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

GAppLaunchContext* NewLaunchContextForOthers() {
  GAppLaunchContext* context = g_app_launch_context_new();
  std::lock_guard<std::mutex> lock(g_mutex);
  for (const std::string& name : g_names) g_app_launch_context_unsetenv(context, name.c_str());
  return context;
}

}  // namespace platform
