#include "FakeFtpNetwork.h"

#include <stdexcept>

#include "FakeFtpClient.h"

namespace fw::test {
namespace {

class AnsweringPinger final : public Pinger {
public:
    explicit AnsweringPinger(const std::set<std::string>& answering) : answering_(answering) {}
    int Ping() override { return answering_.count(address()) ? 1 : 0; }

private:
    const std::set<std::string>& answering_;
};

}  // namespace

std::unique_ptr<Pinger> FakeFtpNetwork::make_pinger() { return std::make_unique<AnsweringPinger>(answering); }

std::unique_ptr<FtpClient> FakeFtpNetwork::make_ftp_client() {
    if (!loop_) throw std::logic_error("FakeFtpNetwork: set_loop before the window is created");
    return std::make_unique<FakeFtpClient>(*loop_, server);
}

}  // namespace fw::test
