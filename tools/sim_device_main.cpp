// vantrel-simdev: a simulated serial device on a pseudo-terminal.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/pty_device.h"
#include "tools/sim_device.h"

namespace {

const char* const kHelp =
    "Usage: vantrel-simdev [options]\n"
    "A simulated serial device on a pseudo-terminal.\n"
    "\n"
    "Options:\n"
    "  --link PATH       make PATH a symlink to the device (its stable name)\n"
    "  --no-echo         do not echo received bytes (echo is on by default)\n"
    "  --answer CMD=REP  answer the command CMD with REP (escapes \\r \\n \\t \\\\ \\xHH);\n"
    "                    built in: AT\\r -> OK\\r\\n, ATI\\r -> name, PING\\r -> PONG\\r\\n\n"
    "  --stream N        send N bytes (0-9A-Z repeated) right after start\n"
    "  --rate R          bytes per second of --stream (default 1000)\n"
    "  --report          print every received chunk as \"rx <hex>\" on stdout\n"
    "  --help            this text\n"
    "\n"
    "Control, one command per line on stdin:\n"
    "  unplug            close the pty and remove the link (as pulling the adapter)\n"
    "  replug            a new pty behind the same link\n"
    "  stream N [R] [random]\n"
    "                    send N bytes at R bytes per second; random: bytes of any value\n"
    "  send TEXT         send TEXT (escapes as above)\n"
    "  echo on|off       switch the echo\n"
    "  answer CMD=REP    add or change a fixed answer\n"
    "  quit              remove the link and end\n"
    "Signals: SIGUSR1 = unplug, SIGUSR2 = replug, SIGTERM/SIGINT/SIGHUP = quit.\n"
    "Status lines on stdout: \"plugged <link> <pty>\", \"unplugged\", \"streamed N\" (a stream\n"
    "has been handed to the pty whole; a \"send\" during a stream goes out before its rest).\n";

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

bool splitAnswer(const std::string& text, std::string& command, std::string& reply) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) return false;
    const auto c = vantrel::parseEscapes(text.substr(0, eq));
    const auto r = vantrel::parseEscapes(text.substr(eq + 1));
    if (!c || !r || c->empty()) return false;
    command = *c;
    reply = *r;
    return true;
}

// Stream bytes are taken from the pacer only while the outbox holds less than this.
constexpr std::size_t kStreamChunk = 16384;

struct Simulator {
    vantrel::PtyDevice device;
    vantrel::DeviceBehaviour behaviour;
    vantrel::StreamPacer pacer;
    std::string link;
    // Everything for the program, in order (echo, answers, sends, the stream):
    // written as the pty takes it, so a full pty delays bytes and never drops them.
    std::string outbox;
    bool report = false;
    bool running = true;
    bool streaming = false;  // a stream whose end is not reported yet

    void startStream(std::uint64_t count, std::uint32_t rate, bool random = false) {
        pacer.start(count, rate, nowMs(), random);
        streaming = true;
    }

    void flush() {
        if (outbox.empty() || !device.isPlugged()) return;
        outbox.erase(0, device.writeNow(outbox));
    }

    void pull(std::int64_t now) {
        if (!pacer.active() || !device.isPlugged() || outbox.size() >= kStreamChunk) return;
        outbox += pacer.due(now, kStreamChunk - outbox.size());
    }

    void status() {
        if (device.isPlugged())
            std::printf("plugged %s %s\n", link.empty() ? "-" : link.c_str(), device.slavePath().c_str());
        else
            std::printf("unplugged\n");
        std::fflush(stdout);
    }

    void command(const std::string& line) {
        const auto sp = line.find(' ');
        const std::string verb = line.substr(0, sp);
        const std::string rest = sp == std::string::npos ? std::string() : line.substr(sp + 1);
        if (verb == "unplug") {
            device.unplug();
            outbox.clear();  // what was on its way is lost with the cable
            status();
        } else if (verb == "replug") {
            if (!device.replug()) std::fprintf(stderr, "vantrel-simdev: cannot make a new pty\n");
            status();
        } else if (verb == "stream") {
            unsigned long long n = 0, rate = 1000;
            char kind[16] = "";
            const int got = std::sscanf(rest.c_str(), "%llu %llu %15s", &n, &rate, kind);
            if (got >= 1 && (got < 3 || std::strcmp(kind, "random") == 0))
                startStream(n, unsigned(rate), got == 3);
            else
                std::fprintf(stderr, "vantrel-simdev: stream N [RATE] [random]\n");
        } else if (verb == "send") {
            const auto bytes = vantrel::parseEscapes(rest);
            if (bytes) outbox += *bytes;
            else std::fprintf(stderr, "vantrel-simdev: bad escape in: %s\n", rest.c_str());
        } else if (verb == "echo") {
            behaviour.setEcho(rest == "on");
        } else if (verb == "answer") {
            std::string c, r;
            if (splitAnswer(rest, c, r)) behaviour.setAnswer(c, r);
            else std::fprintf(stderr, "vantrel-simdev: answer CMD=REPLY\n");
        } else if (verb == "quit") {
            running = false;
        } else if (!verb.empty()) {
            std::fprintf(stderr, "vantrel-simdev: unknown command: %s\n", verb.c_str());
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    Simulator sim;
    unsigned long long streamCount = 0, streamRate = 1000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (a == "--link" && hasValue) {
            sim.link = argv[++i];
        } else if (a == "--no-echo") {
            sim.behaviour.setEcho(false);
        } else if (a == "--answer" && hasValue) {
            std::string c, r;
            if (!splitAnswer(argv[++i], c, r)) {
                std::fprintf(stderr, "vantrel-simdev: --answer CMD=REPLY\n");
                return 2;
            }
            sim.behaviour.setAnswer(c, r);
        } else if (a == "--stream" && hasValue) {
            streamCount = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--rate" && hasValue) {
            streamRate = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--report") {
            sim.report = true;
        } else {
            std::fprintf(stderr, "vantrel-simdev: unknown option %s (see --help)\n", a.c_str());
            return 2;
        }
    }

    sigset_t mask;
    sigemptyset(&mask);
    for (int s : {SIGUSR1, SIGUSR2, SIGTERM, SIGINT, SIGHUP}) sigaddset(&mask, s);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const int sigFd = signalfd(-1, &mask, SFD_CLOEXEC);

    if (!sim.device.open(sim.link)) {
        std::fprintf(stderr, "vantrel-simdev: cannot create the pty%s%s\n",
                     sim.link.empty() ? "" : " or the link ", sim.link.c_str());
        return 1;
    }
    sim.status();
    if (streamCount > 0) sim.startStream(streamCount, unsigned(streamRate));

    bool stdinOpen = true;
    std::string input;
    while (sim.running) {
        std::vector<pollfd> fds;
        fds.push_back({sigFd, POLLIN, 0});
        if (stdinOpen) fds.push_back({STDIN_FILENO, POLLIN, 0});
        const std::size_t masterAt = fds.size();
        if (sim.device.isPlugged()) fds.push_back({sim.device.masterFd(), POLLIN, 0});
        const int timeout = sim.pacer.active() ? 10 : 500;
        if (masterAt < fds.size() && !sim.outbox.empty()) fds[masterAt].events |= POLLOUT;
        if (poll(fds.data(), fds.size(), timeout) < 0) continue;

        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(sigFd, &info, sizeof info) == sizeof info) {
                if (info.ssi_signo == SIGUSR1) sim.command("unplug");
                else if (info.ssi_signo == SIGUSR2) sim.command("replug");
                else sim.running = false;
            }
        }
        if (stdinOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buf[1024];
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) {
                stdinOpen = false;  // started in the background: keep playing the device
            } else {
                input.append(buf, std::size_t(n));
                for (auto nl = input.find('\n'); nl != std::string::npos; nl = input.find('\n')) {
                    std::string line = input.substr(0, nl);
                    input.erase(0, nl + 1);
                    if (!line.empty() && line.back() == '\r') line.pop_back();
                    sim.command(line);
                }
            }
        }
        if (masterAt < fds.size() && sim.device.isPlugged() && (fds[masterAt].revents & POLLIN)) {
            const std::string got = sim.device.readAvailable();
            if (!got.empty()) {
                if (sim.report) {
                    std::printf("rx %s\n", hex(got).c_str());
                    std::fflush(stdout);
                }
                const std::string reply = sim.behaviour.onReceive(got);
                sim.outbox += reply;
            }
        }
        sim.flush();
        sim.pull(nowMs());
        sim.flush();
        if (sim.streaming && !sim.pacer.active() && sim.outbox.empty()) {
            sim.streaming = false;
            std::printf("streamed %llu\n", static_cast<unsigned long long>(sim.pacer.sent()));
            std::fflush(stdout);
        }
    }
    sim.device.unplug();
    return 0;
}
