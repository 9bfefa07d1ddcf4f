#include "tests/filterhost/XSession.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace fhtest {

namespace {

constexpr const char* kXvfb = "/usr/bin/Xvfb";
constexpr const char* kXdotool = "/usr/bin/xdotool";

// Output goes nowhere; descriptors without close-on-exec are inherited.
pid_t Spawn(std::vector<std::string> argv, const std::vector<std::string>& extraEnv) {
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& x : extraEnv)
            if (entry.substr(0, entry.find('=')) == x.substr(0, x.find('='))) replaced = true;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> cenv;
    for (auto& e : env) cenv.push_back(e.data());
    cenv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

}  // namespace

XServer::XServer() {
    if (access(kXvfb, X_OK) != 0) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    // Xvfb writes the display number it took to this descriptor once it is
    // ready for clients.
    pid_ = Spawn({kXvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0", "1920x1200x24",
                  "-nolisten", "tcp"},
                 {});
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (poll(&p, 1, 200) <= 0) continue;
        char c;
        const ssize_t n = read(fds[0], &c, 1);
        if (n <= 0) break;
        if (c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
}

XServer::~XServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (waitpid(pid_, &status, WNOHANG) == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
}

bool HaveXdotool() {
    return access(kXdotool, X_OK) == 0;
}

int Xdotool(const XServer& x, const std::vector<std::string>& args) {
    std::vector<std::string> argv{kXdotool};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = Spawn(argv, {"DISPLAY=" + x.Display()});
    if (pid < 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::vector<std::string>> ReportLines(const std::string& file,
                                                  const std::string& word) {
    std::vector<std::vector<std::string>> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> w = Words(line);
        if (!w.empty() && w[0] == word) lines.push_back(std::move(w));
    }
    return lines;
}

std::vector<std::string> WaitForReport(const std::string& file, const std::string& word, pid_t pid,
                                       int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto lines = ReportLines(file, word);
        if (!lines.empty()) return lines.front();
        // A process that has ended (a zombie too) answers kill with success
        // until it is reaped, so its state is read from /proc.
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string statLine;
        std::getline(stat, statLine);
        const size_t close = statLine.rfind(')');
        const char state =
            close != std::string::npos && close + 2 < statLine.size() ? statLine[close + 2] : 'Z';
        if (state == 'Z' || std::chrono::steady_clock::now() > deadline) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

RunResult WaitHostFor(pid_t pid, const std::string& outFile, const std::string& errFile,
                      int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            RunResult result;
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            std::ifstream out(outFile), err(errFile);
            result.out.assign(std::istreambuf_iterator<char>(out), {});
            result.err.assign(std::istreambuf_iterator<char>(err), {});
            unlink(outFile.c_str());
            unlink(errFile.c_str());
            return result;
        }
        if (r < 0) return WaitHost(pid, outFile, errFile);
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            return WaitHost(pid, outFile, errFile);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace fhtest
