// SPDX-License-Identifier: GPL-3.0-or-later
// The ALSA backend against real alsa-lib: the devices are ALSA "file" PCMs whose input is a
// file of known samples, defined in a configuration written for this test process.
#include "capture/alsa/alsa_wave_input.h"

#include <alsa/asoundlib.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "capture/device_list.h"
#include "tests/capture/capture_test_support.h"

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Not;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr std::int16_t kRampStart = 1000;
constexpr std::size_t kRampLength = 4 * 44100;
const std::string kLongName = "Kondensatormikrofon im \xC3\x9C" "bungsr\xC3\xA4um";  // ä at bytes 31-32

// Writes the sample files and the configuration into a fresh folder and points ALSA at it
// before any test asks ALSA for a device (not when the tests are only listed).
class AlsaTestDevices : public ::testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/corvandel-alsa-XXXXXX";
    folder_ = mkdtemp(pattern);
    std::vector<std::int16_t> ramp(kRampLength);
    for (std::size_t i = 0; i < ramp.size(); ++i) {
      ramp[i] = static_cast<std::int16_t>(kRampStart + static_cast<std::int32_t>(i % 30000));
    }
    for (const char* file : {"ramp.raw", "unplugged.raw"}) {
      std::ofstream(folder_ / file, std::ios::binary)
          .write(reinterpret_cast<const char*>(ramp.data()),
                 static_cast<std::streamsize>(ramp.size() * sizeof ramp[0]));
    }
    Configure("");
    const std::string path = "/usr/share/alsa/alsa.conf:" + (folder_ / "test.conf").string();
    setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
  }

  // Writes the configuration, with `extra` before the test devices. The new file replaces
  // the old one under a new inode, which ALSA's next open notices and reads afresh.
  void Configure(const std::string& extra) {
    std::ofstream config(folder_ / "test.conf.new");
    config << extra;
    auto filePcm = [&](const char* name, const char* file, const std::string& description) {
      config << "pcm." << name << " {\n  type file\n  slave.pcm \"null\"\n  file \"/dev/null\"\n"
             << "  infile \"" << (folder_ / file).string() << "\"\n  format \"raw\"\n"
             << "  hint { show on description \"" << description << "\" }\n}\n";
    };
    filePcm("corvandel_ramp", "ramp.raw", "Ramp recording");
    filePcm("corvandel_unplugged", "unplugged.raw", "Unplugged microphone");
    filePcm("corvandel_long", "ramp.raw", kLongName);
    filePcm("corvandel_missing", "no-such-file.raw", "Missing recording");
    config << "pcm.corvandel_broken {\n  type hw\n  card 97\n"
           << "  hint { show on description \"Broken card\" }\n}\n"
           << "pcm.!default \"corvandel_ramp\"\n";
    config.close();
    fs::rename(folder_ / "test.conf.new", folder_ / "test.conf");
  }

  void TearDown() override {
    snd_config_update_free_global();  // ALSA's configuration cache, kept for the process
    fs::remove_all(folder_);
  }

  fs::path Folder() const { return folder_; }

 private:
  fs::path folder_;
};

AlsaTestDevices* const devices =
    static_cast<AlsaTestDevices*>(::testing::AddGlobalTestEnvironment(new AlsaTestDevices));

std::vector<std::string> Names(WaveInput& input) {
  std::vector<std::string> names;
  for (std::uint32_t id = 0; id < input.GetNumDevs(); ++id) {
    names.push_back(DeviceName(input, static_cast<std::int32_t>(id)));
  }
  return names;
}

std::uint32_t IdOf(WaveInput& input, const std::string& name) {
  const std::vector<std::string> names = Names(input);
  const auto found = std::find(names.begin(), names.end(), name);
  EXPECT_NE(found, names.end()) << name;
  return static_cast<std::uint32_t>(found - names.begin());
}

HWaveIn OpenDevice(WaveInput& input, std::uint32_t deviceId) {
  HWaveIn handle = 0;
  const WaveFormatEx format = CaptureFormat();
  EXPECT_EQ(input.Open(&handle, deviceId, &format), kNoError);
  return handle;
}

// True when the first `count` samples continue one another as the ramp does.
::testing::AssertionResult IsRampRun(const std::vector<std::int16_t>& samples, std::size_t count) {
  for (std::size_t k = 1; k < count; ++k) {
    if (samples[k] != samples[k - 1] + 1) {
      return ::testing::AssertionFailure()
             << "sample " << k << " is " << samples[k] << " after " << samples[k - 1];
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(AlsaWaveInput, ListsTheDefaultFirstThenEachDeviceThatOpensOnce) {
  AlsaWaveInput input;
  const std::vector<std::string> names = Names(input);
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "Default input");
  // Sound cards of the machine, if any, come between; the configured devices follow in order.
  std::vector<std::string> configured;
  std::copy_if(names.begin(), names.end(), std::back_inserter(configured),
               [](const std::string& name) {
                 return name.starts_with("Ramp") || name.starts_with("Unplugged") ||
                        name.starts_with("Kondensator") || name.starts_with("Missing") ||
                        name.starts_with("Broken");
               });
  EXPECT_THAT(configured, ElementsAre("Ramp recording", "Unplugged microphone",
                                      "Kondensatormikrofon im \xC3\x9C" "bungsr"));
  for (const char* plugin : {"Discard all samples", "PulseAudio", "Rate Converter"}) {
    EXPECT_THAT(names, Each(::testing::Not(::testing::HasSubstr(plugin))));
  }
}

// A sound server that takes connections and never answers, as a stopped one does: the
// pulse plugin's open waits half a minute for it. Closing it ends that wait.
class FrozenSoundServer {
 public:
  explicit FrozenSoundServer(fs::path path) : path_(std::move(path)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    socket_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    listening_ = socket_ >= 0 &&
                 bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                 listen(socket_, 16) == 0;
  }
  ~FrozenSoundServer() {
    if (socket_ >= 0) close(socket_);
    fs::remove(path_);
  }
  bool Listening() const { return listening_; }
  std::string PcmDefinition() const {
    return "pcm.corvandel_frozen {\n  type pulse\n  server \"unix:" + path_.string() +
           "\"\n  hint { show on description \"Frozen server\" }\n}\n";
  }

 private:
  fs::path path_;
  int socket_ = -1;
  bool listening_ = false;
};

// The device of a server that does not answer is listed without waiting for it, and the
// devices after it are still asked: those that refuse stay out.
TEST(AlsaWaveInput, ListsADeviceWhoseSoundServerDoesNotAnswer) {
  FrozenSoundServer server(devices->Folder() / "frozen-server");
  ASSERT_TRUE(server.Listening());
  devices->Configure(server.PcmDefinition());
  AlsaWaveInput input;
  devices->Configure("");
  const std::vector<std::string> names = Names(input);
  EXPECT_THAT(names, Contains("Frozen server"));
  EXPECT_THAT(names, Contains("Ramp recording"));
  EXPECT_THAT(names, Not(Contains("Missing recording")));
}

TEST(AlsaWaveInput, LongNameFillsTheFieldUpToTheLastWholeCharacter) {
  AlsaWaveInput input;
  WaveInCaps caps;
  std::fill(std::begin(caps.szPname), std::end(caps.szPname), 'x');
  ASSERT_EQ(input.GetDevCaps(IdOf(input, "Kondensatormikrofon im \xC3\x9C" "bungsr"), &caps,
                             kDeviceCapsSize),
            kNoError);
  EXPECT_EQ(std::string(caps.szPname, 32), kLongName.substr(0, 31) + '\0');
}

struct CutCase {
  const char* label;
  std::string name;
  std::size_t kept;  // bytes of the name that fit into 32
  friend void PrintTo(const CutCase& c, std::ostream* out) { *out << c.label; }
};

class CutAtCharacterTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutAtCharacterTest, KeepsWholeCharactersWithin32Bytes) {
  EXPECT_EQ(CutAtCharacter(GetParam().name, 32), GetParam().name.substr(0, GetParam().kept));
}

const std::string a29(29, 'a'), a30(30, 'a'), a31(31, 'a');

INSTANTIATE_TEST_SUITE_P(
    Names, CutAtCharacterTest,
    ::testing::Values(CutCase{"Empty", "", 0}, CutCase{"Ascii31", a31, 31},
                      CutCase{"Ascii32", a31 + "b", 32}, CutCase{"Ascii33", a31 + "bc", 32},
                      CutCase{"TwoByteEndsAt32", a30 + "\xC3\xA4", 32},
                      CutCase{"TwoByteEndsAt32ThenMore", a30 + "\xC3\xA4z", 32},
                      CutCase{"TwoByteStraddles32", a31 + "\xC3\xA4", 31},
                      CutCase{"ThreeByteStraddles32", a30 + "\xE2\x82\xAC", 30},
                      CutCase{"FourByteStraddles32", a29 + "\xF0\x9F\x8E\xB8", 29},
                      CutCase{"FourByteAfter32", a31 + "b\xF0\x9F\x8E\xB8", 32}),
    CaseLabel());

TEST(AlsaWaveInput, WaveMapperRecordsFromTheDefaultDevice) {
  AlsaWaveInput input;
  const HWaveIn handle = OpenDevice(input, kWaveMapper);
  ASSERT_NE(handle, 0u);
  input.Start(handle);
  CaptureBuffer buffer(4096);
  buffer.Queue(input, handle);
  ASSERT_TRUE(input.WaitDone(handle, &buffer.header, 5s));
  EXPECT_TRUE(IsRampRun(buffer.samples, 4096));
  EXPECT_EQ(input.Close(handle), kNoError);
}

// A buffer of many seconds, given back by Reset while the driver thread fills it; the
// device then closes at once.
TEST(AlsaWaveInput, ResetWhileFillingGivesTheBufferBack) {
  AlsaWaveInput input;
  const HWaveIn handle = OpenDevice(input, IdOf(input, "Ramp recording"));
  input.Start(handle);
  CaptureBuffer buffer(20u * 1000 * 1000);
  buffer.Queue(input, handle);
  EXPECT_EQ(input.Reset(handle), kNoError);
  EXPECT_TRUE(input.WaitDone(handle, &buffer.header, 0ms));
  EXPECT_EQ(input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize), kNoError);
  EXPECT_EQ(input.Close(handle), kNoError);
}

TEST(AlsaWaveInput, DeviceGoneSinceTheListWasMadeDoesNotOpen) {
  AlsaWaveInput input;
  const std::uint32_t id = IdOf(input, "Unplugged microphone");
  fs::rename(devices->Folder() / "unplugged.raw", devices->Folder() / "away.raw");
  HWaveIn handle = 0;
  const WaveFormatEx format = CaptureFormat();
  EXPECT_NE(input.Open(&handle, id, &format), kNoError);
  EXPECT_EQ(handle, 0u);
  EXPECT_NE(input.Open(&handle, input.GetNumDevs(), &format), kNoError);
  EXPECT_EQ(handle, 0u);
  fs::rename(devices->Folder() / "away.raw", devices->Folder() / "unplugged.raw");
  EXPECT_NE(OpenDevice(input, id), 0u);
}

}  // namespace
