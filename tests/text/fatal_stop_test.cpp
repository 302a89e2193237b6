#include "text/fatal_stop.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>

#include "platform/codepage.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

struct ChildResult {
  int exitStatus = -1;  // -1 when the child did not exit normally
  std::string err;      // everything the child wrote to stderr
  std::string out;      // everything the child wrote to stdout
};

std::string drain(int fd) {
  std::string s;
  char buf[4096];
  ssize_t r;
  while ((r = ::read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<std::size_t>(r));
  return s;
}

// Runs body in a forked child and collects how it ended and what it wrote.
ChildResult runInChild(const std::function<void()>& body) {
  int errPipe[2], outPipe[2];
  if (::pipe(errPipe) != 0 || ::pipe(outPipe) != 0) return {};
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(errPipe[1], STDERR_FILENO);
    ::dup2(outPipe[1], STDOUT_FILENO);
    ::close(errPipe[0]);
    ::close(outPipe[0]);
    body();
    std::_Exit(0);
  }
  ::close(errPipe[1]);
  ::close(outPipe[1]);
  ChildResult result;
  result.out = drain(outPipe[0]);
  result.err = drain(errPipe[0]);
  ::close(errPipe[0]);
  ::close(outPipe[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  return result;
}

void writeOut(const Text& t) {
  std::string s = toUtf8(t);
  if (::write(STDOUT_FILENO, s.data(), s.size()) < 0) std::_Exit(3);
}

TEST(FatalStopText, BoxTextForCodesAndMessages) {
  EXPECT_EQ(fatalStopText(4, fromUtf8("数组成员引用下标必须大于等于1")),
            fromUtf8("运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"));
  EXPECT_EQ(fatalStopText(0, ""), fromUtf8("运行时出错!\r\n\r\n"));
  EXPECT_EQ(fatalStopText(0, "m"), fromUtf8("运行时出错!\r\n\r\n错误信息：m\r\n"));
  EXPECT_EQ(fatalStopText(-3, ""), fromUtf8("运行时出错!\r\n\r\n错误代码：-3\r\n\r\n"));
}

TEST(FatalStop, ArrayIndexBelowOneStopsWithCode4) {
  ChildResult r = runInChild([] {
    TextArray a({"x"});
    writeOut(a.member(0));
  });
  EXPECT_EQ(r.exitStatus, 255);
  EXPECT_EQ(r.err, "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n");
  EXPECT_EQ(r.out, "");
}

TEST(FatalStop, ArrayIndexAboveCountStopsWithCode1) {
  ChildResult r = runInChild([] {
    TextArray a({"x", "y"});
    writeOut(a.member(2));
    writeOut(a.member(3));
  });
  EXPECT_EQ(r.exitStatus, 255);
  EXPECT_EQ(r.err, "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n");
  EXPECT_EQ(r.out, "y");
  EXPECT_EQ(runInChild([] { TextArray().member(1); }).exitStatus, 255);
}

TEST(FatalStop, PresenterGetsTheBoxThenTheProcessEnds) {
  ChildResult r = runInChild([] {
    setFatalStopPresenter([](const Text& box) { writeOut("[" + box + "]"); });
    fatalStop(7, "boom");
  });
  EXPECT_EQ(r.exitStatus, 255);
  EXPECT_EQ(r.out, "[运行时出错!\r\n\r\n错误代码：7\r\n\r\n错误信息：boom\r\n]");
  EXPECT_EQ(r.err, "运行时出错!\r\n\r\n错误代码：7\r\n\r\n错误信息：boom\r\n");
}

TEST(FatalStop, StopInsideThePresenterStillEnds) {
  ChildResult r = runInChild([] {
    setFatalStopPresenter([](const Text&) { fatalStop(2, "again"); });
    fatalStop(1, "first");
  });
  EXPECT_EQ(r.exitStatus, 255);
  EXPECT_EQ(r.err, "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：first\r\n");
}

TEST(FatalStop, FromAWorkerThreadEndsTheWholeProcess) {
  ChildResult r = runInChild([] {
    std::thread worker([] { TextArray().member(-1); });
    worker.join();
    writeOut("not reached");
  });
  EXPECT_EQ(r.exitStatus, 255);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("错误代码：4"), std::string::npos);
}

TEST(FatalStop, TwoThreadsAtOnceShowOneBox) {
  ChildResult r = runInChild([] {
    setFatalStopPresenter([](const Text&) { ::usleep(50000); });
    std::thread a([] { fatalStop(11, "a"); });
    std::thread b([] { fatalStop(12, "b"); });
    a.join();
    b.join();
  });
  EXPECT_EQ(r.exitStatus, 255);
  EXPECT_EQ(r.err.find("运行时出错!"), r.err.rfind("运行时出错!"));
}

}  // namespace
}  // namespace velmorin
