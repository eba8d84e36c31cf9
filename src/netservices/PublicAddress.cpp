#include "netservices/PublicAddress.h"

#include "core/Exceptions.h"
#include "core/IPAddress.h"
#include "core/Socket.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <string>

namespace tb {
namespace {

constexpr int32_t AnswerLimit = 999;

// Three passes of swaps with random partners, as the search always did.
std::vector<size_t> RandomOrder(size_t count) {
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::minstd_rand random(std::random_device{}());
    for (int pass = 0; pass < 3 && count > 0; ++pass)
        for (size_t k = 0; k < count; ++k)
            std::swap(order[k], order[random() % count]);
    return order;
}

// The start of the site's answer: up to 999 bytes, read until the site
// closes, the limit is reached or the time-out passes.
std::string Ask(Socket& socket, const EchoSite& site) {
    socket.Write("GET " + site.path + " HTTP/1.1\r\nHost: " + site.host +
                 "\r\nAccept: */*\r\nConnection: close\r\n\r\n");
    std::string answer;
    char buffer[AnswerLimit];
    try {
        while (answer.size() < AnswerLimit) {
            int32_t n = socket.Read(buffer, AnswerLimit - static_cast<int32_t>(answer.size()));
            answer.append(buffer, static_cast<size_t>(n));
        }
    } catch (const SocketException&) {
        // The end of the answer, or of the time allowed: what came counts.
    }
    return answer;
}

enum class Outcome { Found, NotFound, Cancelled };

Outcome AskSite(const EchoSite& site, int number, AddressSearchProgress* progress,
                int32_t timeoutMs, uint32_t& address) {
    auto proceed = [&](int step) { return !progress || progress->Status(step, number); };
    if (!proceed(0))
        return Outcome::Cancelled;
    std::optional<IPAddress> server = IPAddress::Resolve(site.host.c_str(), site.port);
    if (!server || server->Address() == 0)
        return Outcome::NotFound;
    if (!proceed(1))
        return Outcome::Cancelled;
    try {
        Socket socket(timeoutMs);
        socket.Connect(*server);
        if (!proceed(2))
            return Outcome::Cancelled;
        std::string answer;
        answer = Ask(socket, site);
        if (!proceed(3))
            return Outcome::Cancelled;
        std::optional<uint32_t> found = AddressAfterMarker(answer, site.marker.View());
        if (!found)
            return Outcome::NotFound;
        address = *found;
        return Outcome::Found;
    } catch (const SocketException&) {
        return Outcome::NotFound;
    }
}

} // namespace

uint32_t DetectPublicAddress(const std::vector<EchoSite>& sites, AddressSearchProgress* progress,
                             int32_t timeoutMs) {
    if (progress && !progress->Begin())
        return 0;
    std::vector<size_t> order = RandomOrder(sites.size());
    for (size_t i = 0; i < order.size(); ++i) {
        uint32_t address = 0;
        switch (AskSite(sites[order[i]], static_cast<int>(i), progress, timeoutMs, address)) {
        case Outcome::Cancelled:
            return 0;
        case Outcome::Found:
            return progress && !progress->End() ? 0 : address;
        case Outcome::NotFound:
            break;
        }
    }
    if (progress)
        progress->End();
    return 0;
}

} // namespace tb
