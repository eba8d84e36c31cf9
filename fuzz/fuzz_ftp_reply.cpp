#include "covers/PassiveFtpClient.h"

#include <cstdlib>
#include <string>

// A control connection's bytes, fed in pieces: every line taken is a
// prefix-free piece of what came, and reading codes, PASV ports and URLs
// never faults.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    tb::FtpReplyReader reader;
    size_t piece = size > 0 ? data[0] % 32 + 1 : 1;
    size_t lines = 0;
    try {
        for (size_t at = 0; at < size; at += piece) {
            reader.Feed(bytes.data() + at, std::min(piece, size - at));
            while (auto line = reader.NextLine()) {
                if (line->size() >= tb::FtpReplyReader::MaxLine + piece || ++lines > size)
                    abort();
                try {
                    tb::FtpReplyReader::CodeOf(*line);
                    tb::PassiveDataPort(*line);
                } catch (const tb::PassiveFtpClientException&) {
                }
            }
        }
    } catch (const tb::PassiveFtpClientException& e) {
        if (e.Code() != 3)
            abort();
    }
    tb::ParseFtpUrl(tb::String(bytes));
    return 0;
}
