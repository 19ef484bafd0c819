#pragma once

// Loopback sockets and canned association answers for the peers of the network benchmarks. The
// peers only ever listen on 127.0.0.1.

#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

namespace bench {

using Bytes = std::vector<std::uint8_t>;

// A listening socket on 127.0.0.1:port (0 picks a free port, written to `bound`); -1 on failure.
int ListenLoopback(std::uint16_t port, std::uint16_t& bound);
// A connection to 127.0.0.1:port, with TCP_NODELAY; -1 on failure.
int ConnectLoopback(std::uint16_t port);
// The next connection, waiting at most `limit`; -1 when none came.
int AcceptWithin(int listener, std::chrono::milliseconds limit);
// Waits at most `limit` for bytes to read. False on time-out.
bool ReadableWithin(int fd, std::chrono::milliseconds limit);
// Exactly count bytes, each wait at most `limit`; false on close, error or time-out.
bool ReadExactly(int fd, void* buffer, std::size_t count, std::chrono::milliseconds limit);
bool WriteAll(int fd, const void* buffer, std::size_t count);
// One whole PDU, header included; false on failure or a body longer than maxBody.
bool ReadPdu(int fd, Bytes& pdu, std::uint32_t maxBody, std::chrono::milliseconds limit);

std::uint32_t BigEndian32(const std::uint8_t* p);
void PutBigEndian32(Bytes& out, std::uint32_t value);
void PutBigEndian16(Bytes& out, std::uint16_t value);

// The A-ASSOCIATE-AC for an A-ASSOCIATE-RQ PDU (header included): every proposed presentation
// context accepted with this transfer syntax, the titles and the application context echoed,
// maxLength announced. Empty when the request cannot be parsed.
Bytes AcceptEveryContext(const Bytes& request, std::string_view transferSyntax,
                         std::uint32_t maxLength);

// The presentation context ids of an A-ASSOCIATE-RQ PDU, in order.
std::vector<std::uint8_t> ProposedContextIds(const Bytes& request);

constexpr std::uint8_t kReleaseResponse[] = {0x06, 0, 0, 0, 0, 4, 0, 0, 0, 0};

}  // namespace bench
