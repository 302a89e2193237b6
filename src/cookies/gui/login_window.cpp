#include "cookies/gui/login_window.h"

#include <QGuiApplication>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "album/settings.h"
#include "cookies/gui/browser_cookie_bridge.h"
#include "cookies/session_capture.h"
#include "platform/cookie_store.h"
#include "platform/gui/qt_window_runtime.h"

namespace velmorin {

LoginWindow::LoginWindow() : QDialog(nullptr) {
  setObjectName(QStringLiteral("LoginWindow"));
  // No caption text. Qt shows the application's name in place of an empty title, so the
  // title is one space.
  setWindowTitle(QStringLiteral(" "));
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(786, 501);
  move(50, 50);

  // A profile without a storage name keeps nothing on disk: the per-user store is the one
  // place cookies persist, and it hands them over here.
  profile_ = new QWebEngineProfile(this);
  bridge_ = new BrowserCookieBridge(profile_->cookieStore(), CookieStore::instance(), this);
  bridge_->feedBrowser();

  loginBrowser_ = new QWebEngineView(this);
  loginBrowser_->setObjectName(QStringLiteral("loginBrowser"));
  loginBrowser_->setPage(new QWebEnginePage(profile_, loginBrowser_));
  loginBrowser_->setGeometry(0, 0, 776, 472);
  loginBrowser_->setUrl(QUrl(toQString(loginHome())));

  cookieTimer_ = new QTimer(this);
  cookieTimer_->setObjectName(QStringLiteral("cookieTimer"));
  connect(cookieTimer_, &QTimer::timeout, this, &LoginWindow::captureSessionCookie);
  cookieTimer_->start(500);
}

LoginWindow::~LoginWindow() {
  // The page has to go before the profile it runs on, and the bridge with the profile.
  delete loginBrowser_;
  delete bridge_;
  delete profile_;
}

void LoginWindow::captureSessionCookie() {
  if (!captureStoredSession()) return;
  cookieTimer_->stop();
  close();  // deletes the window (WA_DeleteOnClose)
}

void openLoginWindow(QWidget& mainWindow) {
  // The login window stands over the main window, which takes no input until it is gone.
  mainWindow.show();
  const bool wasEnabled = mainWindow.isEnabled();
  mainWindow.setEnabled(false);
  // The login window may be the only window shown; its closing must not end the program.
  const bool quitOnLastClosed = QGuiApplication::quitOnLastWindowClosed();
  QGuiApplication::setQuitOnLastWindowClosed(false);

  auto* login = new LoginWindow;
  login->setWindowModality(Qt::ApplicationModal);
  login->exec();  // returns when it has been closed, then deletes it

  QGuiApplication::setQuitOnLastWindowClosed(quitOnLastClosed);
  mainWindow.setEnabled(wasEnabled);
}

}  // namespace velmorin
