#include "app/RealNetwork.h"

#include "platform/net/InertNetworkFactory.h"

namespace fw {

// Interim: the POSIX socket layer is not part of this build yet, so the
// program runs on a network with nothing on it. Replace with the POSIX
// factory once it is available.
std::unique_ptr<NetworkFactory> make_real_network(EventLoop& loop) {
    (void)loop;
    return std::make_unique<InertNetworkFactory>();
}

}  // namespace fw
