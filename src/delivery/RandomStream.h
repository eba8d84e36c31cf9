#pragma once

namespace tb {

class RandomStreamNode;
struct HttpRequest;

// The endless random stream: songs drawn at random from the node's songs,
// one after another over one answer without a length, with the song
// titles as ICY metadata when the client asked for them. Ends on a write
// failure (which throws), at shutdown, when a drawn file cannot be opened
// (after its log line), or at once when the node has no songs; the
// connection is then closed.
void PlayRandomStream(RandomStreamNode& stream, HttpRequest& request);

} // namespace tb
