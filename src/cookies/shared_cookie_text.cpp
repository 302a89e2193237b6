#include "cookies/shared_cookie_text.h"

namespace velmorin {

Text SharedCookieText::read() const {
  std::lock_guard lock(mutex_);
  return text_;
}

void SharedCookieText::replace(Text text) {
  std::lock_guard lock(mutex_);
  text_.swap(text);
}

void SharedCookieText::update(const std::function<void(Text&)>& change) {
  std::lock_guard lock(mutex_);
  change(text_);
}

SharedCookieText& sessionCookie() {
  static SharedCookieText instance;
  return instance;
}

Text CookieRef::read() const {
  if (shared_ != nullptr) return shared_->read();
  if (local_ != nullptr) return *local_;
  return Text();
}

void CookieRef::update(const std::function<void(Text&)>& change) const {
  if (shared_ != nullptr) shared_->update(change);
  else if (local_ != nullptr) change(*local_);
}

}  // namespace velmorin
