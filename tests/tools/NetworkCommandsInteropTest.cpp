// The find, move and store commands against real archives from Debian, Orthanc and DCMTK's
// dcmqrscp, with DCMTK's storescp as the move destination. Each server is started once for the
// suite on free loopback ports, loaded by `dicomnet store` with objects that we write ourselves,
// and stopped with the suite.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <ostream>
#include <regex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "data/DataSet.h"
#include "data/DicomFile.h"
#include "data/Tag.h"
#include "data/TransferSyntax.h"
#include "data/VrCode.h"
#include "export/ExportSyntaxes.h"
#include "support/PeerProcess.h"
#include "tools/Interop.h"

namespace {

using namespace dicom;
using interop::CommandResult;
using interop::Lines;
using interop::TempDir;
using testing_support::FreePort;
using testing_support::PeerProcess;

constexpr const char* kHost = "127.0.0.1";
constexpr const char* kCallingTitle = "DICOMNET";
constexpr const char* kDestinationTitle = "STORESCP";
// A peer that stops answering fails the command instead of holding the test for 300 seconds.
constexpr const char* kCommandTimeout = "30";

// ---------------------------------------------------------------------------------------------
// What the archives are loaded with: two patients, three studies, four series and one object of
// each storage class that the export sends, two to a series.

struct Patient {
  const char* name;
  const char* id;
};

struct Study {
  std::size_t patient;
  std::string uid;
  const char* date;
};

struct Series {
  std::size_t study;
  std::string uid;
  const char* modality;  // the series' modality, whatever the class of each of its objects
  const char* number;
};

struct StoredObject {
  std::string_view sopClass;
  std::size_t series;
  std::string number;
  std::string uid;
};

constexpr std::string_view kUidRoot = "1.2.826.0.1.3680043.9.7433.7";

const Patient kPatients[] = {{"Alpha^Anna", "DN-P1"}, {"Bravo^Ben", "DN-P2"}};

const std::vector<Study>& Studies() {
  static const std::vector<Study> studies = {
      {0, std::string(kUidRoot) + ".1", "20240105"},
      {0, std::string(kUidRoot) + ".2", "20240212"},
      {1, std::string(kUidRoot) + ".3", "20240320"},
  };
  return studies;
}

const std::vector<Series>& AllSeries() {
  static const std::vector<Series> series = {
      {0, Studies()[0].uid + ".1", "CR", "1"},
      {0, Studies()[0].uid + ".2", "MR", "2"},
      {1, Studies()[1].uid + ".1", "US", "1"},
      {2, Studies()[2].uid + ".1", "XA", "1"},
  };
  return series;
}

// The eight storage classes follow verification and the study root query in the export's list.
const std::vector<StoredObject>& Objects() {
  static const std::vector<StoredObject> objects = [] {
    std::vector<StoredObject> list;
    for (std::size_t i = 2; i < kExportAbstractSyntaxes.size(); ++i) {
      const std::size_t series = (i - 2) / 2;
      const std::string number = std::to_string((i - 2) % 2 + 1);
      list.push_back(
          {kExportAbstractSyntaxes[i], series, number, AllSeries()[series].uid + "." + number});
    }
    return list;
  }();
  return objects;
}

constexpr std::uint16_t kRows = 4;
constexpr std::uint16_t kColumns = 5;

DataSet ObjectDataSet(const StoredObject& object) {
  const Series& series = AllSeries()[object.series];
  const Study& study = Studies()[series.study];
  const Patient& patient = kPatients[study.patient];
  DataSet ds;
  ds.InsertText(0x00080016, vr::UI, object.sopClass);
  ds.InsertText(0x00080018, vr::UI, object.uid);
  ds.InsertText(0x00080020, vr::DA, study.date);
  ds.InsertText(0x00080030, vr::TM, "101500");
  ds.InsertText(0x00080050, vr::SH, "ACC" + study.uid.substr(study.uid.rfind('.') + 1));
  ds.InsertText(0x00080060, vr::CS, series.modality);
  ds.InsertText(0x00100010, vr::PN, patient.name);
  ds.InsertText(0x00100020, vr::LO, patient.id);
  ds.InsertText(0x00100030, vr::DA, "19700101");
  ds.InsertText(0x00100040, vr::CS, "O");
  ds.InsertText(0x0020000D, vr::UI, study.uid);
  ds.InsertText(0x0020000E, vr::UI, series.uid);
  ds.InsertText(0x00200010, vr::SH, study.uid.substr(study.uid.rfind('.') + 1));
  ds.InsertText(0x00200011, vr::IS, series.number);
  ds.InsertText(0x00200013, vr::IS, object.number);
  ds.InsertUS(0x00280002, 1);
  ds.InsertText(0x00280004, vr::CS, "MONOCHROME2");
  ds.InsertUS(0x00280010, kRows);
  ds.InsertUS(0x00280011, kColumns);
  ds.InsertUS(0x00280100, 16);
  ds.InsertUS(0x00280101, 16);
  ds.InsertUS(0x00280102, 15);
  ds.InsertUS(0x00280103, 0);
  const std::uint32_t count = kRows * kColumns;
  auto pixels = std::make_unique<std::uint8_t[]>(count * 2);
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto value = static_cast<std::uint16_t>(i * 3001u + object.uid.size());
    std::memcpy(pixels.get() + 2 * i, &value, 2);
  }
  ds.InsertRaw(kPixelDataTag, vr::OW, count * 2, std::move(pixels));
  return ds;
}

// Empty when every object was written; otherwise what went wrong.
std::string WriteObjects(const TempDir& dir, std::vector<std::string>& paths) {
  for (const StoredObject& object : Objects()) {
    const std::string path = dir.File(object.uid + ".dcm");
    DicomFile file(object.sopClass, object.uid, ExplicitLittleEndian);
    file.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file.is_open() || !file.Write(ObjectDataSet(object))) return "cannot write " + path;
    file.close();
    if (file.fail()) return "cannot close " + path;
    paths.push_back(path);
  }
  return {};
}

// ---------------------------------------------------------------------------------------------
// The listing that `find` prints: one block of element lines per match, each block ended by an
// empty line.

// Tag text as the listing shows it, "(0020,000d)", to the value: text without its quotes and
// without trailing padding.
using Match = std::map<std::string, std::string>;

bool ParseListing(const std::string& out, std::vector<Match>& matches, std::string& error) {
  static const std::regex line(R"(^(\([0-9a-f]{4},[0-9a-f]{4}\)),[A-Z]{2},-?[0-9]+,[^\t]*\t(.*)$)");
  Match current;
  bool open = false;
  for (const std::string& text : Lines(out)) {
    if (text.empty()) {
      if (!open) {
        error = "an empty block";
        return false;
      }
      matches.push_back(std::move(current));
      current.clear();
      open = false;
      continue;
    }
    std::smatch parts;
    if (!std::regex_match(text, parts, line)) {
      error = "not an element line: " + text;
      return false;
    }
    std::string value = parts[2];
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    while (!value.empty() && value.back() == ' ')
      value.pop_back();
    current[parts[1]] = value;
    open = true;
  }
  if (open) {
    error = "the last block is not ended by an empty line";
    return false;
  }
  return true;
}

// The values of these tags in each match, sorted, to compare with what was stored.
std::vector<std::vector<std::string>> Project(const std::vector<Match>& matches,
                                              const std::vector<std::string>& tags) {
  std::vector<std::vector<std::string>> rows;
  for (const Match& match : matches) {
    std::vector<std::string> row;
    for (const std::string& tag : tags) {
      const auto found = match.find(tag);
      row.push_back(found == match.end() ? "<missing>" : found->second);
    }
    rows.push_back(std::move(row));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::vector<std::vector<std::string>> Sorted(std::vector<std::vector<std::string>> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::string Describe(const CommandResult& result) {
  return "exit status " + std::to_string(result.status) + "\n--- stdout\n" + result.out +
         "--- stderr\n" + result.err;
}

CommandResult Dicomnet(std::vector<std::string> args) {
  args.insert(args.begin(), DICOMNET_BIN);
  return interop::Run(args);
}

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

// ---------------------------------------------------------------------------------------------
// The servers.

struct RunningPeer {
  PeerProcess process;
  std::uint16_t port = 0;
  std::string failure;  // empty while it runs as it should
};

std::string Text(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// DICOM only, with our calling title and the move destination among its modalities: Orthanc
// answers queries and retrievals only for known callers and sends only to known destinations.
std::vector<std::string> OrthancCommandLine(const PeerProcess& peer, std::uint16_t port,
                                            std::uint16_t destinationPort) {
  const auto modality = [](const char* title, std::uint16_t modalityPort) {
    return std::string("[\"") + title + "\", \"127.0.0.1\", " + std::to_string(modalityPort) + "]";
  };
  interop::WriteFile(peer.File("orthanc.json"),
                     Text({
                         "{",
                         "  \"Name\": \"dicomnet-commands\",",
                         "  \"DicomAet\": \"ORTHANC\",",
                         "  \"DicomPort\": " + std::to_string(port) + ",",
                         "  \"DicomCheckCalledAet\": true,",
                         "  \"HttpServerEnabled\": false,",
                         "  \"HttpPort\": " + std::to_string(FreePort()) + ",",
                         "  \"RemoteAccessAllowed\": false,",
                         "  \"StorageDirectory\": " + JsonString(peer.File("storage")) + ",",
                         "  \"IndexDirectory\": " + JsonString(peer.File("index")) + ",",
                         "  \"DicomModalities\": {",
                         "    \"dicomnet\": " + modality(kCallingTitle, FreePort()) + ",",
                         "    \"storescp\": " + modality(kDestinationTitle, destinationPort),
                         "  },",
                         "  \"Plugins\": []",
                         "}",
                     }));
  return {"/usr/sbin/Orthanc", "--verbose", peer.File("orthanc.json")};
}

// One archive title with a writable storage area, open to the peers of its table only: our
// calling title and the move destination. Host names are not looked up, so that the peers'
// address compares as 127.0.0.1.
std::vector<std::string> DcmqrscpCommandLine(const PeerProcess& peer, std::uint16_t port,
                                             std::uint16_t destinationPort) {
  std::filesystem::create_directory(peer.File("ARCHIVE"));
  interop::WriteFile(peer.File("dcmqrscp.cfg"),
                     Text({
                         "NetworkTCPPort = " + std::to_string(port),
                         "MaxPDUSize = 16384",
                         "MaxAssociations = 16",
                         "HostTable BEGIN",
                         std::string("dicomnet = (") + kCallingTitle + ", 127.0.0.1, " +
                             std::to_string(FreePort()) + ")",
                         std::string("storescp = (") + kDestinationTitle + ", 127.0.0.1, " +
                             std::to_string(destinationPort) + ")",
                         "peers = dicomnet, storescp",
                         "HostTable END",
                         "VendorTable BEGIN",
                         "VendorTable END",
                         "AETable BEGIN",
                         "ARCHIVE " + peer.File("ARCHIVE") + " RW (10, 1024mb) peers",
                         "AETable END",
                     }));
  return {"dcmqrscp", "-v", "-dhl", "-c", peer.File("dcmqrscp.cfg"), std::to_string(port)};
}

struct ArchiveKind {
  const char* name;
  const char* program;
  const char* title;
  std::vector<std::string> (*commandLine)(const PeerProcess& peer, std::uint16_t port,
                                          std::uint16_t destinationPort);
  // What the archive logs when it refuses an association addressed to another title.
  const char* rejectionLogged;
  // The object each archive moves, a different one for each, as storescp files them by UID.
  std::size_t movedObject;
};

void PrintTo(const ArchiveKind& kind, std::ostream* out) {
  *out << kind.name;
}

const ArchiveKind kArchives[] = {
    {.name = "Orthanc",
     .program = "/usr/sbin/Orthanc",
     .title = "ORTHANC",
     .commandLine = OrthancCommandLine,
     .rejectionLogged = "because of a bad called AET",
     .movedObject = 1},
    {.name = "dcmqrscp",
     .program = "dcmqrscp",
     .title = "ARCHIVE",
     .commandLine = DcmqrscpCommandLine,
     .rejectionLogged = "Refusing Association (BadAEService)",
     .movedObject = 6},
};

struct RunningArchive : RunningPeer {
  CommandResult load;  // of the `dicomnet store` that loaded it
};

// The received file whose name ends with the UID, as storescp names them; empty if none came
// within the limit.
std::string WaitForReceived(const std::filesystem::path& dir, const std::string& uid) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
      const std::string name = entry.path().filename().string();
      if (name.size() > uid.size() && name.ends_with("." + uid)) return entry.path().string();
    }
    if (std::chrono::steady_clock::now() > limit) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

class NetworkCommandsInteropTest : public testing::TestWithParam<ArchiveKind> {
 public:
  static void SetUpTestSuite() {
    objects_ = std::make_unique<TempDir>();
    objectFailure_ = WriteObjects(*objects_, paths_);
  }

  static void TearDownTestSuite() {
    archives_.clear();
    destination_.reset();
    paths_.clear();
    objects_.reset();
  }

 protected:
  void SetUp() override {
    const ArchiveKind& kind = GetParam();
    if (!interop::HaveProgram(kind.program)) GTEST_SKIP() << kind.program << " is not installed";
    ASSERT_EQ(objectFailure_, "");
    archive_ = &Archive(kind);
    ASSERT_EQ(archive_->failure, "");
  }

  // storescp when it is installed; the archives are configured with its port either way.
  static RunningPeer& Destination() {
    if (!destination_) {
      destination_ = std::make_unique<RunningPeer>();
      destination_->port = FreePort();
      if (!interop::HaveProgram("storescp")) {
        destination_->failure = "storescp is not installed";
        return *destination_;
      }
      try {
        std::filesystem::create_directory(destination_->process.File("received"));
        destination_->process.Start({"storescp", "-v", "--aetitle", kDestinationTitle, "-od",
                                     destination_->process.File("received"),
                                     std::to_string(destination_->port)});
        destination_->failure = destination_->process.WaitForPort(destination_->port);
      } catch (const std::exception& e) {
        destination_->failure = std::string("storescp could not start: ") + e.what();
      }
    }
    return *destination_;
  }

  // The suite's one instance of the archive, started and loaded on first use.
  static RunningArchive& Archive(const ArchiveKind& kind) {
    std::unique_ptr<RunningArchive>& slot = archives_[kind.name];
    if (slot) return *slot;
    const std::uint16_t destinationPort = Destination().port;
    slot = std::make_unique<RunningArchive>();
    try {
      slot->port = FreePort();
      slot->process.Start(kind.commandLine(slot->process, slot->port, destinationPort));
      slot->failure = slot->process.WaitForPort(slot->port);
    } catch (const std::exception& e) {
      slot->failure = std::string(kind.name) + " could not start: " + e.what();
    }
    if (slot->failure.empty()) {
      std::vector<std::string> args = {"store",
                                       "-aec",
                                       kind.title,
                                       "--timeout",
                                       kCommandTimeout,
                                       kHost,
                                       std::to_string(slot->port)};
      args.insert(args.end(), paths_.begin(), paths_.end());
      slot->load = Dicomnet(args);
    }
    return *slot;
  }

  // The command with the called title and the archive's address, then the files if any.
  CommandResult Run(const char* command, std::vector<std::string> options,
                    const std::vector<std::string>& files = {},
                    const char* calledTitle = nullptr) const {
    options.insert(options.begin(), {command, "-aec", calledTitle ? calledTitle : GetParam().title,
                                     "--timeout", kCommandTimeout});
    options.insert(options.end(), {kHost, std::to_string(archive_->port)});
    options.insert(options.end(), files.begin(), files.end());
    return Dicomnet(options);
  }

  // Runs a find that must succeed and returns its matches.
  std::vector<Match> Find(const std::vector<std::string>& args) const {
    const CommandResult result = Run("find", args);
    EXPECT_EQ(result.status, 0) << Describe(result) << "\n--- archive\n" << Log();
    std::vector<Match> matches;
    std::string error;
    EXPECT_TRUE(ParseListing(result.out, matches, error)) << error << "\n" << result.out;
    return matches;
  }

  std::string Log() const { return archive_->process.Log(); }

  static inline std::unique_ptr<TempDir> objects_;
  static inline std::vector<std::string> paths_;
  static inline std::string objectFailure_;
  static inline std::unique_ptr<RunningPeer> destination_;
  static inline std::map<std::string, std::unique_ptr<RunningArchive>> archives_;
  RunningArchive* archive_ = nullptr;
};

constexpr const char* kStudyUid = "(0020,000d)";
constexpr const char* kSeriesUid = "(0020,000e)";
constexpr const char* kSopInstanceUid = "(0008,0018)";
constexpr const char* kPatientName = "(0010,0010)";
constexpr const char* kPatientId = "(0010,0020)";
constexpr const char* kModality = "(0008,0060)";
constexpr const char* kInstanceNumber = "(0020,0013)";
constexpr const char* kLevel = "(0008,0052)";

TEST_P(NetworkCommandsInteropTest, StoreSendsEveryObjectOverOneAssociation) {
  const CommandResult& load = archive_->load;
  ASSERT_EQ(load.status, 0) << Describe(load) << "\n--- archive\n" << Log();
  std::vector<std::string> expected;
  for (const std::string& path : paths_)
    expected.push_back(path + ": stored with status 0x0000");
  EXPECT_EQ(Lines(load.out), expected);
}

TEST_P(NetworkCommandsInteropTest, StudyLevelListsEveryStudy) {
  const std::vector<Match> matches =
      Find({"-L", "study", "-k", "0020,000d", "-k", "0010,0010", "-k", "0010,0020"});
  std::vector<std::vector<std::string>> expected;
  for (const Study& study : Studies()) {
    const Patient& patient = kPatients[study.patient];
    expected.push_back({study.uid, patient.name, patient.id, "STUDY"});
  }
  EXPECT_EQ(Project(matches, {kStudyUid, kPatientName, kPatientId, kLevel}), Sorted(expected));
}

TEST_P(NetworkCommandsInteropTest, MatchingKeyNarrowsTheStudies) {
  const struct {
    const char* key;
    std::vector<std::size_t> studies;
  } cases[] = {
      {"0010,0010=Alpha^Anna", {0, 1}}, {"0010,0010=Bravo^Ben", {2}},  {"0010,0010=Br*", {2}},
      {"0010,0020=DN-P1", {0, 1}},      {"0010,0010=Nobody^None", {}},
  };
  for (const auto& query : cases) {
    SCOPED_TRACE(query.key);
    const std::vector<Match> matches =
        Find({"-L", "study", "-k", "0020,000d", "-k", query.key, "-k", "0008,0020"});
    std::vector<std::vector<std::string>> expected;
    for (std::size_t study : query.studies)
      expected.push_back({Studies()[study].uid, Studies()[study].date});
    EXPECT_EQ(Project(matches, {kStudyUid, "(0008,0020)"}), Sorted(expected));
  }
}

TEST_P(NetworkCommandsInteropTest, SeriesLevelListsTheSeriesOfEachStudy) {
  for (const Study& study : Studies()) {
    SCOPED_TRACE(study.uid);
    const std::vector<Match> matches = Find(
        {"-L", "series", "-k", "0020,000d=" + study.uid, "-k", "0020,000e", "-k", "0008,0060"});
    std::vector<std::vector<std::string>> expected;
    for (const Series& series : AllSeries()) {
      if (Studies()[series.study].uid != study.uid) continue;
      expected.push_back({study.uid, series.uid, series.modality, "SERIES"});
    }
    EXPECT_EQ(Project(matches, {kStudyUid, kSeriesUid, kModality, kLevel}), Sorted(expected));
  }
}

TEST_P(NetworkCommandsInteropTest, ImageLevelListsTheImagesOfEachSeries) {
  for (std::size_t s = 0; s < AllSeries().size(); ++s) {
    const Series& series = AllSeries()[s];
    const Study& study = Studies()[series.study];
    SCOPED_TRACE(series.uid);
    const std::vector<Match> matches =
        Find({"-L", "image", "-k", "0020,000d=" + study.uid, "-k", "0020,000e=" + series.uid, "-k",
              "0008,0018", "-k", "0020,0013"});
    std::vector<std::vector<std::string>> expected;
    for (const StoredObject& object : Objects()) {
      if (object.series == s) expected.push_back({series.uid, object.uid, object.number, "IMAGE"});
    }
    EXPECT_EQ(expected.size(), 2u);
    EXPECT_EQ(Project(matches, {kSeriesUid, kSopInstanceUid, kInstanceNumber, kLevel}),
              Sorted(expected));
  }
}

TEST_P(NetworkCommandsInteropTest, MoveSendsOneImageToStorescp) {
  RunningPeer& destination = Destination();
  if (!interop::HaveProgram("storescp")) GTEST_SKIP() << "storescp is not installed";
  ASSERT_EQ(destination.failure, "");
  const StoredObject& object = Objects()[GetParam().movedObject];
  const Series& series = AllSeries()[object.series];
  const CommandResult result =
      Run("move", {"-aem", kDestinationTitle, "-k", "0008,0052=IMAGE", "-k",
                   "0020,000d=" + Studies()[series.study].uid, "-k", "0020,000e=" + series.uid,
                   "-k", "0008,0018=" + object.uid});
  ASSERT_EQ(result.status, 0) << Describe(result) << "\n--- archive\n"
                              << Log() << "\n--- storescp\n"
                              << destination.process.Log();
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(StartsWith(lines.back(), "0x0000")) << result.out;
  EXPECT_NE(lines.back().find("completed=1"), std::string::npos) << result.out;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_TRUE(StartsWith(lines[i], "0xFF00")) << result.out;

  const std::string received = WaitForReceived(destination.process.File("received"), object.uid);
  ASSERT_NE(received, "") << "nothing for " << object.uid << " in the storescp's directory\n"
                          << destination.process.Log();
  const CommandResult dump = Dicomnet({"dump", received});
  EXPECT_EQ(dump.status, 0) << Describe(dump);
  const std::vector<std::string> dumped = Lines(dump.out);
  const bool found = std::any_of(dumped.begin(), dumped.end(), [&](const std::string& line) {
    return StartsWith(line, "(0008,0018),UI,") && line.ends_with("\t\"" + object.uid + "\"");
  });
  EXPECT_TRUE(found) << dump.out;
}

TEST_P(NetworkCommandsInteropTest, MoveToAnUnknownDestinationFails) {
  const StoredObject& object = Objects()[GetParam().movedObject];
  const Series& series = AllSeries()[object.series];
  const CommandResult result =
      Run("move", {"-aem", "NOWHERE", "-k", "0008,0052=IMAGE", "-k",
                   "0020,000d=" + Studies()[series.study].uid, "-k", "0020,000e=" + series.uid,
                   "-k", "0008,0018=" + object.uid});
  EXPECT_EQ(result.status, 1) << Describe(result);
  // One final response with a failure status (Orthanc and dcmqrscp differ in which), and the
  // reason on standard error.
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 1u) << Describe(result);
  const std::string status = lines.back().substr(0, lines.back().find(' '));
  EXPECT_TRUE(StartsWith(status, "0xA") || StartsWith(status, "0xC")) << result.out;
  EXPECT_EQ(result.err, "dicomnet move: the retrieve ended with status " + status + "\n");
}

TEST_P(NetworkCommandsInteropTest, TraceLogsEachMessageOnStandardError) {
  const CommandResult result =
      Run("find", {"--trace", "-L", "study", "-k", "0020,000d", "-k", "0010,0010=Bravo^Ben"});
  ASSERT_EQ(result.status, 0) << Describe(result);
  // Sent: the command and the identifier. Received: the pending response with its match, and the
  // final response, which carries no data set.
  const auto count = [&](std::string_view text) {
    std::size_t n = 0;
    for (std::size_t at = result.err.find(text); at != std::string::npos;
         at = result.err.find(text, at + 1)) {
      ++n;
    }
    return n;
  };
  EXPECT_EQ(count("Transmitted command/data"), 2u) << result.err;
  EXPECT_EQ(count("Received command/data"), 3u) << result.err;
  EXPECT_LT(result.err.find("Transmitted command/data"), result.err.find("Received command/data"))
      << result.err;
  // The listing stays on standard output, alone.
  std::vector<Match> matches;
  std::string error;
  EXPECT_TRUE(ParseListing(result.out, matches, error)) << error << "\n" << result.out;
  EXPECT_EQ(matches.size(), 1u) << result.out;

  const CommandResult quiet = Run("find", {"-L", "study", "-k", "0020,000d"});
  EXPECT_EQ(quiet.status, 0) << Describe(quiet);
  EXPECT_EQ(quiet.err, "");
}

TEST_P(NetworkCommandsInteropTest, WrongCalledTitleGetsNoAssociation) {
  const struct {
    const char* command;
    std::vector<std::string> options;
    std::vector<std::string> files;
  } cases[] = {
      {"find", {"-L", "study", "-k", "0020,000d"}, {}},
      {"move",
       {"-aem", kDestinationTitle, "-k", "0008,0052=STUDY", "-k", "0020,000d=" + Studies()[0].uid},
       {}},
      {"store", {}, {paths_.front()}},
  };
  for (const auto& command : cases) {
    SCOPED_TRACE(command.command);
    const std::size_t rejections = archive_->process.CountInLog(GetParam().rejectionLogged);
    const CommandResult result = Run(command.command, command.options, command.files, "NOBODY");
    EXPECT_EQ(result.status, 1) << Describe(result);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(StartsWith(result.err, std::string("dicomnet ") + command.command +
                                           ": no association with 127.0.0.1:"))
        << result.err;
    // Refused for its title, not unreachable.
    EXPECT_TRUE(archive_->process.WaitForLog(GetParam().rejectionLogged, rejections)) << Log();
  }
}

INSTANTIATE_TEST_SUITE_P(Archives, NetworkCommandsInteropTest, testing::ValuesIn(kArchives),
                         [](const testing::TestParamInfo<ArchiveKind>& info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------------------------
// Usage errors: exit status 2 and the usage, with no connection made.

// A listening socket on 127.0.0.1 that never accepts by itself: a connection that a command made
// waits in its queue, so after the command ended the queue tells whether it connected.
class IdleListener {
 public:
  IdleListener() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd_, 8) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
  }
  ~IdleListener() {
    if (fd_ >= 0) close(fd_);
  }
  IdleListener(const IdleListener&) = delete;
  IdleListener& operator=(const IdleListener&) = delete;

  // 0 when the socket could not be set up.
  std::uint16_t Port() const { return port_; }
  bool WasConnected() const {
    const int connection = accept(fd_, nullptr, nullptr);
    if (connection < 0) return false;
    close(connection);
    return true;
  }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

struct UsageCase {
  const char* name;
  std::vector<std::string> args;  // "PORT" stands for the listener's port
  const char* usage;
};

void PrintTo(const UsageCase& usage, std::ostream* out) {
  *out << usage.name;
}

const UsageCase kUsageCases[] = {
    {"FindWithoutPort", {"find", "-aec", "ORTHANC", "127.0.0.1"}, "usage: dicomnet find "},
    {"MoveWithoutPort", {"move", "-k", "0008,0052=STUDY", "127.0.0.1"}, "usage: dicomnet move "},
    {"StoreWithoutFiles", {"store", "127.0.0.1", "PORT"}, "usage: dicomnet store "},
    {"ShortTag", {"find", "-k", "10,10", "127.0.0.1", "PORT"}, "usage: dicomnet find "},
    {"TagNotHex", {"find", "-k", "0010,001g", "127.0.0.1", "PORT"}, "usage: dicomnet find "},
    {"UnknownOption", {"find", "--bogus", "127.0.0.1", "PORT"}, "usage: dicomnet find "},
    {"UnknownLevel", {"find", "-L", "patient", "127.0.0.1", "PORT"}, "usage: dicomnet find "},
    {"MoveKeyWithoutValue",
     {"move", "-k", "0020,000d", "127.0.0.1", "PORT"},
     "usage: dicomnet move "},
    {"LevelOnMove", {"move", "-L", "study", "127.0.0.1", "PORT"}, "usage: dicomnet move "},
    {"DestinationOnFind",
     {"find", "-aem", "STORESCP", "127.0.0.1", "PORT"},
     "usage: dicomnet find "},
    {"OptionWithoutValue", {"find", "127.0.0.1", "PORT", "-aec"}, "usage: dicomnet find "},
    {"BadTimeout",
     {"store", "--timeout", "0", "127.0.0.1", "PORT", "x.dcm"},
     "usage: dicomnet store "},
    {"BadNumber", {"find", "-k", "0028,0010=ten", "127.0.0.1", "PORT"}, "usage: dicomnet find "},
    {"ExtraArgument", {"find", "127.0.0.1", "PORT", "more"}, "usage: dicomnet find "},
};

class NetworkCommandsUsageTest : public testing::TestWithParam<UsageCase> {};

TEST_P(NetworkCommandsUsageTest, ExitsWithTwoAndTheUsageWithoutConnecting) {
  const IdleListener listener;
  ASSERT_NE(listener.Port(), 0);
  std::vector<std::string> args = GetParam().args;
  for (std::string& arg : args) {
    if (arg == "PORT") arg = std::to_string(listener.Port());
  }
  const CommandResult result = Dicomnet(args);
  EXPECT_EQ(result.status, 2) << Describe(result);
  EXPECT_EQ(result.out, "");
  const std::vector<std::string> lines = Lines(result.err);
  ASSERT_GE(lines.size(), 2u) << result.err;
  EXPECT_TRUE(StartsWith(lines[0], "dicomnet " + args[0] + ": ")) << result.err;
  EXPECT_TRUE(StartsWith(lines[1], GetParam().usage)) << result.err;
  EXPECT_FALSE(listener.WasConnected());
}

INSTANTIATE_TEST_SUITE_P(Cases, NetworkCommandsUsageTest, testing::ValuesIn(kUsageCases),
                         [](const testing::TestParamInfo<UsageCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
