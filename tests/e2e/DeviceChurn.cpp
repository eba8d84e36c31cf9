#include "DeviceChurn.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace tb::test {

DeviceChurn::DeviceChurn(const std::string& pool, const std::string& share, int slots, int versions)
    : share_(share), versions_(static_cast<size_t>(slots)),
      present_(static_cast<size_t>(slots), -1) {
    std::filesystem::create_directories(share_ + "/sub");
    DeviceSongMaker maker(pool + "/.staging");
    for (int s = 0; s < slots; ++s)
        for (int v = 0; v < versions; ++v)
            maker.Add(pool + "/slot " + std::to_string(s) + " v" + std::to_string(v) + ".mp3",
                      1 + (s + v) % 4,
                      {"Churn " + std::to_string(s), "Churner", "Version " + std::to_string(v),
                       std::to_string(s), "Noise", "2024"});
    std::vector<DeviceSong> made = maker.Make();
    for (size_t i = 0; i < made.size(); ++i)
        versions_[i / static_cast<size_t>(versions)].push_back(made[i]);
}

std::string DeviceChurn::SlotPath(int slot) const {
    return share_ + (slot % 2 ? "/sub" : "") + "/churn " + std::to_string(slot) + ".mp3";
}

void DeviceChurn::Put(int slot, int version) {
    std::string temporary = share_ + "/.incoming";
    std::ofstream(temporary, std::ios::binary | std::ios::trunc)
        << versions_[static_cast<size_t>(slot)][static_cast<size_t>(version)].bytes;
    std::filesystem::rename(temporary, SlotPath(slot));
    present_[static_cast<size_t>(slot)] = version;
}

void DeviceChurn::Populate() {
    for (int s = 0; s < static_cast<int>(present_.size()); s += 2)
        Put(s, 0);
}

void DeviceChurn::Mutate(std::mt19937& rng, int operations) {
    for (int i = 0; i < operations; ++i) {
        int slot = static_cast<int>(rng() % present_.size());
        int current = present_[static_cast<size_t>(slot)];
        int count = static_cast<int>(versions_[static_cast<size_t>(slot)].size());
        if (current >= 0 && rng() % 2 == 0) {
            std::remove(SlotPath(slot).c_str());
            present_[static_cast<size_t>(slot)] = -1;
        } else {
            Put(slot, (current + 1 + static_cast<int>(rng() % (count - 1))) % count);
        }
    }
}

std::vector<DeviceSong> DeviceChurn::Present() const {
    std::vector<DeviceSong> songs;
    for (size_t s = 0; s < present_.size(); ++s) {
        if (present_[s] < 0)
            continue;
        DeviceSong song = versions_[s][static_cast<size_t>(present_[s])];
        song.path = SlotPath(static_cast<int>(s));
        songs.push_back(song);
    }
    return songs;
}

int DeviceChurn::SlotOfTitle(const std::string& title) const {
    for (size_t s = 0; s < versions_.size(); ++s)
        if (versions_[s].front().tags.title == title)
            return static_cast<int>(s);
    return -1;
}

bool DeviceChurn::IsVersionOf(int slot, const std::string& bytes) const {
    if (slot < 0 || slot >= static_cast<int>(versions_.size()))
        return false;
    for (const DeviceSong& version : versions_[static_cast<size_t>(slot)])
        if (version.bytes == bytes)
            return true;
    return false;
}

bool DeviceChurn::IsAnyVersion(const std::string& bytes) const {
    for (size_t s = 0; s < versions_.size(); ++s)
        if (IsVersionOf(static_cast<int>(s), bytes))
            return true;
    return false;
}

} // namespace tb::test
