// The load client of the device benchmark. It drives every server the same
// way, so that the figures of our server, nginx and the bare loop compare.
//
//   load_client requests PORT REQUEST_FILE CONCURRENCY SECONDS MAX_REQUESTS
//       CONCURRENCY threads, each in a loop: connect, send the request (the
//       raw bytes of REQUEST_FILE), read the answer until the server closes,
//       check it (status 200, the body as long as its Content-Length), close.
//       One connection per request, as a device does. Stops after SECONDS or
//       MAX_REQUESTS requests, whichever comes first.
//   load_client keepalive PORT REQUEST_FILE CONCURRENCY SECONDS MAX_REQUESTS
//       The same, but each thread keeps its connection and sends the next
//       request once the answer's Content-Length bytes are in, as a browser
//       does over HTTP/1.1. A connection the server ends (or announces to end
//       with "Connection: close") is replaced; connections= counts them all.
//   load_client streams PORT REQUEST_FILE CONCURRENCY SECONDS
//       CONCURRENCY connections at once, each sending the request once and
//       reading the whole body as fast as it can; an answer not complete
//       after SECONDS counts as an error.
//   load_client timed PORT REQUEST_FILE CONCURRENCY SECONDS
//       CONCURRENCY connections at once, each sending the request and reading
//       the body as fast as it can for SECONDS, for endless streams (no
//       Content-Length needed). A body that ends before then is asked for
//       again on a new connection (reconnects= counts them), so finite files
//       serve as endless ones. With "icy-metaint: N" in the answer, the first
//       metadata block of each answer is checked ("StreamTitle='..."). Status
//       200 and 203 (a relayed radio station) are answers.
//   load_client idle PORT COUNT SECONDS
//       opens COUNT connections that send nothing, prints "open COUNT" and
//       keeps them for SECONDS.
//
// Prints one line of name=value pairs. Bodies are discarded in the kernel
// (recv with MSG_TRUNC), so the client spends as little CPU as a TCP reader
// can: client and server share the machine's cores.
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int ReceiveTimeoutSeconds = 10;
constexpr size_t DiscardStep = 1 << 20;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A connected socket, closed when it goes out of scope.
class Connection {
public:
    explicit Connection(uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        timeval timeout{ReceiveTimeoutSeconds, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (fd_ >= 0 &&
            ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~Connection() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

private:
    int fd_;
};

bool SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// The answer's header block, and the body bytes that came with it.
struct Head {
    int status = 0;
    long long contentLength = -1;
    size_t bodyBytesRead = 0;
    bool closes = false; // "Connection: close"
    long long metaint = -1;
    std::string body; // the body bytes that came with the head
};

// The text after the first header line starting with `name`, or null.
const char* HeaderValue(const std::string& header, const char* name) {
    size_t length = std::strlen(name);
    for (size_t at = header.find('\n'); at != std::string::npos; at = header.find('\n', at + 1))
        if (strncasecmp(header.c_str() + at + 1, name, length) == 0)
            return header.c_str() + at + 1 + length;
    return nullptr;
}

long long ContentLengthOf(const std::string& header) {
    const char* value = HeaderValue(header, "content-length:");
    return value ? std::atoll(value) : -1;
}

bool ClosesConnection(const std::string& header) {
    const char* value = HeaderValue(header, "connection:");
    if (!value)
        return false;
    while (*value == ' ')
        ++value;
    return strncasecmp(value, "close", 5) == 0;
}

bool ReadHead(int fd, Head& head) {
    std::string text;
    char buffer[16384];
    size_t end;
    while ((end = text.find("\r\n\r\n")) == std::string::npos) {
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || text.size() > 65536)
            return false;
        text.append(buffer, static_cast<size_t>(n));
    }
    if (std::sscanf(text.c_str(), "HTTP/%*d.%*d %d", &head.status) != 1)
        return false;
    std::string header = text.substr(0, end + 2);
    head.contentLength = ContentLengthOf(header);
    head.closes = ClosesConnection(header);
    const char* metaint = HeaderValue(header, "icy-metaint:");
    head.metaint = metaint ? std::atoll(metaint) : -1;
    head.bodyBytesRead = text.size() - end - 4;
    head.body = text.substr(end + 4);
    return true;
}

// Discards up to `limit` bytes (all until the peer closes when negative);
// returns how many came, or -1 on an error or at `deadline`.
long long Discard(int fd, long long limit, Clock::time_point deadline) {
    long long got = 0;
    while (limit < 0 || got < limit) {
        size_t want = limit < 0 ? DiscardStep : std::min<size_t>(DiscardStep, limit - got);
        ssize_t n = ::recv(fd, nullptr, want, MSG_TRUNC);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || Clock::now() > deadline)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

// One request on its own connection, read until the server closes.
// Returns the body length, or -1 when anything is wrong.
long long OneRequest(uint16_t port, const std::string& request, Clock::time_point deadline) {
    Connection c(port);
    Head head;
    if (!c.IsOpen() || !SendAll(c.Fd(), request) || !ReadHead(c.Fd(), head))
        return -1;
    long long rest = Discard(c.Fd(), -1, deadline + std::chrono::seconds(ReceiveTimeoutSeconds));
    long long body = static_cast<long long>(head.bodyBytesRead) + rest;
    if (head.status != 200 || rest < 0 || body != head.contentLength)
        return -1;
    return body;
}

// One answer on a kept connection: the request sent, the head and exactly
// Content-Length body bytes read. Returns the body length, or -1 when
// anything is wrong; `closes` tells whether the connection can go on.
long long OneKeptRequest(int fd, const std::string& request, Clock::time_point deadline,
                         bool& closes) {
    Head head;
    closes = true;
    if (!SendAll(fd, request) || !ReadHead(fd, head))
        return -1;
    if (head.status != 200 || head.contentLength < 0)
        return -1;
    long long want = head.contentLength - static_cast<long long>(head.bodyBytesRead);
    if (want < 0)
        return -1; // more bytes than announced
    long long got = Discard(fd, want, deadline + std::chrono::seconds(ReceiveTimeoutSeconds));
    if (got != want)
        return -1;
    closes = head.closes;
    return head.contentLength;
}

struct Percentiles {
    double p50 = 0, p99 = 0, max = 0;
};

Percentiles PercentilesOf(std::vector<double>& values) {
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    auto at = [&](double q) { return values[static_cast<size_t>(q * (values.size() - 1))]; };
    return {at(0.50), at(0.99), values.back()};
}

int RunRequests(uint16_t port, const std::string& request, int concurrency, double seconds,
                long long maxRequests, bool keepAlive) {
    std::atomic<long long> started{0}, errors{0}, connections{0};
    std::atomic<long long> bodyBytes{-1};
    std::mutex latenciesMutex;
    std::vector<double> latencies;
    double cpuBefore = CpuSeconds();
    Clock::time_point start = Clock::now();
    Clock::time_point deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto work = [&] {
        std::vector<double> mine;
        std::unique_ptr<Connection> kept;
        while (Clock::now() < deadline && started.fetch_add(1) < maxRequests) {
            Clock::time_point t = Clock::now();
            long long body = -1;
            if (!keepAlive) {
                ++connections;
                body = OneRequest(port, request, deadline);
            } else {
                if (!kept) {
                    kept = std::make_unique<Connection>(port);
                    ++connections;
                }
                bool closes = true;
                if (kept->IsOpen())
                    body = OneKeptRequest(kept->Fd(), request, deadline, closes);
                if (closes)
                    kept.reset();
            }
            if (body < 0)
                ++errors;
            else
                bodyBytes = body;
            mine.push_back(SecondsSince(t) * 1000);
        }
        std::lock_guard lock(latenciesMutex);
        latencies.insert(latencies.end(), mine.begin(), mine.end());
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < concurrency; ++i)
        threads.emplace_back(work);
    for (std::thread& t : threads)
        t.join();
    double wall = SecondsSince(start);
    long long done = static_cast<long long>(latencies.size()) - errors;
    Percentiles p = PercentilesOf(latencies);
    std::printf("requests=%lld errors=%lld seconds=%.3f requests_per_s=%.0f body_bytes=%lld "
                "p50_ms=%.3f p99_ms=%.3f max_ms=%.3f client_cpu_seconds=%.3f",
                done, errors.load(), wall, done / wall, bodyBytes.load(), p.p50, p.p99, p.max,
                CpuSeconds() - cpuBefore);
    // Only in the new mode, so that lines of the other modes stay as they were.
    if (keepAlive)
        std::printf(" connections=%lld", connections.load());
    std::printf("\n");
    return 0;
}

// One stream: the body length read, or -1 when the answer was not complete.
long long OneStream(uint16_t port, const std::string& request, Clock::time_point deadline) {
    Connection c(port);
    Head head;
    if (!c.IsOpen() || !SendAll(c.Fd(), request) || !ReadHead(c.Fd(), head))
        return -1;
    if (head.status != 200 || head.contentLength < 0)
        return -1;
    long long want = head.contentLength - static_cast<long long>(head.bodyBytesRead);
    long long got = Discard(c.Fd(), want, deadline);
    return got == want ? head.contentLength : -1;
}

int RunStreams(uint16_t port, const std::string& request, int concurrency, double seconds) {
    std::atomic<long long> bytes{0}, errors{0}, ready{0};
    std::atomic<bool> go{false};
    std::vector<double> rates(static_cast<size_t>(concurrency), 0.0);
    Clock::time_point start, deadline;
    auto work = [&](size_t index) {
        ++ready;
        while (!go.load())
            std::this_thread::yield();
        long long got = OneStream(port, request, deadline);
        if (got < 0) {
            ++errors;
            return;
        }
        bytes += got;
        rates[index] = got / SecondsSince(start) / 1e6;
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < concurrency; ++i)
        threads.emplace_back(work, static_cast<size_t>(i));
    while (ready.load() < concurrency)
        std::this_thread::yield();
    double cpuBefore = CpuSeconds();
    start = Clock::now();
    deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    go = true;
    for (std::thread& t : threads)
        t.join();
    double wall = SecondsSince(start);
    std::vector<double> finished;
    for (double r : rates)
        if (r > 0)
            finished.push_back(r);
    std::sort(finished.begin(), finished.end());
    std::printf("streams=%d errors=%lld bytes=%lld seconds=%.3f mb_per_s=%.1f "
                "slowest_mb_per_s=%.1f fastest_mb_per_s=%.1f client_cpu_seconds=%.3f\n",
                concurrency, errors.load(), bytes.load(), wall, bytes.load() / wall / 1e6,
                finished.empty() ? 0.0 : finished.front(), finished.empty() ? 0.0 : finished.back(),
                CpuSeconds() - cpuBefore);
    return 0;
}

// Takes `count` bytes of the body: first from `pending` (what came with the
// head), then from the socket, keeping them only when `keep` is given.
bool TakeBody(int fd, std::string& pending, size_t count, std::string* keep) {
    size_t fromPending = std::min(count, pending.size());
    if (keep)
        keep->append(pending, 0, fromPending);
    pending.erase(0, fromPending);
    count -= fromPending;
    char buffer[4096];
    while (count > 0) {
        size_t want = std::min(count, sizeof buffer);
        ssize_t n = keep ? ::recv(fd, buffer, want, 0) : ::recv(fd, nullptr, want, MSG_TRUNC);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (keep)
            keep->append(buffer, static_cast<size_t>(n));
        count -= static_cast<size_t>(n);
    }
    return true;
}

// The first metadata block: after `metaint` audio bytes, a length byte (in
// 16-byte units) and the text. Returns the body bytes taken, or -1 when the
// block is not what a player expects.
long long CheckFirstMetadata(int fd, Head& head) {
    std::string length, block;
    auto metaint = static_cast<size_t>(head.metaint);
    if (!TakeBody(fd, head.body, metaint, nullptr) || !TakeBody(fd, head.body, 1, &length))
        return -1;
    size_t size = static_cast<unsigned char>(length[0]) * 16u;
    if (!TakeBody(fd, head.body, size, &block))
        return -1;
    if (size > 0 && block.compare(0, 13, "StreamTitle='") != 0)
        return -1;
    return static_cast<long long>(metaint + 1 + size);
}

struct TimedTotals {
    std::atomic<long long> bytes{0}, errors{0}, reconnects{0}, checked{0};
};

// One client of the timed mode: its body bytes until the deadline.
long long TimedClient(uint16_t port, const std::string& request, Clock::time_point deadline,
                      TimedTotals& totals) {
    long long got = 0;
    for (bool first = true; Clock::now() < deadline; first = false) {
        Connection c(port);
        Head head;
        // A relayed radio station answers 203.
        if (!c.IsOpen() || !SendAll(c.Fd(), request) || !ReadHead(c.Fd(), head) ||
            (head.status != 200 && head.status != 203)) {
            ++totals.errors;
            return got;
        }
        if (!first)
            ++totals.reconnects;
        if (head.metaint > 0) {
            long long taken = CheckFirstMetadata(c.Fd(), head);
            if (taken < 0) {
                ++totals.errors;
                return got;
            }
            ++totals.checked;
            got += taken;
        }
        got += static_cast<long long>(head.body.size());
        for (;;) {
            ssize_t n = ::recv(c.Fd(), nullptr, DiscardStep, MSG_TRUNC);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                ++totals.errors;
                return got;
            }
            if (n == 0)
                break; // a finite body: ask again
            got += n;
            if (Clock::now() >= deadline)
                return got;
        }
    }
    return got;
}

int RunTimed(uint16_t port, const std::string& request, int concurrency, double seconds) {
    TimedTotals totals;
    std::atomic<long long> ready{0};
    std::atomic<bool> go{false};
    std::vector<double> rates(static_cast<size_t>(concurrency), 0.0);
    Clock::time_point start, deadline;
    auto work = [&](size_t index) {
        ++ready;
        while (!go.load())
            std::this_thread::yield();
        long long got = TimedClient(port, request, deadline, totals);
        totals.bytes += got;
        rates[index] = got / SecondsSince(start) / 1e6;
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < concurrency; ++i)
        threads.emplace_back(work, static_cast<size_t>(i));
    while (ready.load() < concurrency)
        std::this_thread::yield();
    double cpuBefore = CpuSeconds();
    start = Clock::now();
    deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    go = true;
    for (std::thread& t : threads)
        t.join();
    double wall = SecondsSince(start);
    std::sort(rates.begin(), rates.end());
    std::printf("streams=%d errors=%lld bytes=%lld seconds=%.3f mb_per_s=%.1f "
                "slowest_mb_per_s=%.4f fastest_mb_per_s=%.4f reconnects=%lld "
                "metadata_checked=%lld client_cpu_seconds=%.3f\n",
                concurrency, totals.errors.load(), totals.bytes.load(), wall,
                totals.bytes.load() / wall / 1e6, rates.front(), rates.back(),
                totals.reconnects.load(), totals.checked.load(), CpuSeconds() - cpuBefore);
    return 0;
}

int RunIdle(uint16_t port, int count, double seconds) {
    std::vector<int> sockets;
    for (int i = 0; i < count; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::printf("failed after %d connections: %s\n", i, std::strerror(errno));
            return 1;
        }
        sockets.push_back(fd);
    }
    std::printf("open %d\n", count);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    for (int fd : sockets)
        ::close(fd);
    return 0;
}

bool ReadFile(const char* path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.good() || in.eof();
}

int Usage() {
    std::fprintf(stderr, "usage: load_client requests PORT REQUEST_FILE CONCURRENCY SECONDS MAX\n"
                         "       load_client keepalive PORT REQUEST_FILE CONCURRENCY SECONDS MAX\n"
                         "       load_client streams PORT REQUEST_FILE CONCURRENCY SECONDS\n"
                         "       load_client timed PORT REQUEST_FILE CONCURRENCY SECONDS\n"
                         "       load_client idle PORT COUNT SECONDS\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5)
        return Usage();
    std::string mode = argv[1];
    auto port = static_cast<uint16_t>(std::atoi(argv[2]));
    if (mode == "idle")
        return RunIdle(port, std::atoi(argv[3]), std::atof(argv[4]));
    std::string request;
    if (argc < 6 || !ReadFile(argv[3], request) || request.empty())
        return Usage();
    int concurrency = std::max(1, std::atoi(argv[4]));
    if ((mode == "requests" || mode == "keepalive") && argc == 7)
        return RunRequests(port, request, concurrency, std::atof(argv[5]), std::atoll(argv[6]),
                           mode == "keepalive");
    if (mode == "streams")
        return RunStreams(port, request, concurrency, std::atof(argv[5]));
    if (mode == "timed")
        return RunTimed(port, request, concurrency, std::atof(argv[5]));
    return Usage();
}
