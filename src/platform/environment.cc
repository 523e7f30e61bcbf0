#include "platform/environment.h"

#include <cstdlib>

namespace veltra::platform {

namespace {
void overrideFrom(const char* name, std::string& value) {
  const char* text = std::getenv(name);
  if (text != nullptr && *text != '\0') value = text;
}
}  // namespace

Environment Environment::fromProcessEnvironment() {
  Environment environment;
  overrideFrom("VELTRA_DATA_DIR", environment.dataDirectory);
  overrideFrom("VELTRA_APP_BUNDLE", environment.appBundle);
  overrideFrom("VELTRA_CDN_BASE", environment.cdnBase);
  overrideFrom("VELTRA_NOTIFY_DIR", environment.notifyDirectory);
  while (environment.cdnBase.size() > 1 && environment.cdnBase.back() == '/')
    environment.cdnBase.pop_back();
  return environment;
}

const Environment& Environment::current() {
  static const Environment environment = fromProcessEnvironment();
  return environment;
}

}  // namespace veltra::platform
