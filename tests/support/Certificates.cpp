#include "support/Certificates.h"

#include <vector>

namespace testing_support {

std::string Certificates::Make() {
  const std::string local = "subjectAltName=IP:127.0.0.1,DNS:localhost";
  // Leaves are no authorities: the req command's default extensions would make them one.
  WriteFile(File("openssl.cnf"),
            "[req]\ndistinguished_name=dn\n[dn]\n[leaf]\nbasicConstraints=critical,CA:FALSE\n"
            "[authority]\nbasicConstraints=critical,CA:TRUE\n"
            "[ca]\ndefault_ca=test\n[test]\ndatabase=" +
                File("index.txt") + "\nnew_certs_dir=" + File("") + "\nserial=" + File("serial") +
                "\ndefault_md=sha256\npolicy=any\ncopy_extensions=copy\nx509_extensions=leaf\n"
                "[any]\ncommonName=supplied\n");
  WriteFile(File("index.txt"), "");
  WriteFile(File("serial"), "01\n");
  const auto key = [&](std::string_view name) {
    return std::vector<std::string>{"-newkey", "ec",      "-pkeyopt", "ec_paramgen_curve:P-256",
                                    "-nodes",  "-keyout", Key(name)};
  };
  const auto request = [&](std::string_view name, std::string_view issuer, std::string subject,
                           std::string names) {
    std::vector<std::string> argv = {"openssl",        "req",   "-config", File("openssl.cnf"),
                                     "-x509",          "-days", "2",       "-subj",
                                     "/CN=" + subject, "-out",  Crt(name)};
    const auto keyArgs = key(name);
    argv.insert(argv.end(), keyArgs.begin(), keyArgs.end());
    if (issuer.empty()) {
      argv.insert(argv.end(), {"-extensions", "authority"});
    } else {
      argv.insert(argv.end(), {"-extensions", "leaf", "-CA", Crt(issuer), "-CAkey", Key(issuer)});
    }
    if (!names.empty()) argv.insert(argv.end(), {"-addext", names});
    return argv;
  };
  std::vector<std::vector<std::string>> commands = {
      request("ca", "", "Test Authority", ""),
      request("other", "", "Other Authority", ""),
      request("server", "ca", "localhost", local),
      request("client", "ca", "client", ""),
      request("elsewhere", "ca", "elsewhere", "subjectAltName=IP:10.1.2.3,DNS:elsewhere.example"),
      request("stranger", "other", "localhost", local),
  };
  // The req command cannot date a certificate in the past; the ca command can.
  std::vector<std::string> expired = {"openssl", "req",   "-config",          File("openssl.cnf"),
                                      "-new",    "-subj", "/CN=localhost",    "-addext",
                                      local,     "-out",  File("expired.csr")};
  const auto expiredKey = key("expired");
  expired.insert(expired.end(), expiredKey.begin(), expiredKey.end());
  commands.push_back(expired);
  commands.push_back({"openssl", "ca", "-batch", "-config", File("openssl.cnf"), "-cert", Crt("ca"),
                      "-keyfile", Key("ca"), "-in", File("expired.csr"), "-out", Crt("expired"),
                      "-startdate", "20200101000000Z", "-enddate", "20200102000000Z", "-notext"});
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
