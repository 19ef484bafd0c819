#include "support/Certificates.h"

#include <vector>

namespace testing_support {

std::string Certificates::Make() {
  const std::string local = "subjectAltName=IP:127.0.0.1,DNS:localhost";
  // Leaves are no authorities: the req command's default extensions would make them one.
  WriteFile(File("openssl.cnf"),
            "[req]\ndistinguished_name=dn\n[dn]\n[leaf]\nbasicConstraints=critical,CA:FALSE\n"
            "[authority]\nbasicConstraints=critical,CA:TRUE\n");
  const auto request = [&](std::string_view name, std::string_view issuer, std::string subject,
                           std::string names) {
    std::vector<std::string> argv = {"openssl",        "req",   "-config", File("openssl.cnf"),
                                     "-x509",          "-days", "2",       "-subj",
                                     "/CN=" + subject, "-out",  Crt(name)};
    argv.insert(argv.end(), {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                             "-keyout", Key(name)});
    if (issuer.empty()) {
      argv.insert(argv.end(), {"-extensions", "authority"});
    } else {
      argv.insert(argv.end(), {"-extensions", "leaf", "-CA", Crt(issuer), "-CAkey", Key(issuer)});
    }
    if (!names.empty()) argv.insert(argv.end(), {"-addext", names});
    return argv;
  };
  const std::vector<std::vector<std::string>> commands = {
      request("ca", "", "Test Authority", ""),
      request("other", "", "Other Authority", ""),
      request("server", "ca", "localhost", local),
      request("client", "ca", "client", ""),
      request("elsewhere", "ca", "elsewhere", "subjectAltName=IP:10.1.2.3,DNS:elsewhere.example"),
      request("stranger", "other", "localhost", local),
  };
  for (const auto& argv : commands) {
    const CommandResult result = RunProgram(argv);
    if (result.status != 0) return argv[1] + " " + argv.back() + ": " + result.out + result.err;
  }
  return "";
}

std::vector<std::string> TlsOrthancArgs(const Peer& peer, const Certificates& certificates,
                                        std::uint16_t movePort) {
  const std::string port = std::to_string(peer.port), move = std::to_string(movePort);
  const auto modality = [&](const std::string& title) {
    return "{\"AET\": \"" + title + "\", \"Host\": \"127.0.0.1\", \"Port\": " + move +
           ", \"UseDicomTls\": true}";
  };
  WriteFile(peer.File("orthanc.json"),
            "{\"Name\": \"dicomnet-tls\", \"DicomAet\": \"ORTHANC\", \"DicomPort\": " + port +
                ", \"DicomCheckCalledAet\": true, \"HttpServerEnabled\": false, \"HttpPort\": " +
                std::to_string(FreePort()) +
                ", \"RemoteAccessAllowed\": false, \"Plugins\": [], \"StorageDirectory\": \"" +
                peer.File("storage") + "\", \"IndexDirectory\": \"" + peer.File("index") +
                "\", \"DicomTlsEnabled\": true, \"DicomTlsCertificate\": \"" +
                certificates.Crt("server") + "\", \"DicomTlsPrivateKey\": \"" +
                certificates.Key("server") + "\", \"DicomTlsTrustedCertificates\": \"" +
                certificates.Crt("ca") +
                "\", \"DicomTlsRemoteCertificateRequired\": true, \"DicomModalities\": {"
                "\"dicomnet\": " +
                modality("DICOMNET") + ", \"storescp\": " + modality("STORESCP") + "}}");
  return {"/usr/sbin/Orthanc", "--verbose", peer.File("orthanc.json")};
}

}  // namespace testing_support
