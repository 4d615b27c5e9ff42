#include "app/RealNetwork.h"

#include "platform/net/posix/PosixNetworkFactory.h"
#if defined(FW_HAVE_CURL_FTP)
#include "platform/net/curl/CurlFtpClient.h"
#endif

namespace fw {

std::unique_ptr<NetworkFactory> make_real_network(EventLoop& loop) {
#if defined(FW_HAVE_CURL_FTP)
    return std::make_unique<PosixNetworkFactory>(loop, [&loop] { return make_curl_ftp_client(loop); });
#else
    return std::make_unique<PosixNetworkFactory>(loop, nullptr);
#endif
}

}  // namespace fw
