// A mosquitto broker of the tests' own on a free loopback port, with persistence on (a
// persistent QoS 1 subscriber keeps its session over a graceful restart), and subscribers
// that print "topic payload" lines.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"
#include "support/tempdir.h"

namespace dmm::test {

inline int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

inline bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

class Broker {
public:
    // `users` holds "user:password" lines; with any, anonymous clients are refused.
    explicit Broker(const std::filesystem::path& dir, std::vector<std::string> users = {},
                    int port = 0)
        : dir_(dir), port_(port ? port : FreeLoopbackPort()) {
        std::ofstream conf(dir_ / "broker.conf");
        const passwd* me = getpwuid(getuid());
        // Run as root, mosquitto would turn into its own user, who cannot write here.
        if (me) conf << "user " << me->pw_name << "\n";
        conf << "listener " << port_ << " 127.0.0.1\n"
             << "persistence true\npersistence_location " << (dir_ / "").string() << "\n"
             << "log_dest file " << (dir_ / "broker.log").string() << "\n";
        if (users.empty()) {
            conf << "allow_anonymous true\n";
        } else {
            const std::string file = (dir_ / "passwords").string();
            std::ofstream(file).close();
            for (const std::string& u : users) {
                const std::size_t colon = u.find(':');
                Process add(MOSQUITTO_PASSWD_PATH,
                            {"-b", file, u.substr(0, colon), u.substr(colon + 1)});
                add.wait(std::chrono::seconds(10));
            }
            conf << "allow_anonymous false\npassword_file " << file << "\n";
        }
        conf.close();
        Start();
    }
    ~Broker() { Stop(); }

    void Start() {
        process_ = std::make_unique<Process>(
            MOSQUITTO_PATH, std::vector<std::string>{"-c", (dir_ / "broker.conf").string()});
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Accepts(port_) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // A graceful stop: the broker saves its sessions first.
    void Stop() {
        if (!process_) return;
        process_->signal(SIGTERM);
        process_->wait(std::chrono::seconds(10));
        process_.reset();
    }
    int port() const { return port_; }
    std::string url(const std::string& prefix) const {
        return "mqtt://127.0.0.1:" + std::to_string(port_) + "/" + prefix;
    }
    std::string log() const { return ReadBytes((dir_ / "broker.log").string()); }

private:
    std::filesystem::path dir_;
    int port_;
    std::unique_ptr<Process> process_;
};

// mosquitto_sub printing "topic payload" lines. A persistent subscriber (an id given)
// keeps its session and its QoS 1 messages over a broker restart.
class Subscriber {
public:
    Subscriber(const Broker& broker, const std::vector<std::string>& topics,
               const std::string& persistentId = {}, const std::vector<std::string>& more = {}) {
        std::vector<std::string> args{"-h", "127.0.0.1", "-p", std::to_string(broker.port()),
                                      "-v", "-q",        "1"};
        if (!persistentId.empty()) args.insert(args.end(), {"-c", "-i", persistentId});
        for (const std::string& t : topics) args.insert(args.end(), {"-t", t});
        args.insert(args.end(), more.begin(), more.end());
        process_ = std::make_unique<Process>(MOSQUITTO_SUB_PATH, args);
    }
    // Publishes on `probeTopic` (one the subscriber listens to) until it comes back: the
    // subscription stands then.
    bool WaitReady(const Broker& broker, const std::string& probeTopic) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            Process pub(MOSQUITTO_PUB_PATH, {"-h", "127.0.0.1", "-p", std::to_string(broker.port()),
                                             "-t", probeTopic, "-m", "probe"});
            pub.wait(std::chrono::seconds(5));
            if (auto line = process_->readLine(std::chrono::milliseconds(300))) {
                if (line->rfind(probeTopic + " ", 0) == 0) return true;
                lines_.push_back(*line);
            }
        }
        return false;
    }
    // The next line, or nothing by the deadline.
    std::optional<std::string> Next(std::chrono::milliseconds timeout) {
        if (!lines_.empty()) {
            std::string line = lines_.front();
            lines_.erase(lines_.begin());
            return line;
        }
        return process_->readLine(timeout);
    }
    Process& process() { return *process_; }

private:
    std::unique_ptr<Process> process_;
    std::vector<std::string> lines_;
};

}  // namespace dmm::test
