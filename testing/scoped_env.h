#pragma once
// Sets (or, with no value, removes) an environment variable while the object
// lives and puts the earlier value (or its absence) back afterwards.
#include <optional>
#include <string>

namespace testsupport {

class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace testsupport
