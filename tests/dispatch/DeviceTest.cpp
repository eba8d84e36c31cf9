#include "dispatch/DeviceTest.h"

#include <dirent.h>
#include <fstream>
#include <sstream>

namespace tb::test {

void DeviceTest::Start() {
    ASSERT_NE(s.Start(), 0) << "the server did not start";
}

std::string DeviceTest::Post(const std::string& identity, const std::string& body,
                             const char* source) {
    bool closed = false;
    std::string answer = Exchange(s.port, PostText(identity, body, s.port), closed, {source, 0});
    EXPECT_TRUE(closed) << "the connection stayed open after a POST";
    return answer;
}

std::string DeviceTest::Get(const std::string& target, const std::string& moreHeaders) {
    bool closed = false;
    std::string answer = Exchange(s.port, DeviceGetText(target, s.port, moreHeaders), closed);
    EXPECT_TRUE(closed) << "the connection stayed open after a device GET";
    return answer;
}

void DeviceTest::ExpectServing() {
    bool closed = false;
    std::string answer = Exchange(s.port, "GET /ping HTTP/1.0\r\n\r\n", closed);
    EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << "the server stopped serving";
}

std::string DeviceTest::FixedAnswerTag() const {
    return HttpDate(s.index.IndexTime().FileTime());
}

std::string DeviceTest::ListingTag() const {
    return TimeTag(s.index.IndexTime().FileTime());
}

std::string DeviceTest::StreamUrl(const std::string& identity, int wireId) const {
    return "http://127.0.0.1:" + std::to_string(s.port) + "/" + identity + "." +
           Hex8(static_cast<uint32_t>(wireId));
}

UserItem::Activity DeviceTest::ActivityOf(const UserList::Entry& user) const {
    return s.users.ActivityOf(user);
}

uint32_t DeviceTest::AddressOf(const UserList::Entry& user) const {
    auto entries = s.users.Entries();
    auto copies = s.users.Copies();
    for (size_t i = 0; i < entries.size() && i < copies.size(); ++i)
        if (entries[i] == user)
            return copies[i]->address;
    ADD_FAILURE() << "the entry is not in the list";
    return 0;
}

std::string BrowseBody(const std::string& nodeId) {
    return "<requestnavdata><nodeid>" + nodeId + "</nodeid></requestnavdata>";
}

std::string BrowseBody(const std::string& nodeId, const std::string& fromIndex,
                       const std::string& numElem) {
    return "<requestnavdata><nodeid>" + nodeId + "</nodeid><fromindex>" + fromIndex +
           "</fromindex><numelem>" + numElem + "</numelem></requestnavdata>";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> DirectoryOrder(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

} // namespace tb::test
