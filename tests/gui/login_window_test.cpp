// The login window against the replica's login page: capture, closing, the main window's
// creation step, and a login kept from an earlier run.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QPointer>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "album/album_walks.h"
#include "app/main_window.h"
#include "cookies/gui/login_window.h"
#include "cookies/shared_cookie_text.h"
#include "gui_fixture.h"
#include "net/page/request_page.h"
#include "platform/cookie_store.h"
#include "support/cookie_home.h"
#include "support/quiet_window_runtime.h"
#include "support/replica.h"

namespace velmorin {
namespace {

using testing::CookieHome;
using testing::GuiRecordingRuntime;
using testing::Replica;
using testing::TempRunDirectory;
using testing::waitUntil;

constexpr int kDeadlineMs = 30000;

// The cookie text the HttpOnly-inclusive read of the store gives for the replica's host.
Text inclusiveRead() {
  std::vector<char> buffer(3000);
  std::uint32_t size = 3000;
  if (!CookieStore::instance().read("http://127.0.0.1/", Text(), true, buffer.data(), &size))
    return Text();
  return Text(buffer.data(), size);
}

const StoredCookie* findCookie(const std::vector<StoredCookie>& cookies, const Text& name) {
  for (const StoredCookie& c : cookies)
    if (c.name == name) return &c;
  return nullptr;
}

class LoginWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("VELMORIN_COOKIE_DOMAIN", "127.0.0.1/", 1);
    sessionCookie().replace(Text());
    setWindowRuntime(&quietRuntime);  // the request engines let events run through it
  }
  void TearDown() override {
    setWindowRuntime(nullptr);
    ::unsetenv("VELMORIN_COOKIE_DOMAIN");
    ::unsetenv("VELMORIN_LOGIN_HOME");
    sessionCookie().replace(Text());
  }
  void loginHome(const std::string& url) { ::setenv("VELMORIN_LOGIN_HOME", url.c_str(), 1); }

  // Opens a login window (not modal) and counts its ticks; the count is taken after the
  // window's own handler has run.
  LoginWindow* open() {
    auto* window = new LoginWindow;
    QObject::connect(window->cookieTimer(), &QTimer::timeout, [this] { ++ticks; });
    window->show();
    return window;
  }

  CookieHome home;
  testing::QuietWindowRuntime quietRuntime;
  int ticks = 0;
};

TEST_F(LoginWindowTest, WindowLayout) {
  loginHome("about:blank");
  QPointer<LoginWindow> window = open();
  EXPECT_TRUE(window->isWindow());
  // Blank but not empty: Qt puts the application's name into an empty caption.
  EXPECT_TRUE(window->windowTitle().trimmed().isEmpty());
  EXPECT_FALSE(window->windowTitle().isEmpty());
  EXPECT_EQ(window->pos(), QPoint(50, 50));
  EXPECT_EQ(window->size(), QSize(786, 501));
  EXPECT_EQ(window->loginBrowser()->geometry(), QRect(0, 0, 776, 472));
  EXPECT_EQ(window->loginBrowser()->url(), QUrl("about:blank"));
  EXPECT_TRUE(window->browserProfile()->isOffTheRecord());
  EXPECT_EQ(window->loginBrowser()->page()->profile(), window->browserProfile());
  EXPECT_TRUE(window->cookieTimer()->isActive());
  EXPECT_EQ(window->cookieTimer()->interval(), 500);
  window->close();
  EXPECT_TRUE(waitUntil([&] { return window.isNull(); }));
}

TEST_F(LoginWindowTest, LoginPageIsCapturedAndTheWindowClosesOnTheNextTick) {
  Replica replica({.requireLogin = true});
  loginHome(replica.url("login"));
  QPointer<LoginWindow> window = open();
  std::set<QByteArray> arrived;
  int ticksAtLastCookie = -1;
  QObject::connect(window->browserProfile()->cookieStore(), &QWebEngineCookieStore::cookieAdded,
                   [&](const QNetworkCookie& cookie) {
                     arrived.insert(cookie.name());
                     ticksAtLastCookie = ticks;
                   });
  ASSERT_TRUE(waitUntil([&] { return window.isNull(); }, kDeadlineMs));

  // Eight cookies from the answer's header and one from the page's script.
  const std::set<QByteArray> loginCookies = {"SINAGLOBAL", "SUB", "SUBP", "SCF", "ALF",
                                             "SSOLoginState", "WBPSESS", "XSRF-TOKEN",
                                             "wb_view_log"};
  EXPECT_TRUE(std::includes(arrived.begin(), arrived.end(), loginCookies.begin(),
                            loginCookies.end()));
  EXPECT_GE(ticksAtLastCookie, 0);
  EXPECT_LE(ticks - ticksAtLastCookie, 2);

  // The pairs of the HttpOnly-inclusive read, which here hold every cookie.
  const Text captured = sessionCookie().read();
  EXPECT_GT(captured.size(), 800u);
  EXPECT_EQ(captured, inclusiveRead());
  const Text login = Replica::loginCookieName() + "=" + Replica::loginCookieValue();
  EXPECT_NE(captured.find(login), Text::npos);
  EXPECT_NE(captured.find("wb_view_log="), Text::npos);

  // The store got the cookies with their flags: a host-only HttpOnly session cookie, and a
  // persistent one that reached the cookie file.
  const std::vector<StoredCookie> stored = CookieStore::instance().cookies();
  const StoredCookie* sub = findCookie(stored, "SUB");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->domain, "127.0.0.1");
  EXPECT_EQ(sub->path, "/");
  EXPECT_TRUE(sub->httpOnly);
  EXPECT_EQ(sub->expires, 0);
  const StoredCookie* global = findCookie(stored, "SINAGLOBAL");
  ASSERT_NE(global, nullptr);
  EXPECT_FALSE(global->httpOnly);
  EXPECT_EQ(global->expires, 2145916800);  // Fri, 01-Jan-2038 00:00:00 GMT
  std::ifstream file(home.cookieFile());
  const std::string fileText((std::istreambuf_iterator<char>(file)), {});
  EXPECT_NE(fileText.find("SINAGLOBAL"), std::string::npos);
  EXPECT_EQ(fileText.find("\tSUB\t"), std::string::npos);

  // An album request made afterwards carries the captured cookies and is let in.
  replica.clearRequests();
  const Text listing = requestPage(
      replica.url("photos/get_all?uid=1234567890&page=1&count=30"), CookieRef(sessionCookie()));
  EXPECT_NE(listing.find("\"photo_id\":\"" + std::to_string(Replica::photoId(1)) + "\""),
            Text::npos);
  const auto requests = replica.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].header("Cookie").find(login), std::string::npos);
}

TEST_F(LoginWindowTest, EightHundredBytesKeepTheWindowOpenAndOneMoreClosesIt) {
  loginHome("about:blank");
  CookieStore& store = CookieStore::instance();
  // "k=" and 798 bytes: exactly 800.
  store.add({.name = "k", .value = std::string(798, 'v'), .domain = "127.0.0.1"});
  QPointer<LoginWindow> window = open();
  ASSERT_TRUE(waitUntil([&] { return ticks >= 2; }, kDeadlineMs));
  EXPECT_FALSE(window.isNull());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->cookieTimer()->isActive());
  EXPECT_EQ(sessionCookie().read().size(), 800u);

  // On the first tick that captures 801 bytes the timer stops and the window goes away.
  bool stoppedOnThatTick = false, hiddenOnThatTick = false;
  QObject::connect(window->cookieTimer(), &QTimer::timeout, [&] {
    if (sessionCookie().read().size() != 801 || window.isNull()) return;
    stoppedOnThatTick = !window->cookieTimer()->isActive();
    hiddenOnThatTick = !window->isVisible();
  });
  store.add({.name = "k", .value = std::string(799, 'v'), .domain = "127.0.0.1"});
  ASSERT_TRUE(waitUntil([&] { return window.isNull(); }, kDeadlineMs));
  EXPECT_TRUE(stoppedOnThatTick);
  EXPECT_TRUE(hiddenOnThatTick);
  EXPECT_EQ(sessionCookie().read(), "k=" + std::string(799, 'v'));
}

TEST_F(LoginWindowTest, LoginKeptInTheCookieFileClosesTheWindowOnItsFirstTick) {
  Replica replica;
  // What an earlier run left: a persistent login, together over 800 bytes.
  std::filesystem::create_directories(home.dataHome() + "/velmorin");
  std::ofstream(home.cookieFile())
      << "# Netscape HTTP Cookie File\n"
      << "#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t2145916800\t" << Replica::loginCookieName()
      << '\t' << Replica::loginCookieValue() << '\n'
      << "127.0.0.1\tFALSE\t/\tFALSE\t2145916800\tSUBP\t" << std::string(900, 'p') << '\n';
  CookieStore::instance().reload();
  loginHome(replica.url("login?anonymous=1"));

  QPointer<LoginWindow> window = open();
  ASSERT_TRUE(waitUntil([&] { return window.isNull(); }, kDeadlineMs));
  EXPECT_EQ(ticks, 1);
  const Text login = Replica::loginCookieName() + "=" + Replica::loginCookieValue();
  EXPECT_NE(sessionCookie().read().find(login), Text::npos);

  // The browser was given the stored login too: the page load already sent it.
  const auto requests = replica.requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests[0].target, "/login?anonymous=1");
  EXPECT_NE(requests[0].header("Cookie").find(login), std::string::npos);
}

// The main window's creation step with the real login window.
class LoginFromMainWindowTest : public LoginWindowTest {
 protected:
  void SetUp() override {
    LoginWindowTest::SetUp();
    setWindowRuntime(&runtime);
  }
  void TearDown() override {
    ::unsetenv("VELMORIN_ALBUM_BASE");
    LoginWindowTest::TearDown();
  }

  // What the window looked like while the login window was open, seen from inside the
  // creation step's nested loop; act then runs on the open login window at every check.
  struct Seen {
    bool loginOpen = false, mainShown = false, mainEnabled = true, loginModal = false;
    size_t foldersMade = 0;
  };
  std::unique_ptr<MainWindow> create(const std::function<void(LoginWindow&)>& act = {},
                                     std::function<void()> originals = [] {}) {
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      auto* login = qobject_cast<LoginWindow*>(QApplication::activeModalWidget());
      if (login == nullptr || !login->isVisible()) return;
      if (!seen.loginOpen) {
        seen.loginOpen = true;
        seen.mainShown = mainWindow != nullptr && mainWindow->isVisible();
        seen.mainEnabled = mainWindow != nullptr && mainWindow->isEnabled();
        seen.loginModal = login->windowModality() == Qt::ApplicationModal;
        std::lock_guard lock(runtime.mutex);
        seen.foldersMade = runtime.madeDirectories.size();
      }
      if (act) act(*login);
    });
    watch.start(20);
    MainWindowRoutines routines;
    routines.originals = std::move(originals);
    routines.previews = [] {};
    routines.openLoginWindow = [this](QWidget& window) {
      mainWindow = &window;
      openLoginWindow(window);
    };
    return std::make_unique<MainWindow>(std::move(routines));
  }

  TempRunDirectory runDirectory;
  GuiRecordingRuntime runtime;
  QWidget* mainWindow = nullptr;
  Seen seen;
};

TEST_F(LoginFromMainWindowTest, CreationReturnsOnceTheLoginHasBeenCaptured) {
  Replica replica;
  loginHome(replica.url("login"));
  std::unique_ptr<MainWindow> window = create();

  EXPECT_TRUE(seen.loginOpen);
  EXPECT_TRUE(seen.mainShown);
  EXPECT_FALSE(seen.mainEnabled);
  EXPECT_TRUE(seen.loginModal);
  EXPECT_EQ(seen.foldersMade, 3u);  // the folders come first
  EXPECT_GT(sessionCookie().read().size(), 800u);
  EXPECT_TRUE(window->isEnabled());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (QWidget* widget : QApplication::topLevelWidgets())
    EXPECT_EQ(qobject_cast<LoginWindow*>(widget), nullptr);
}

TEST_F(LoginFromMainWindowTest, AnOriginalsWalkAfterTheLoginSendsItsCookiesAndGetsTheAlbum) {
  Replica replica({.photos = 4, .requireLogin = true});
  loginHome(replica.url("login"));
  ::setenv("VELMORIN_ALBUM_BASE", replica.baseUrl().c_str(), 1);
  std::atomic<bool> walked = false;
  std::unique_ptr<MainWindow> window = create({}, [&] {
    downloadOriginals();
    walked = true;
  });
  const Text captured = sessionCookie().read();
  ASSERT_GT(captured.size(), 800u);

  runtime.attach(window->linkEdit(), window->originalCheck(), window->photoList());
  replica.clearRequests();
  window->linkEdit()->setText(QString::fromStdString(replica.albumLink()));
  window->originalCheck()->setChecked(true);
  window->startButton()->click();
  ASSERT_TRUE(waitUntil([&] { return walked.load(); }, kDeadlineMs));

  ASSERT_EQ(window->photoList()->rowCount(), 4);
  for (int n = 1; n <= 4; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(window->photoList()->item(n - 1, 2)->text(), QString::fromUtf8("下载成功"));
    std::ifstream file(runDirectory.path() + "/新浪图片/原图/" + std::to_string(n) + ".jpg",
                       std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(file)), {}), replica.largeImage(n));
  }
  // Every album page went out with the login cookie the browser captured.
  const std::string login = Replica::loginCookieName() + "=" + Replica::loginCookieValue();
  size_t pages = 0;
  for (const auto& request : replica.requests()) {
    if (request.target.rfind("/large/", 0) == 0) continue;  // images
    ++pages;
    EXPECT_NE(request.header("Cookie").find(login), std::string::npos) << request.target;
  }
  EXPECT_EQ(pages, 2u + 4u);  // listing, detail, and one large-image page per photo
}

TEST_F(LoginFromMainWindowTest, ClosingTheLoginByHandKeepsWhatWasCaptured) {
  Replica replica;
  loginHome(replica.url("login?anonymous=1"));  // a visitor's cookies only, far below 800 bytes
  QPointer<QTimer> timer;
  std::unique_ptr<MainWindow> window = create([&](LoginWindow& login) {
    timer = login.cookieTimer();
    if (sessionCookie().read().find("SINAGLOBAL=") != Text::npos) login.close();
  });

  EXPECT_TRUE(seen.loginOpen);
  EXPECT_FALSE(seen.mainEnabled);
  EXPECT_TRUE(window->isEnabled());
  const Text captured = sessionCookie().read();
  EXPECT_NE(captured.find("SINAGLOBAL="), Text::npos) << captured;
  EXPECT_LE(captured.size(), 800u);
  // The window went with its timer, so nothing replaces the text any more.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(timer.isNull());
}

}  // namespace
}  // namespace velmorin
