#include <cstdio>
#include <string_view>
#include <vector>

#include "Version.h"
#include "tools/dicomnet/Commands.h"

namespace {

constexpr const char* kUsage =
    "usage: dicomnet COMMAND [ARGS...] | --help | --version\n"
    "commands:\n"
    "  dump FILE...                 list the meta information and the data set of each file\n"
    "  decompress IN OUT | --output-dir DIR FILE...  write each file with its pixel data\n"
    "                               decoded, in explicit VR little endian\n"
    "  echo [OPTIONS] HOST PORT     verify the connection to a peer (C-ECHO)\n"
    "  find [OPTIONS] HOST PORT     query an archive (study root C-FIND)\n"
    "  move [OPTIONS] HOST PORT     have an archive send objects to an AE (study root C-MOVE)\n"
    "  get [OPTIONS] HOST PORT      fetch objects from an archive on the association (study root\n"
    "                               C-GET) into --output-dir DIR\n"
    "  store [OPTIONS] HOST PORT FILE...  store files on an archive (C-STORE)\n"
    "  receive [-aet AE] [--port PORT] [--output-dir DIR] [--accept-from HOST]...\n"
    "          [--tls --cert FILE --key FILE [--ca-file FILE]]\n"
    "                               take objects stored here (C-STORE, C-ECHO) until stopped\n"
    "  selftest [OPTIONS] HOST PORT  find the faults of a set-up step by step: resolve, connect,\n"
    "                               echo, find one image, retrieve it here\n"
    "options of the network commands: -aet AE (calling title), -aec AE (called title),\n"
    "  --trace (protocol log on standard error), --timeout SECONDS (receive time-out, 300),\n"
    "  --tls (TLS 1.2 or 1.3) with --ca-file FILE (the authority of the peer's certificate),\n"
    "  --cert FILE and --key FILE (this side's certificate and key, PEM); they send P-DATA-TF\n"
    "  PDUs as large as the peer announces, up to 131072 bytes (store: --max-send-pdu BYTES)\n";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string_view command = args.front();
  const std::span<const std::string_view> rest(args.begin() + 1, args.end());
  if (command == "dump") return dicomnet::RunDump(rest);
  if (command == "decompress") return dicomnet::RunDecompress(rest);
  if (command == "echo") return dicomnet::RunEcho(rest);
  if (command == "find") return dicomnet::RunFind(rest);
  if (command == "move") return dicomnet::RunMove(rest);
  if (command == "get") return dicomnet::RunGet(rest);
  if (command == "store") return dicomnet::RunStore(rest);
  if (command == "receive") return dicomnet::RunReceive(rest);
  if (command == "selftest") return dicomnet::RunSelfTest(rest);
  if (command == "-h" || command == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("dicomnet %s\n", kProductVersion);
    return 0;
  }
  std::fprintf(stderr, "dicomnet: unknown command '%.*s'\n%s", static_cast<int>(command.size()),
               command.data(), kUsage);
  return 2;
}
