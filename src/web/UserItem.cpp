#include "web/UserItem.h"

#include "config/Registry.h"

namespace tb {
namespace {

uint32_t FromStored(uint32_t stored) {
    unsigned char octets[4] = {
        static_cast<unsigned char>(stored), static_cast<unsigned char>(stored >> 8),
        static_cast<unsigned char>(stored >> 16), static_cast<unsigned char>(stored >> 24)};
    uint32_t network;
    static_assert(sizeof network == sizeof octets);
    __builtin_memcpy(&network, octets, sizeof network);
    return network;
}

} // namespace

uint32_t UserItem::StoredAddress(uint32_t network) {
    unsigned char octets[4];
    __builtin_memcpy(octets, &network, sizeof octets);
    return octets[0] | octets[1] << 8 | octets[2] << 16 | static_cast<uint32_t>(octets[3]) << 24;
}

void UserItem::LoadCommon(Registry& key) {
    key.GetString("Name", name, false);
    key.GetString("EMail", email, false);
    key.GetNumber("Permission", permission);
    uint32_t stored = 0;
    if (key.GetNumber("IPAddress", stored))
        address = FromStored(stored);
}

void UserItem::SaveCommon(Registry& key) const {
    key.SetString("Name", name);
    key.SetString("EMail", email);
    key.SetNumber("Permission", permission);
    key.SetDword("IPAddress", StoredAddress(address));
}

} // namespace tb
