#pragma once

#include "delivery/DeliveryAnswers.h"
#include "library/IndexBuilder.h"
#include "library/NodeIndex.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "server/Dispatch.h"
#include "support/DeviceSimulator.h"
#include "support/TempDir.h"
#include "support/TestServer.h"
#include "web/UserList.h"
#include "web/WebUser.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>

namespace tb::test {

// The identity of the registered player most tests use.
constexpr const char* Identity = "0123456789abcdef";

// The real request handlers in the in-process server, over a library built
// from a temporary music folder and a user list the test fills.
struct DispatchServer : TestServer {
    DispatchServer() {
        Plug(dispatch);
        users.SetChangeHandler([this] { ++changes; });
    }
    ~DispatchServer() override { ShutdownOrAbort(); }

    TempDir music;
    ServiceList services;
    DeliveryAnswers answers;
    NodeIndex index{answers};
    UserList users;
    Dispatch dispatch{ServerContext{settings, index, users}};
    std::atomic<int> changes{0}; // calls of the user list's change handler
};

// A browser's GET of `path` as the web user "ann" with password "secret",
// with `more` header lines.
inline std::string BrowserGet(const std::string& path, const std::string& more = "") {
    return "GET " + path +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic YW5uOnNlY3JldA==\r\n" + more +
           "\r\n";
}

inline uint32_t NetAddress(const char* dotted) {
    in_addr address{};
    inet_pton(AF_INET, dotted, &address);
    return address.s_addr;
}

class DispatchTest : public testing::Test {
protected:
    // A share of that name on a new folder below the music folder.
    void AddShare(const std::string& name) {
        ServiceList::Guard lock(s.services);
        s.services.Items().push_back(
            std::make_shared<ShareService>(name.c_str(), "", s.music.MakeDir(name).c_str(), false));
        s.services.Sort();
    }
    void Build() { BuildIndex(s.index, s.services, IndexOptions(), s.log, nullptr); }
    UserList::Entry AddUser(const std::string& name, const std::string& id, uint32_t permission = 1,
                            uint32_t address = 0) {
        auto user = std::make_shared<WebUser>();
        user->name = name.c_str();
        user->id = String(std::string_view(id));
        user->password = "secret";
        user->permission = permission;
        user->address = address;
        s.users.Add(user);
        return user;
    }
    void Start() { ASSERT_NE(s.StartAndWait(), 0) << "the server did not start"; }
    // The index ID (a browser's node number) of the first node of that name.
    int32_t IdOf(const std::string& name) {
        auto tree = s.index.Tree();
        for (int32_t id = 0; id < tree->Count(); ++id)
            if (std::string(tree->At(id)->Name().View()) == name)
                return id;
        ADD_FAILURE() << "no node " << name;
        return -1;
    }
    // A player on the running server; its problems fail the test at the end.
    DeviceSimulator& Device(const std::string& identity = Identity,
                            const char* source = "127.0.0.1") {
        devices_.push_back(std::make_unique<DeviceSimulator>(s.port, identity, source));
        devices_.back()->answerTimeout = std::chrono::seconds(10);
        return *devices_.back();
    }
    void TearDown() override {
        for (const auto& device : devices_)
            EXPECT_TRUE(device->Problems().empty()) << FirstProblems(device->Problems());
    }
    // The entry's address binding, read under the list's lock.
    uint32_t AddressOf(const UserList::Entry& user) const {
        auto entries = s.users.Entries();
        auto at = std::find(entries.begin(), entries.end(), user) - entries.begin();
        return s.users.Copies().at(static_cast<size_t>(at))->address;
    }

    DispatchServer s;

private:
    std::vector<std::unique_ptr<DeviceSimulator>> devices_;
};

// A listing in short: "[folder]#id", "[marked folder]*#id" or "song#id",
// then "| totnumelem fromindex numelem"; "silence" without an answer.
inline std::string Outline(const DevicePage& page) {
    if (page.http.raw.empty())
        return "silence";
    if (!page.data)
        return "not a listing: " + page.error + ": " + Printable(page.http.raw.substr(0, 300));
    std::string text;
    for (const DeviceItem& item : page.data->items)
        text += (item.folder ? "[" + item.name + "]" + (item.marked ? "*" : "") : item.name) + "#" +
                std::to_string(item.nodeId) + ", ";
    return text + "| " + std::to_string(page.data->total) + " " + std::to_string(page.data->from) +
           " " + std::to_string(page.data->count);
}

// An ID3v1 tag: 30-byte title, artist and album, 4-byte year, the track
// number in the comment's last byte, the genre byte.
inline std::string Id3v1(std::string title, std::string artist, std::string album, std::string year,
                         char track, char genre) {
    for (std::string* field : {&title, &artist, &album})
        field->resize(30, ' ');
    year.resize(4, ' ');
    return "TAG" + title + artist + album + year + std::string(29, '\0') + track + genre;
}

} // namespace tb::test
