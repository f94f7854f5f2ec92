// Template part of the spooler model's lock helper.
#pragma once

namespace standin::spooler_internal {
template <typename Fn>
auto WithModel(Fn fn) -> decltype(fn(std::declval<Model&>())) {
  struct Guard {
    void* token;
    ~Guard() { Unlock(token); }
  } guard{Lock()};
  return fn(LockedModel(guard.token));
}
}  // namespace standin::spooler_internal
