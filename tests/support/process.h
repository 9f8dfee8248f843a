// Child processes for end-to-end tests: started with pipes on standard input,
// output and error, read line by line with a deadline, stopped by signal.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace dmm::test {

class Process {
public:
    // Starts program with args in folder cwd (empty: the current one).
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::string& cwd = {}) {
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_adddup2(&fa, err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            posix_spawn_file_actions_addclose(&fa, fd);
        if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
        std::vector<std::string> all{program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(in[0]);
        close(out[1]);
        close(err[1]);
        in_ = in[1];
        out_ = out[0];
        err_ = err[0];
    }
    ~Process() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : {in_, out_, err_})
            if (fd >= 0) close(fd);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    void writeStdin(const std::string& text) {
        const char* p = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            ssize_t n = ::write(in_, p, left);
            if (n <= 0) break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    void closeStdin() {
        if (in_ >= 0) close(in_);
        in_ = -1;
    }

    // Next line of standard output (without the newline), or nothing by the deadline.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout) {
        return readLineFrom(out_, outBuf_, timeout);
    }
    std::optional<std::string> readErrLine(std::chrono::milliseconds timeout) {
        return readLineFrom(err_, errBuf_, timeout);
    }

    void signal(int sig) { kill(pid_, sig); }

    // Waits for the exit; returns the exit status, 128 + signal, or -1 on time-out.
    int wait(std::chrono::milliseconds timeout) {
        auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            int st = 0;
            pid_t r = waitpid(pid_, &st, WNOHANG);
            if (r == pid_) {
                exited_ = true;
                return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            }
            usleep(10000);
        }
        return -1;
    }

    // Everything left on standard output or error until the pipe closes (after the exit).
    std::string drainOut() { return drain(out_, outBuf_); }
    std::string drainErr() { return drain(err_, errBuf_); }

private:
    static std::optional<std::string> readLineFrom(int fd, std::string& buf,
                                                   std::chrono::milliseconds timeout) {
        auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (auto nl = buf.find('\n'); nl != std::string::npos) {
                std::string line = buf.substr(0, nl);
                buf.erase(0, nl + 1);
                return line;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[4096];
            ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0) {
                if (buf.empty()) return std::nullopt;
                std::string line;
                line.swap(buf);
                return line;
            }
            buf.append(chunk, static_cast<std::size_t>(n));
        }
    }
    static std::string drain(int fd, std::string& buf) {
        std::string all;
        all.swap(buf);
        char chunk[4096];
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 2000) <= 0) break;
            ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0) break;
            all.append(chunk, static_cast<std::size_t>(n));
        }
        return all;
    }

    pid_t pid_ = -1;
    bool exited_ = false;
    int in_ = -1, out_ = -1, err_ = -1;
    std::string outBuf_, errBuf_;
};

// What a program that ran to its end printed, and its exit status.
struct Finished {
    int status;
    std::string out, err;
};

inline Finished RunToEnd(const std::string& program, const std::vector<std::string>& args) {
    Process p(program, args);
    Finished r;
    r.out = p.drainOut();
    r.err = p.drainErr();
    r.status = p.wait(std::chrono::seconds(60));
    return r;
}

}  // namespace dmm::test
