#include "options/ProcessPriority.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/Messages.h"

namespace spinwave {
namespace {

TEST(ProcessPriority, LevelsAreNiceValues) {
  EXPECT_EQ(NiceOfPriority(0), 19);
  EXPECT_EQ(NiceOfPriority(1), 0);
  EXPECT_EQ(NiceOfPriority(2), -10);
  EXPECT_EQ(NiceOfPriority(3), -20);
  EXPECT_EQ(NiceOfPriority(9), 0);
}

// In a child process without the right to raise priorities (an unprivileged user), so the
// test process keeps its own: "High" is refused with the message and nothing changes; "Idle"
// is allowed and reaches every thread.
TEST(ProcessPriority, RefusalIsToldAndLeavesThePriorityAsItWas) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
    std::vector<std::string> texts;
    SetMessageHandler([&](MessageKind, const std::string& text) {
      texts.push_back(text);
      return true;
    });
    const int before = ::getpriority(PRIO_PROCESS, 0);
    if (ApplyProcessPriority(2)) ::_exit(11);
    if (texts != std::vector<std::string>{"Cannot change the Process Priority!"}) ::_exit(12);
    if (::getpriority(PRIO_PROCESS, 0) != before) ::_exit(13);
    texts.clear();
    if (!ApplyProcessPriority(0) || !texts.empty()) ::_exit(14);
    if (::getpriority(PRIO_PROCESS, 0) != 19) ::_exit(15);
    // Already there: nothing to ask, nothing to tell.
    if (!ApplyProcessPriority(0) || !texts.empty()) ::_exit(16);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A worker that runs below the interface on purpose (nice 10, as the playlist's tag reader does)
// keeps its distance: "Normal" at start changes nothing and tells nothing, also for a user who
// may not raise priorities; "Idle" moves it to the bottom with the rest.
TEST(ProcessPriority, AThreadBelowTheInterfaceStaysBelowIt) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
    std::vector<std::string> texts;
    SetMessageHandler([&](MessageKind, const std::string& text) {
      texts.push_back(text);
      return true;
    });
    if (::getpriority(PRIO_PROCESS, 0) != 0) ::_exit(0);  // started niced: nothing to show
    std::atomic<long> worker{0};
    std::atomic<bool> done{false};
    std::thread thread([&] {
      ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 10);
      worker = ::syscall(SYS_gettid);
      while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    while (worker == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    int code = 0;
    if (!ApplyProcessPriority(1) || !texts.empty()) code = 11;
    else if (::getpriority(PRIO_PROCESS, id_t(worker.load())) != 10) code = 12;
    else if (!ApplyProcessPriority(0) || !texts.empty()) code = 13;
    else if (::getpriority(PRIO_PROCESS, 0) != 19) code = 14;
    else if (::getpriority(PRIO_PROCESS, id_t(worker.load())) != 19) code = 15;
    done = true;
    thread.join();
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace spinwave
