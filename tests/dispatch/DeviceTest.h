#pragma once

#include "dispatch/DispatchServer.h"
#include "dispatch/ExpectedAnswers.h"
#include "support/LoopbackClient.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tb::test {

// The identity and name of the registered player most tests use.
constexpr const char* Identity = "0123456789abcdef";
constexpr const char* PlayerName = "Player";

// A running dispatch server and the requests a device sends to it.
class DeviceTest : public ::testing::Test {
protected:
    // Starts the listener; fails the test when it does not come up.
    void Start();
    // Posts `body` as the device `identity` and returns all the server sent;
    // the server must close the connection.
    std::string Post(const std::string& identity, const std::string& body,
                     const char* source = "127.0.0.1");
    // A device GET of `target`; the server must close the connection.
    std::string Get(const std::string& target, const std::string& moreHeaders = std::string());
    // The listener still answers a ping.
    void ExpectServing();

    // Entity tags of the fixed answers and of browse listings.
    std::string FixedAnswerTag() const;
    std::string ListingTag() const;
    // The stream URL a listing gives the device `identity` for a song.
    std::string StreamUrl(const std::string& identity, int wireId) const;
    UserItem::Activity ActivityOf(const UserList::Entry& user) const;
    // The entry's address binding, read under the list's lock (server
    // threads write it).
    uint32_t AddressOf(const UserList::Entry& user) const;

    DispatchServer s;
};

// A browse request body naming `nodeId`, and one with a window too; the
// values go in as texts, so that any text can be tried.
std::string BrowseBody(const std::string& nodeId);
std::string BrowseBody(const std::string& nodeId, const std::string& fromIndex,
                       const std::string& numElem);
// A file's bytes.
std::string ReadFile(const std::string& path);
// A directory's entries in the order the file system lists them, without
// the hidden ones.
std::vector<std::string> DirectoryOrder(const std::string& path);

} // namespace tb::test
