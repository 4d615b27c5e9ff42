#pragma once

#include <memory>

#include "platform/net/NetworkFactory.h"

namespace fw {

class EventLoop;

// The network the program entry hands to the tool: the real sockets of this
// platform, driven by the given event loop.
std::unique_ptr<NetworkFactory> make_real_network(EventLoop& loop);

}  // namespace fw
