// Runs travex-cli ($TRAVEX_CLI) as a child process on a given port directory and collects its
// exit status and output.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace travex::testing {

struct CliResult {
  int status = -1;  // exit status; -1 when it did not exit by itself
  std::string out;
  std::string err;
};

// interrupt_ms > 0: SIGINT after that many milliseconds.
inline CliResult RunCli(const std::vector<std::string>& args, const std::string& port_dir,
                        int interrupt_ms = 0) {
  CliResult result;
  const char* binary = std::getenv("TRAVEX_CLI");
  if (binary == nullptr) {
    result.err = "TRAVEX_CLI is not set";
    return result;
  }
  std::vector<std::string> all = {binary};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The test's environment (sanitizer options included) with the port directory replaced.
  std::string env_port = "TRAVEX_PORT_DIR=" + port_dir;
  std::vector<char*> envp = {env_port.data()};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "TRAVEX_PORT_DIR=", 16) != 0) envp.push_back(*e);
  }
  envp.push_back(nullptr);

  int out[2];
  int err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  const auto start = std::chrono::steady_clock::now();
  bool interrupted = interrupt_ms <= 0;
  struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open_pipes = 2;
  while (open_pipes > 0) {
    if (poll(fds, 2, 20) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      }
    }
    if (!interrupted &&
        std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(interrupt_ms)) {
      kill(pid, SIGINT);
      interrupted = true;
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace travex::testing
