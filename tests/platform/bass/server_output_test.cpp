// The real-time output on a fake sound server: which output opens, which frames the spectrum
// reads given the latency a server reports, and the show playing on through a lost server until
// one answers again.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "platform/bass/channel.h"
#include "platform/bass/mixer.h"
#include "platform/bass/output.h"
#include "platform/bass/sound_server.h"

namespace bass {
namespace {

using Clock = Mixer::Clock;
using std::chrono::milliseconds;

constexpr float kCountScale = 1.0f / (1 << 20);

// The threads a source was decoded and destroyed on.
struct SourceThreads {
  std::mutex lock;
  std::set<std::thread::id> decoded;
  std::optional<std::thread::id> destroyed;
};

// Frame n of the song reads n * kCountScale on both sides, exactly, for 20 seconds.
class CountingSource final : public Source {
 public:
  explicit CountingSource(std::shared_ptr<SourceThreads> threads = nullptr)
      : threads_(std::move(threads)) {}
  ~CountingSource() override {
    if (!threads_) return;
    std::lock_guard hold(threads_->lock);
    threads_->destroyed = std::this_thread::get_id();
  }
  size_t Render(float* stereo, size_t frames) override {
    if (threads_) {
      std::lock_guard hold(threads_->lock);
      threads_->decoded.insert(std::this_thread::get_id());
    }
    for (size_t i = 0; i < frames; ++i) {
      stereo[2 * i] = stereo[2 * i + 1] = float(next_ + i) * kCountScale;
    }
    next_ += frames;
    return frames;
  }
  void Seek(std::uint64_t frame) override { next_ = frame; }

 private:
  std::shared_ptr<SourceThreads> threads_;
  std::uint64_t next_ = 0;
};

std::shared_ptr<Channel> PlayCounting(Mixer& mixer) {
  auto channel =
      std::make_shared<Channel>(std::make_unique<CountingSource>(), 20 * kOutputRate, false);
  mixer.Add(1, channel);
  channel->Play(false);
  return channel;
}

std::uint64_t SongFrame(float sample) {
  return std::uint64_t(sample / kCountScale + 0.5f);
}

// What the test makes the server do, and what it saw; shared with the fake the output owns.
struct ServerScript {
  std::mutex lock;
  bool reachable = true;
  milliseconds unanswered{0};  // how long a try of the server waits while it is unreachable
  size_t room = 441;           // offered every 10 ms, as a server playing in real time asks
  std::uint64_t takes = std::uint64_t(-1);  // frames the server takes in all
  std::optional<std::uint64_t> pending;
  int opens = 0;
  std::uint64_t framesWritten = 0;
  std::vector<std::uint64_t> firstFrameOfEachStream;  // song frame, from the samples written
  bool streamStarted = false;
  bool keepFrames = false;
  std::vector<std::uint64_t> frames;  // song frames written, with keepFrames
  std::optional<std::thread::id> writer;
};

class FakeServer final : public SoundServer {
 public:
  explicit FakeServer(std::shared_ptr<ServerScript> script) : script_(std::move(script)) {}
  bool Open(Timeout) override {
    std::unique_lock hold(script_->lock);
    ++script_->opens;
    open_ = script_->reachable;
    if (!open_) {
      // As a server that does not answer: the try waits for it a while.
      hold.unlock();
      std::this_thread::sleep_for(script_->unanswered);
      hold.lock();
    }
    script_->streamStarted = false;
    return open_;
  }
  void Close() override { open_ = false; }
  std::optional<size_t> WaitForRoom(Timeout) override {
    std::this_thread::sleep_for(milliseconds(10));
    std::lock_guard hold(script_->lock);
    if (!open_ || !script_->reachable) {
      open_ = false;
      return std::nullopt;
    }
    return std::min<std::uint64_t>(script_->room, script_->takes - script_->framesWritten);
  }
  void Write(const float* stereo, size_t frames) override {
    std::lock_guard hold(script_->lock);
    if (!script_->streamStarted) script_->firstFrameOfEachStream.push_back(SongFrame(stereo[0]));
    script_->streamStarted = true;
    script_->framesWritten += frames;
    script_->writer = std::this_thread::get_id();
    for (size_t i = 0; script_->keepFrames && i < frames; ++i) {
      script_->frames.push_back(SongFrame(stereo[2 * i]));
    }
  }
  std::optional<std::uint64_t> PendingFrames() override {
    std::lock_guard hold(script_->lock);
    return script_->pending;
  }
  std::uint64_t Underflows() const override { return 3; }

 private:
  std::shared_ptr<ServerScript> script_;
  bool open_ = false;
};

bool WaitFor(auto done, double seconds) {
  auto until = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
  return true;
}

class DeviceStandIn final : public Output {
 public:
  OutputTiming Timing() const override { return {}; }
};

TEST(ServerOutput, TriesTheServerThenTheDeviceThenTheNullOutput) {
  int deviceOpens = 0;
  Output* device = nullptr;
  DeviceOpener openDevice = [&](Mixer&) {
    ++deviceOpens;
    auto opened = std::make_unique<DeviceStandIn>();
    device = opened.get();
    return opened;
  };
  DeviceOpener noDevice = [&](Mixer&) {
    ++deviceOpens;
    return std::unique_ptr<Output>();
  };

  {
    // Nothing is queued before the first sound, which then comes first.
    Mixer mixer;
    auto script = std::make_shared<ServerScript>();
    auto output = OpenRealTimeOutput(mixer, std::make_unique<FakeServer>(script), openDevice);
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ((std::lock_guard(script->lock), script->framesWritten), 0u);
    PlayCounting(mixer);
    EXPECT_TRUE(
        WaitFor([&] { return std::lock_guard(script->lock), script->framesWritten > 0; }, 5.0));
    EXPECT_EQ((std::lock_guard(script->lock), script->firstFrameOfEachStream),
              std::vector<std::uint64_t>{0});
    EXPECT_EQ(deviceOpens, 0);
    EXPECT_EQ(output->Timing().underruns, 3u) << "the server's underflows count";
  }
  {
    Mixer mixer;
    auto script = std::make_shared<ServerScript>();
    script->reachable = false;
    auto output = OpenRealTimeOutput(mixer, std::make_unique<FakeServer>(script), openDevice);
    EXPECT_EQ(output.get(), device);
    EXPECT_EQ(deviceOpens, 1);
  }
  {
    // Neither: the null output mixes on the clock, and never looks for a server again.
    Mixer mixer;
    auto script = std::make_shared<ServerScript>();
    script->reachable = false;
    auto output = OpenRealTimeOutput(mixer, std::make_unique<FakeServer>(script), noDevice);
    EXPECT_EQ(deviceOpens, 2);
    EXPECT_TRUE(WaitFor([&] { return output->Timing().blocks > 15; }, 5.0));
    std::lock_guard hold(script->lock);
    EXPECT_EQ(script->opens, 1);
  }
}

TEST(ServerOutput, TheSpectrumReadsTheFramesTheServerSaysAreHeardNow) {
  Mixer mixer;
  auto channel = PlayCounting(mixer);
  std::vector<float> block(2 * 44100);
  mixer.Mix(block.data(), 44100);
  const Clock::time_point reported{std::chrono::seconds(100)};
  // A server at 200 ms: 8820 of the frames mixed are still to come.
  mixer.ReportLatency(8820, reported);
  EXPECT_EQ(mixer.HeardFrame(reported), 44100u - 8820);
  EXPECT_EQ(mixer.HeardFrame(reported - milliseconds(5)), 44100u - 8820) << "not before";
  // Played on by the clock, 441 frames each 10 ms, up to the last frame mixed and no further.
  EXPECT_EQ(mixer.HeardFrame(reported + milliseconds(10)), 44100u - 8820 + 441);
  EXPECT_EQ(mixer.HeardFrame(reported + milliseconds(150)), 44100u - 8820 + 6615);
  EXPECT_EQ(mixer.HeardFrame(reported + milliseconds(500)), 44100u);
  float mono[512];
  channel->History(mixer.HeardFrame(reported + milliseconds(10)), mono, 512);
  EXPECT_EQ(SongFrame(mono[0]), 44100u - 8820 + 441 - 512);
  EXPECT_EQ(SongFrame(mono[511]), 44100u - 8820 + 441 - 1);

  // A later report replaces the clock's guess; a latency past everything mixed is the start.
  mixer.Mix(block.data(), 441);
  mixer.ReportLatency(1000, reported + milliseconds(20));
  EXPECT_EQ(mixer.HeardFrame(reported + milliseconds(20)), 44541u - 1000);
  mixer.ReportLatency(50000, reported);
  EXPECT_EQ(mixer.HeardFrame(reported), 0u);

  // The output hands the server's report on as it writes.
  Mixer live;
  PlayCounting(live);
  auto script = std::make_shared<ServerScript>();
  script->room = script->takes = 48000;
  script->pending = 44100;
  auto output = OpenRealTimeOutput(live, std::make_unique<FakeServer>(script), nullptr);
  ASSERT_TRUE(
      WaitFor([&] { return std::lock_guard(script->lock), script->framesWritten == 48000; }, 5.0));
  std::this_thread::sleep_for(milliseconds(30));
  std::uint64_t heard = live.HeardFrame();
  EXPECT_GE(heard, 48000u - 44100);
  EXPECT_LT(heard, 48000u - 44100 + 22050) << "half a second at most has passed";
  // A report missing later leaves the last one running on: the sound is not back at the start.
  {
    std::lock_guard hold(script->lock);
    script->pending.reset();
    script->takes = 96000;
  }
  ASSERT_TRUE(
      WaitFor([&] { return std::lock_guard(script->lock), script->framesWritten == 96000; }, 5.0));
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_GT(live.HeardFrame(), heard);
}

TEST(ServerOutput, ALostServerLeavesTheSongPlayingOnUntilOneAnswersAgain) {
  Mixer mixer;
  PlayCounting(mixer);
  auto script = std::make_shared<ServerScript>();
  script->pending = 882;
  auto output = OpenRealTimeOutput(mixer, std::make_unique<FakeServer>(script), nullptr);
  std::this_thread::sleep_for(milliseconds(100));
  {
    std::lock_guard hold(script->lock);
    script->reachable = false;
  }
  auto lost = Clock::now();
  std::uint64_t heardAtLoss = mixer.HeardFrame();
  // On the clock, as the null output plays, through several tries of the server: the song keeps
  // the pace of real time, neither gaining the block each try would start with (a server gone,
  // tried in no time) nor losing the time each waits for an answer (one that does not answer).
  // Three blocks either way: the one playing, the queue lost with the server, and one to spare;
  // a second at a wrong pace is five blocks off.
  auto framesSinceLoss = [&](Clock::time_point at) {
    return heardAtLoss +
           std::uint64_t(std::chrono::duration<double>(at - lost).count() * kOutputRate);
  };
  std::uint64_t heard = 0;
  for (milliseconds unanswered : {milliseconds(0), milliseconds(100)}) {
    {
      std::lock_guard hold(script->lock);
      script->unanswered = unanswered;
    }
    std::this_thread::sleep_for(milliseconds(1200));
    auto before = Clock::now();
    heard = mixer.HeardFrame();
    auto after = Clock::now();
    EXPECT_GE(heard + 3072, framesSinceLoss(before)) << unanswered.count() << " ms a try";
    EXPECT_LE(heard, framesSinceLoss(after) + 3072) << unanswered.count() << " ms a try";
  }
  EXPECT_EQ(output->Timing().underruns, 3u) << "blocks caught up after a try are not late";
  {
    std::lock_guard hold(script->lock);
    EXPECT_GE(script->opens, 4) << "tried again while away";
    script->reachable = true;
  }
  auto back = Clock::now();
  ASSERT_TRUE(WaitFor(
      [&] { return std::lock_guard(script->lock), script->firstFrameOfEachStream.size() == 2; },
      5.0));
  EXPECT_LT(Clock::now() - back, std::chrono::seconds(1));
  // The new stream carries on from where the song had got to, not from where it was lost.
  std::lock_guard hold(script->lock);
  EXPECT_EQ(script->firstFrameOfEachStream[0], 0u);
  EXPECT_GE(script->firstFrameOfEachStream[1], heard);
  double since = std::chrono::duration<double>(Clock::now() - lost).count();
  EXPECT_LE(script->firstFrameOfEachStream[1],
            heardAtLoss + std::uint64_t(since * kOutputRate) + 2048);
}

TEST(ServerOutput, ChannelsDecodeAheadAndGoOffTheOutputThread) {
  Mixer mixer;
  mixer.StartDecoder();
  auto threads = std::make_shared<SourceThreads>();
  auto channel =
      std::make_shared<Channel>(std::make_unique<CountingSource>(threads), 20 * kOutputRate, true);
  mixer.Add(1, channel);
  channel->Play(false);
  auto script = std::make_shared<ServerScript>();
  script->keepFrames = true;
  script->pending = 0;
  auto output = OpenRealTimeOutput(mixer, std::make_unique<FakeServer>(script), nullptr);
  auto written = [&] { return std::lock_guard(script->lock), script->framesWritten; };
  ASSERT_TRUE(WaitFor([&] { return written() > 8000; }, 5.0));
  ASSERT_TRUE(channel->SetPosition(300000));
  mixer.WakeDecoder();
  std::uint64_t moved = written();
  ASSERT_TRUE(WaitFor([&] { return written() > moved + 8000; }, 5.0));
  channel.reset();
  std::uint64_t removed = written();
  ASSERT_TRUE(mixer.Remove(1));
  ASSERT_TRUE(WaitFor([&] { return std::lock_guard(threads->lock), threads->destroyed; }, 5.0));

  std::lock_guard hold(script->lock);
  // Every frame in order from the start; then, soon after the move (the decoder runs at ordinary
  // priority on a machine that may be busy), every frame in order from the new position; silence
  // at most in between.
  const auto& frames = script->frames;
  size_t i = 0;
  while (i < frames.size() && frames[i] == i) ++i;
  ASSERT_GE(i, 8000u);
  ASSERT_LE(i, moved + 2048);
  while (i < frames.size() && frames[i] == 0) ++i;
  ASSERT_LT(i, moved + 22050) << "the new position plays within half a second";
  for (size_t from = i; i < removed; ++i) {
    ASSERT_EQ(frames[i], 300000 + (i - from)) << "frame " << i;
  }
  std::lock_guard decoding(threads->lock);
  EXPECT_EQ(threads->decoded.count(*script->writer), 0u) << "decoded on the output thread";
  EXPECT_NE(*threads->destroyed, *script->writer);
  EXPECT_NE(*threads->destroyed, std::this_thread::get_id()) << "freed by the main thread";
}

}  // namespace
}  // namespace bass
