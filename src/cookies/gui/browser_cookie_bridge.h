#pragma once
// Keeps the login browser's cookies and the per-user cookie store in step. The browser's
// store cannot be read on demand, so every cookie it adds or removes is applied to the
// per-user store as it happens, and the per-user store's cookies are handed to the browser
// when it starts (a login from an earlier run then still counts).
#include <QNetworkCookie>
#include <QObject>
#include <QUrl>

#include "platform/cookie_store.h"

class QWebEngineCookieStore;

namespace velmorin {

// A browser cookie as the per-user store keeps it: a host-only cookie keeps its bare host
// as domain, a domain cookie its leading "."; no expiry means a session cookie.
StoredCookie storedCookieFrom(const QNetworkCookie& cookie);

// A stored cookie as the browser takes it, with the address it is set from: a host-only
// cookie goes without a domain (so the browser binds it to the address's host), a secure
// one from an https address.
struct BrowserCookie {
  QNetworkCookie cookie;
  QUrl origin;
};
BrowserCookie browserCookieFrom(const StoredCookie& cookie);

class BrowserCookieBridge : public QObject {
  Q_OBJECT

 public:
  // From now on applies every cookie browserStore adds or removes to store.
  BrowserCookieBridge(QWebEngineCookieStore* browserStore, CookieStore& store,
                      QObject* parent = nullptr);

  // Hands every live cookie of the per-user store to the browser.
  void feedBrowser();

 private:
  void added(const QNetworkCookie& cookie);
  void removed(const QNetworkCookie& cookie);

  QWebEngineCookieStore* browserStore_;
  CookieStore& store_;
};

}  // namespace velmorin
