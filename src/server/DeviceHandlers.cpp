#include "server/DeviceHandlers.h"

#include "core/ActivityLog.h"
#include "core/Socket.h"
#include "library/NodeIndex.h"
#include "library/StreamLocator.h"
#include "server/ClientConnection.h"
#include "server/DeviceAdmission.h"
#include "server/DeviceRequest.h"
#include "server/GetRequestParser.h"
#include "server/HttpRequest.h"
#include "server/ResponseHeaders.h"
#include "server/ServerContext.h"
#include "web/UserList.h"

namespace tb {
namespace {

// The one-item listings a refused device gets. The name is fixed text.
const char* const ServerEntry =
    "<contentdataset><contentdata><name>Tune Bridge</name><nodeid>1</nodeid><branch/></contentdata>"
    "<totnumelem>1</totnumelem><fromindex>0</fromindex><numelem>1</numelem></contentdataset>";
const char* const ForbiddenEntry =
    "<contentdataset><contentdata><name>Access "
    "forbidden!</name><nodeid>1</nodeid><branch/></contentdata>"
    "<totnumelem>1</totnumelem><fromindex>0</fromindex><numelem>1</numelem></contentdataset>";

void SendXml(ServerContext& context, Socket& socket, const String& body) {
    socket.Write(Xml200(body.Length(), context.index.IndexTime().HttpDateText()) + body);
}

// A browse waits for a running rebuild and takes the current tree under the
// node index lock; the listing is then made from that tree, which its
// holder keeps alive and which never changes, and sent, without the lock:
// devices browse at once, and a client slow to read holds up nobody.
void Browse(ServerContext& context, ClientConnection& connection, const DeviceRequest& device,
            const UserList::Entry& user, std::string_view text) {
    HttpRequest request;
    {
        NodeIndex::Guard lock(context.index);
        request.tree = context.index.Tree();
    }
    MediaNode* node = request.tree->Get(device.NodeId());
    if (!node || node->IsPlayable())
        return;
    request.socket = &connection.GetSocket();
    request.log = &connection.Log();
    request.quitEvent = &connection.QuitEvent();
    request.baseUrl = BaseUrl(text);
    request.unitKey = device.unitKey;
    request.user = user;
    request.users = &context.users;
    request.peer = connection.GetSocket().PeerAddress();
    HttpAnswer answer =
        node->Browse(request, device.NumElem(), device.FromIndex(), device.SuperScroll());
    if (!answer.IsEmpty())
        answer.SendTo(connection.GetSocket());
}

} // namespace

void HandleDevicePost(ServerContext& context, ClientConnection& connection, const char* bytes,
                      int32_t count) {
    std::string_view text(bytes, static_cast<size_t>(count));
    std::optional<DeviceRequest> device = DeviceRequest::Parse(text);
    if (!device)
        return;
    Socket& socket = connection.GetSocket();
    IPAddress peer = socket.PeerAddress();
    UserList::Entry user = AdmitDevice(context, device->unitKey, peer, connection.Log());
    if (!user) {
        SendXml(context, socket, device->NamesANode() ? ForbiddenEntry : ServerEntry);
        return;
    }
    context.users.Touch(device->unitKey, peer.Address());
    if (device->IsInfo()) {
        context.users.SetStatus(device->unitKey, "Info", 0);
        connection.Log().AddLine("[" + context.users.NameOf(user) + "]: Pressed INFO!");
        SendXml(context, socket, "test");
        return;
    }
    Browse(context, connection, *device, user, text);
}

void HandleDeviceGet(ServerContext& context, HttpRequest& request) {
    String peer = request.peer.HostPortText();
    std::optional<StreamLocator> locator = StreamLocator::Parse(request.path.Mid(1).View());
    if (!locator) {
        request.log->AddLine("Malformed request received from " + peer);
        return;
    }
    // 32-bit wrap-around: node 80000000 must not overflow.
    auto index = static_cast<int32_t>(static_cast<uint32_t>(locator->nodeId) - 1u);
    if (!context.users.IsAuthorized(locator->unit, request.peer.Address())) {
        request.log->AddLine("Unauthorized access attempted from " + peer);
        return;
    }
    UserList::Entry user = context.users.FindById(locator->unit);
    request.tree = context.index.Tree();
    MediaNode* node = request.tree->Get(locator->nodeId); // At(index) would overflow
    if (!node || !node->IsPlayable()) {
        request.log->AddLine(
            String::Format("Attempted access to unknown file node (%d) from ", index) +
            context.users.NameOf(user) + " (" + peer + ")");
        return;
    }
    request.user = user;
    request.users = &context.users;
    request.nodeNumber = index;
    request.extra = static_cast<int32_t>(locator->extra);
    request.unitKey = locator->unit;
    node->Play(request);
}

} // namespace tb
