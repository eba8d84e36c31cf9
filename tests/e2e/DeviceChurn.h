#pragma once

#include "DeviceLibrary.h"

#include <random>
#include <string>
#include <vector>

namespace tb::test {

// A share whose files come and go while the server runs. It has a fixed
// number of slots, each a song path that is either absent or holds one of
// a few premade versions. The versions of a slot share its title
// ("Churn K") and differ in their bytes. Not thread-safe: one thread
// changes the files; the versions themselves never change and may be read
// from any thread.
class DeviceChurn {
public:
    // Makes the versions under `pool` (outside the share); the share folder
    // `share` gets a sub-folder so that some slots lie one level down.
    DeviceChurn(const std::string& pool, const std::string& share, int slots, int versions);

    // Puts version 0 into every other slot.
    void Populate();
    // Removes, replaces or adds the file of `operations` random slots. A new
    // file is written under a hidden name and renamed into place, so a
    // reader sees one whole version or the previous file.
    void Mutate(std::mt19937& rng, int operations);
    // The songs on disk now, as the server should list them.
    std::vector<DeviceSong> Present() const;

    // The slot whose songs carry this title, or -1.
    int SlotOfTitle(const std::string& title) const;
    bool IsVersionOf(int slot, const std::string& bytes) const;
    bool IsAnyVersion(const std::string& bytes) const;

private:
    std::string SlotPath(int slot) const;
    void Put(int slot, int version);

    std::string share_;
    std::vector<std::vector<DeviceSong>> versions_; // [slot][version]
    std::vector<int> present_;                      // version on disk, -1 when absent
};

} // namespace tb::test
