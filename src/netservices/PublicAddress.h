#pragma once

#include "netservices/EchoSite.h"

#include <cstdint>
#include <vector>

namespace tb {

// What the public address search reports to; every false answer cancels.
// Steps: 0 looking the site up, 1 connecting, 2 asking, 3 reading the
// answer; `number` is the site's position in this search.
class AddressSearchProgress {
public:
    virtual ~AddressSearchProgress() = default;
    virtual bool Begin() = 0;
    virtual bool End() = 0;
    virtual bool Status(int step, int number) = 0;
};

// Asks the sites, in random order, from which address they see this
// computer, and returns the first address one of them names (network
// order); 0 when none does or the search was cancelled. A site that cannot
// be looked up, reached or read, or whose answer holds no address, is
// passed over. Each network step waits at most `timeoutMs`. Blocks; meant
// for the GUI thread with a progress that keeps the window alive.
uint32_t DetectPublicAddress(const std::vector<EchoSite>& sites, AddressSearchProgress* progress,
                             int32_t timeoutMs = 5000);

} // namespace tb
