#include "cookies/gui/browser_cookie_bridge.h"

#include <QDateTime>
#include <QWebEngineCookieStore>
#include <algorithm>

namespace velmorin {
namespace {

Text bytes(const QByteArray& data) { return Text(data.constData(), static_cast<size_t>(data.size())); }
QByteArray bytes(const Text& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

StoredCookie storedCookieFrom(const QNetworkCookie& cookie) {
  StoredCookie stored;
  stored.name = bytes(cookie.name());
  stored.value = bytes(cookie.value());
  stored.domain = bytes(cookie.domain().toUtf8());
  stored.path = cookie.path().isEmpty() ? Text("/") : bytes(cookie.path().toUtf8());
  if (!cookie.isSessionCookie()) {
    // A session cookie has expiry 0 in the store; a real expiry never lands on 0.
    stored.expires = std::max<std::int64_t>(1, cookie.expirationDate().toSecsSinceEpoch());
  }
  stored.secure = cookie.isSecure();
  stored.httpOnly = cookie.isHttpOnly();
  return stored;
}

BrowserCookie browserCookieFrom(const StoredCookie& stored) {
  BrowserCookie result;
  QNetworkCookie& cookie = result.cookie;
  cookie.setName(bytes(stored.name));
  cookie.setValue(bytes(stored.value));
  cookie.setPath(QString::fromUtf8(bytes(stored.path.empty() ? Text("/") : stored.path)));
  cookie.setSecure(stored.secure);
  cookie.setHttpOnly(stored.httpOnly);
  if (stored.expires != 0)
    cookie.setExpirationDate(QDateTime::fromSecsSinceEpoch(stored.expires, Qt::UTC));

  QString host = QString::fromUtf8(bytes(stored.domain));
  // The browser turns any domain it is given into a domain cookie, so a host-only cookie
  // is set without one, from its host.
  if (host.startsWith(u'.')) {
    cookie.setDomain(host);
    host.remove(0, 1);
  }
  result.origin.setScheme(stored.secure ? QStringLiteral("https") : QStringLiteral("http"));
  result.origin.setHost(host);
  result.origin.setPath(QStringLiteral("/"));
  return result;
}

BrowserCookieBridge::BrowserCookieBridge(QWebEngineCookieStore* browserStore, CookieStore& store,
                                         QObject* parent)
    : QObject(parent), browserStore_(browserStore), store_(store) {
  connect(browserStore_, &QWebEngineCookieStore::cookieAdded, this, &BrowserCookieBridge::added);
  connect(browserStore_, &QWebEngineCookieStore::cookieRemoved, this,
          &BrowserCookieBridge::removed);
}

void BrowserCookieBridge::feedBrowser() {
  for (const StoredCookie& stored : store_.cookies()) {
    const BrowserCookie cookie = browserCookieFrom(stored);
    browserStore_->setCookie(cookie.cookie, cookie.origin);
  }
}

void BrowserCookieBridge::added(const QNetworkCookie& cookie) { store_.add(storedCookieFrom(cookie)); }

void BrowserCookieBridge::removed(const QNetworkCookie& cookie) {
  const StoredCookie stored = storedCookieFrom(cookie);
  store_.remove(stored.name, stored.domain, stored.path);
}

}  // namespace velmorin
