#include "support/ScriptedServer.h"

#include "core/Exceptions.h"
#include "core/Socket.h"

#include <arpa/inet.h>
#include <chrono>

namespace tb::test {

ScriptedServer::ScriptedServer(Script script, bool hold)
    : ScriptedServer(RequestScript([script = std::move(script), n = 0](const std::string&) mutable {
          return script(n++);
      })) {
    hold_ = hold;
}

ScriptedServer::ScriptedServer(RequestScript script)
    : listener_(IPAddress(htonl(INADDR_LOOPBACK), 0)), script_(std::move(script)),
      thread_([this] { Serve(); }) {}

ScriptedServer::~ScriptedServer() {
    stop_ = true;
    listener_.Interrupt();
    thread_.join();
}

std::vector<std::string> ScriptedServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void ScriptedServer::Serve() {
    while (!stop_) {
        std::unique_ptr<Socket> client;
        try {
            client = listener_.Accept(0);
            client->SetTimeout(5000);
            std::string request;
            char buffer[1000];
            while (request.find("\r\n\r\n") == std::string::npos)
                request.append(buffer, static_cast<size_t>(client->Read(buffer, 1000)));
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            std::string answer = script_(request);
            client->Write(answer.data(), static_cast<int32_t>(answer.size()));
            while (hold_ && !stop_)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } catch (const SocketException&) {
            // a client that left, or the end of the test
        }
    }
}

} // namespace tb::test
