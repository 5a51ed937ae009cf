// Scratch folders, the offline output and pass-by-pass rendering for the audio tests.
#include "tests/platform/bass/fixture.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "platform/bass/offline_output.h"

namespace bass_test {

void BassTest::SetUp() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(test->test_suite_name()) + "-" + test->name();
  std::replace(name.begin(), name.end(), '/', '_');
  folder_ = (std::filesystem::temp_directory_path() /
             ("orvell-bass-" + std::to_string(getpid()) + "-" + name))
                .string();
  std::filesystem::create_directories(folder_);
}

void BassTest::TearDown() {
  BASS_Free();
  std::filesystem::remove_all(folder_);
}

std::string BassTest::Path(const std::string& name) const {
  return folder_ + "/" + name;
}

std::string BassTest::Put(const std::string& name, const Bytes& bytes) const {
  std::string path = Path(name);
  WriteFile(path, bytes);
  return path;
}

void BassTest::StartOffline() {
  ASSERT_TRUE(bass::UseOfflineOutput(OutputPath()));
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
  renderedSamples_ = 0;
}

std::vector<float> BassTest::Render(int passes) {
  for (int i = 0; i < passes; ++i) bass::RenderOfflineFrames(kPassFrames);
  std::vector<float> fresh = ReadFloatWav(OutputPath(), renderedSamples_).samples;
  renderedSamples_ += fresh.size();
  return fresh;
}

std::vector<float> BassTest::Rendered() const {
  return ReadFloatWav(OutputPath()).samples;
}

HSTREAM BassTest::LoadStream(const std::string& name, const Bytes& bytes) {
  std::string path = Put(name, bytes);
  return BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
}

HMUSIC BassTest::LoadMusic(const std::string& name, const Bytes& bytes, DWORD flags) {
  std::string path = Put(name, bytes);
  return BASS_MusicLoad(FALSE, path.c_str(), 0, 0, flags, 0);
}

std::vector<float> BassTest::Spectrum(DWORD handle) {
  std::vector<float> magnitudes(256, -1.0f);
  EXPECT_EQ(BASS_ChannelGetData(handle, magnitudes.data(), BASS_DATA_FFT512), 1024u);
  return magnitudes;
}

size_t Loudest(const std::vector<float>& values) {
  return size_t(std::max_element(values.begin(), values.end()) - values.begin());
}

float Peak(const std::vector<float>& samples) {
  float peak = 0;
  for (float s : samples) peak = std::max(peak, std::abs(s));
  return peak;
}

}  // namespace bass_test
