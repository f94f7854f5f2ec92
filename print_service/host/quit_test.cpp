// The built program, run as a child process on its real address: it serves
// 127.0.0.1:6780 and quits with 0 when asked to close, also while a request
// is in progress. On this machine SIGTERM/SIGINT stand for WM_CLOSE.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "standin/control.h"
#include "support/raw_http.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
const int kPort = 6780;

const char kPreflight[] = "OPTIONS /ovapi/PrintImage HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";

class QuitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    // Port 6780 is shared by every check on this machine that runs the real
    // program; the Wine checks take the same lock.
    lock_ = open("/tmp/orvi-6780.lock", O_CREAT | O_RDWR, 0666);
    ASSERT_GE(lock_, 0);
    ASSERT_EQ(flock(lock_, LOCK_EX), 0);
    dir_ = fs::temp_directory_path() / ("orvi-quit-test-" + std::to_string(getpid()));
    fs::create_directories(dir_ / "drive");
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
    if (lock_ >= 0) close(lock_);
  }

  // Without a drive of the test's own, the program's stand-in makes one up
  // in the temporary directory.
  void Start(bool ownDrive = true) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("STANDIN_DRIVE_ROOT=", 0) != 0) env.emplace_back(*e);
    env.push_back("STANDIN_SHELL_LOG=" + (dir_ / "shell.log").string());
    if (ownDrive) env.push_back("STANDIN_DRIVE_ROOT=" + (dir_ / "drive").string());
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    std::string out = (dir_ / "stdout.txt").string();
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    char exe[] = ORVI_PRINT_SERVICE_EXE;
    char* argv[] = {exe, nullptr};
    ASSERT_EQ(posix_spawn(&pid_, exe, &files, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&files);
    ASSERT_TRUE(WaitForPort()) << "nothing listens on 127.0.0.1:6780";
  }

  bool WaitForPort() {
    for (int i = 0; i < 100; ++i) {
      if (test_support::CanConnect("127.0.0.1", kPort)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // The exit code, or -1 when the program did not end normally in time.
  int WaitForExit(std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

  std::string ShellLog() {
    std::ifstream in(dir_ / "shell.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  int lock_ = -1;
  fs::path dir_;
  pid_t pid_ = -1;
};

const std::string kIconAdded =
    "NIM_ADD result=1 cbSize=956 uID=1000 uFlags=7 uCallbackMessage=1024 icon=107 tip=ORVI打印服务\n";
const std::string kIconDeleted =
    "NIM_DELETE result=1 cbSize=956 uID=1000 uFlags=0 uCallbackMessage=0 icon=0 tip=\n";

TEST_F(QuitTest, ServesOnlyIPv4LoopbackAndQuitsOnCloseWithZero) {
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig == SIGTERM ? "SIGTERM" : "SIGINT");
    Start();
    EXPECT_EQ(ShellLog(), kIconAdded);
    std::string answer = test_support::RawExchange(kPort, kPreflight);
    EXPECT_EQ(answer.rfind("HTTP/1.1 204 No Content\r\n", 0), 0u) << answer;
    EXPECT_FALSE(test_support::CanConnect("::1", kPort));
    kill(pid_, sig);
    EXPECT_EQ(WaitForExit(std::chrono::seconds(3)), 0);
    EXPECT_EQ(ShellLog(), kIconAdded + kIconDeleted);
    fs::remove(dir_ / "shell.log");
  }
}

TEST_F(QuitTest, QuitsWhileARequestIsInProgress) {
  Start();
  test_support::RawConnection held(kPort);
  ASSERT_TRUE(held.connected());
  // A request whose body never completes keeps a worker reading for the
  // whole read time-out (5 s).
  held.Send("POST /ovapi/GetPrinters HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100\r\n\r\n{");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  auto start = std::chrono::steady_clock::now();
  kill(pid_, SIGTERM);
  EXPECT_EQ(WaitForExit(std::chrono::seconds(3)), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(ShellLog(), kIconAdded + kIconDeleted);
  EXPECT_TRUE(held.ClosedByServer(1000));
}

TEST_F(QuitTest, TheDriveTheStandInMadeUpGoesWithTheProgram) {
  Start(/*ownDrive=*/false);
  const fs::path drive = fs::temp_directory_path() / ("standin-drive-" + std::to_string(pid_));
  const std::string body = "data:image/png;base64,AAAA";
  std::string answer = test_support::RawExchange(
      kPort, "POST /ovapi/PrintImage?printName=ORVI HTTP/1.1\r\nHost: 127.0.0.1\r\n"
             "Content-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
             "\r\nConnection: close\r\n\r\n" + body);
  EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer;
  EXPECT_TRUE(fs::exists(drive)) << "the saved image should be under " << drive;
  kill(pid_, SIGTERM);
  EXPECT_EQ(WaitForExit(std::chrono::seconds(3)), 0);
  EXPECT_FALSE(fs::exists(drive));
}

}  // namespace
