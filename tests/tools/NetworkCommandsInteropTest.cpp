// find, move and store against Orthanc, with storescp as the move destination (dcmqrscp answers
// SelfTestInteropTest). The archive starts once for the suite and is loaded by `dicomnet store`.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "export/ExportSyntaxes.h"
#include "support/Programs.h"
#include "tools/ToolTests.h"

namespace {

using namespace dicom;
using namespace testing_support;
using Rows = std::vector<std::vector<std::string>>;

// One object of each storage class the export sends, two to a series. Series 0 and 1 are in
// study 1, series 2 in study 2, both of Alpha^Anna; series 3 in study 3 of Bravo^Ben.
struct Object {
  std::string sopClass, uid, series, study, name, id, number;
};

const std::vector<Object>& Objects() {
  static const std::vector<Object> objects = [] {
    std::vector<Object> list;
    for (std::size_t i = 0; i + 2 < kExportAbstractSyntaxes.size(); ++i) {
      const std::size_t series = i / 2, study = series == 0 ? 1 : series;
      const std::string studyUid = "1.2.826.0.1.3680043.9.7433.7." + std::to_string(study);
      const std::string seriesUid = studyUid + "." + std::to_string(series + 1);
      const std::string number = std::to_string(i % 2 + 1);
      const bool anna = study < 3;
      list.push_back({std::string(kExportAbstractSyntaxes[i + 2]), seriesUid + "." + number,
                      seriesUid, studyUid, anna ? "Alpha^Anna" : "Bravo^Ben",
                      anna ? "DN-P1" : "DN-P2", number});
    }
    return list;
  }();
  return objects;
}

// The find listing: per match, lines "(gggg,eeee),VR,length,name<TAB>value" and an empty line.
// Each match as the values of these tags, quotes and padding removed; the matches sorted.
Rows Project(const std::string& listing, const std::vector<std::string>& tags) {
  static const std::regex line(
      R"((\([0-9a-f]{4},[0-9a-f]{4}\)),[A-Z]{2},-?[0-9]+,[^\t]*\t"?(.*?) *"? *)");
  Rows rows;
  std::map<std::string, std::string> match;
  for (const std::string& text : Lines(listing)) {
    std::smatch parts;
    if (std::regex_match(text, parts, line)) {
      match[parts[1]] = parts[2];
      continue;
    }
    EXPECT_EQ(text, "") << "in\n" << listing;
    EXPECT_FALSE(match.empty()) << "an empty block in\n" << listing;
    rows.emplace_back();
    for (const std::string& tag : tags)
      rows.back().push_back(match.contains(tag) ? match[tag] : "<missing>");
    match.clear();
  }
  EXPECT_TRUE(match.empty()) << "the last block is not ended in\n" << listing;
  std::sort(rows.begin(), rows.end());
  return rows;
}

struct Running {
  Peer peer;
  std::string failure;
  CommandResult load;
};

class NetworkCommandsInteropTest : public testing::Test {
 public:
  static void SetUpTestSuite() {
    files_ = std::make_unique<TempDir>();
    for (const Object& o : Objects()) {
      paths_.push_back(files_->File(o.uid + ".dcm"));
      ASSERT_TRUE(WriteObject(paths_.back(), o.sopClass, o.uid, ExplicitLittleEndian,
                              {{0x00100010, vr::PN, o.name},
                               {0x00100020, vr::LO, o.id},
                               {0x0020000D, vr::UI, o.study},
                               {0x0020000E, vr::UI, o.series},
                               {0x00200013, vr::IS, o.number}}));
    }
    storescp_ = std::make_unique<Running>();
    storescp_->failure = storescp_->peer.Start(PeerArgs("storescp", storescp_->peer));
    archive_ = std::make_unique<Running>();
    archive_->failure =
        archive_->peer.Start(PeerArgs("Orthanc", archive_->peer, storescp_->peer.port));
  }

  static void TearDownTestSuite() {
    archive_.reset();
    storescp_.reset();
    files_.reset();
    paths_.clear();
  }

 protected:
  void SetUp() override {
    ASSERT_EQ(storescp_->failure, "");
    ASSERT_EQ(archive_->failure, "");
    if (archive_->load.status < 0) archive_->load = Command("store", {}, paths_);
    // Every object stored, for what the other cases find and retrieve.
    std::vector<std::string> stored;
    for (const std::string& path : paths_)
      stored.push_back(path + ": stored with status 0x0000");
    ASSERT_EQ(Lines(archive_->load.out), stored) << archive_->load.err << archive_->peer.Log();
  }

  CommandResult Command(const std::string& command, const std::vector<std::string>& options,
                        const std::vector<std::string>& files = {}) const {
    std::vector<std::string> argv = {DICOMNET_BIN, command, "-aec", "ORTHANC", "--timeout", "30"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {"127.0.0.1", std::to_string(archive_->peer.port)});
    argv.insert(argv.end(), files.begin(), files.end());
    return RunProgram(argv);
  }

  // The one object retrieved, by move or by get.
  CommandResult Retrieve(const std::string& command, std::vector<std::string> options) const {
    const Object& object = Objects()[1];
    options.insert(options.end(), {"-k", "0008,0052=IMAGE", "-k", "0020,000d=" + object.study, "-k",
                                   "0020,000e=" + object.series, "-k", "0008,0018=" + object.uid});
    return Command(command, options);
  }

  Rows Find(const std::vector<std::string>& options, const std::vector<std::string>& tags) const {
    const CommandResult result = Command("find", options);
    EXPECT_EQ(result.status, 0) << result.err << "\n--- archive:\n" << archive_->peer.Log();
    EXPECT_EQ(result.err, "");
    return Project(result.out, tags);
  }

  static inline std::unique_ptr<TempDir> files_;
  static inline std::vector<std::string> paths_;
  static inline std::unique_ptr<Running> storescp_;
  static inline std::unique_ptr<Running> archive_;
};

TEST_F(NetworkCommandsInteropTest, FindStudiesAndImages) {
  const Object& first = Objects().front();
  std::set<std::vector<std::string>> studies, images;
  for (const Object& o : Objects()) {
    studies.insert({o.study, o.name, o.id, "STUDY"});
    if (o.series == first.series) images.insert({o.series, o.uid, o.number, "IMAGE"});
  }
  EXPECT_EQ(Find({"-L", "study", "-k", "0020,000d", "-k", "0010,0010", "-k", "0010,0020"},
                 {"(0020,000d)", "(0010,0010)", "(0010,0020)", "(0008,0052)"}),
            Rows(studies.begin(), studies.end()));
  EXPECT_EQ(Find({"-L", "image", "-k", "0020,000d=" + first.study, "-k",
                  "0020,000e=" + first.series, "-k", "0008,0018", "-k", "0020,0013"},
                 {"(0020,000e)", "(0008,0018)", "(0020,0013)", "(0008,0052)"}),
            Rows(images.begin(), images.end()));
}

// Move to storescp, pending responses then a final one; get: the archive knows DICOMNET only at a
// port where nothing listens, so the object comes on the association all the same and is kept as
// the receiver keeps it. The self-test's interop test has the refused destination.
TEST_F(NetworkCommandsInteropTest, MoveAndGetBringOneImage) {
  const Object& object = Objects()[1];
  TempDir out;
  const CommandResult moved = Retrieve("move", {"-aem", "STORESCP"});
  const CommandResult got = Retrieve("get", {"--output-dir", out.File("")});
  for (const CommandResult* result : {&moved, &got}) {
    ASSERT_EQ(result->status, 0) << result->out << result->err << archive_->peer.Log();
    const std::vector<std::string> lines = Lines(result->out);
    ASSERT_GE(lines.size(), 1u + (result == &got)) << result->out;
    EXPECT_TRUE(lines.back().starts_with("0x0000 ")) << result->out;
    EXPECT_NE(lines.back().find("completed=1"), std::string::npos) << result->out;
  }
  for (const std::string& line : Lines(moved.out))
    EXPECT_TRUE(line.starts_with("0xFF00") || line == Lines(moved.out).back()) << moved.out;
  EXPECT_EQ(Lines(got.out).front(),
            "stored " + object.uid + " in " + out.File(object.uid + ".dcm"));
  EXPECT_EQ(ReadObject(out.File(object.uid + ".dcm")).object.GetText(0x00080018, vr::UI),
            object.uid);

  // storescp names the files it receives after their UIDs.
  std::string received;
  for (int tries = 0; received.empty() && tries < 200; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (const std::string& name : Names(storescp_->peer.File("received")))
      if (name.ends_with("." + object.uid)) received = storescp_->peer.File("received/" + name);
  }
  EXPECT_EQ(ReadObject(received).object.GetText(0x00080018, vr::UI), object.uid)
      << storescp_->peer.Log();
}

}  // namespace
