#pragma once
// The login window: the service's site in an embedded browser, and a timer that copies the
// browser's cookies for the service's domain into sessionCookie() until the user has logged
// in. The browser runs on a profile of its own that keeps nothing on disk; its cookies
// reach the per-user cookie store through a BrowserCookieBridge.
#include <QDialog>
#include <QTimer>

class QWebEngineProfile;
class QWebEngineView;

namespace velmorin {

class BrowserCookieBridge;

class LoginWindow : public QDialog {
  Q_OBJECT

 public:
  // Hands the per-user store's cookies to the browser, loads loginHome() and starts the
  // timer. The window deletes itself once it has been closed.
  LoginWindow();
  ~LoginWindow() override;

  QWebEngineView* loginBrowser() const { return loginBrowser_; }
  QTimer* cookieTimer() const { return cookieTimer_; }
  QWebEngineProfile* browserProfile() const { return profile_; }

  // One tick: replaces sessionCookie() with the store's cookie text for cookieDomain();
  // when that is longer than 800 bytes, stops the timer and closes the window.
  void captureSessionCookie();

 private:
  QWebEngineProfile* profile_ = nullptr;
  BrowserCookieBridge* bridge_ = nullptr;
  QWebEngineView* loginBrowser_ = nullptr;
  QTimer* cookieTimer_ = nullptr;
};

// Opens a LoginWindow as a modal dialog without parent over mainWindow, which stays
// disabled, and returns once the login window is gone (captured or closed by the user).
void openLoginWindow(QWidget& mainWindow);

}  // namespace velmorin
