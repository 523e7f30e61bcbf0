// The paths and addresses the programs run against, read once from the environment.
#pragma once

#include <string>

namespace veltra::platform {

// Where the product's files live and where updates come from.
// Defaults are the installed product's; VELTRA_DATA_DIR, VELTRA_APP_BUNDLE, VELTRA_CDN_BASE and
// VELTRA_NOTIFY_DIR override them (tests and local runs).
struct Environment {
  std::string dataDirectory = "/Library/Application Support/Veltra";
  std::string appBundle = "/Applications/Veltra.app";
  // scheme://host[:port] of the update CDN; the fixed document paths are appended.
  std::string cdnBase = "https://cdn.veltra.app";
  std::string notifyDirectory = "/run/veltra/notify";

  // Returns the defaults overridden by the process environment.
  static Environment fromProcessEnvironment();
  // Returns the environment read once at first use.
  static const Environment& current();
};

}  // namespace veltra::platform
