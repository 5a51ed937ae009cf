// The video file on libavformat and libavcodec: an encoding thread that converts and
// encodes pictures and sound in the order they came, and a writing thread that interleaves the
// packets into the file. Built as the module that VideoFile::Create loads.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <variant>

#include "platform/video/video_file.h"
#include "platform/video/video_module.h"
#include "platform/video/yuv_conversion.h"

namespace video {

namespace {

// Move-only owners of FFmpeg's objects.
struct FreeCodec {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FreeFrame {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct FreePacket {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct CloseFormat {
  void operator()(AVFormatContext* format) const {
    if (format->pb) avio_closep(&format->pb);
    avformat_free_context(format);
  }
};
using CodecPtr = std::unique_ptr<AVCodecContext, FreeCodec>;
using FramePtr = std::unique_ptr<AVFrame, FreeFrame>;
using PacketPtr = std::unique_ptr<AVPacket, FreePacket>;
using FormatPtr = std::unique_ptr<AVFormatContext, CloseFormat>;

// Enough for the encoder to work on one picture while the caller fills the next ones.
constexpr std::size_t kPictureBuffers = 4;
// A quality setting at which the pictures cannot be told from the frames they were made of, at
// a speed that keeps up with the show.
constexpr char kX264Preset[] = "ultrafast";
constexpr char kX264Quality[] = "14";
// The encoder yields the processor to the show's rendering, whose threads meet at every frame:
// an encoder that took the processor from one of them held up all of them. The pool of picture
// buffers stops the rendering from running far ahead of an encoder that falls behind. x264 works
// on the encoding thread itself (one thread keeps up with the show) so that it yields too.
constexpr int kEncoderNice = 19;
constexpr std::int64_t kAacBitRate = 256000;

std::string Describe(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct Stream {
  CodecPtr codec;
  AVStream* stream = nullptr;
};

// Interleaved float frames to one encoder frame of the audio codec's sample format: planar float
// for AAC, 24-bit samples in the high bits of 32 for FLAC.
void FillSound(const float* stereo, int frames, AVFrame* frame) {
  if (frame->format == AV_SAMPLE_FMT_FLTP) {
    auto* left = reinterpret_cast<float*>(frame->data[0]);
    auto* right = reinterpret_cast<float*>(frame->data[1]);
    for (int i = 0; i < frames; ++i) {
      left[i] = stereo[2 * i];
      right[i] = stereo[2 * i + 1];
    }
    return;
  }
  auto* samples = reinterpret_cast<std::int32_t*>(frame->data[0]);
  for (int i = 0; i < 2 * frames; ++i) {
    long value = std::lrint(double(stereo[i]) * 8388608.0);
    samples[i] = std::int32_t(std::clamp(value, -8388608L, 8388607L)) * 256;
  }
}

class FfmpegVideoFile final : public VideoFile {
 public:
  ~FfmpegVideoFile() override {
    std::string ignored;
    if (!finished_) Finish(&ignored);
  }

  bool Open(const std::string& path, bool mp4, int width, int height, std::string* error);

  std::vector<std::uint8_t> PictureBuffer() override {
    std::unique_lock lock(lock_);
    changed_.wait(lock, [&] { return !freeBuffers_.empty() || buffersMade_ < kPictureBuffers; });
    if (freeBuffers_.empty()) {
      ++buffersMade_;
      return std::vector<std::uint8_t>(std::size_t(width_) * std::size_t(height_) * 4);
    }
    std::vector<std::uint8_t> buffer = std::move(freeBuffers_.back());
    freeBuffers_.pop_back();
    return buffer;
  }

  void AddPicture(std::vector<std::uint8_t> rgba) override { Queue(Job{std::move(rgba)}); }

  void AddSound(const float* stereo, std::size_t frames) override {
    Queue(Job{std::vector<float>(stereo, stereo + 2 * frames)});
  }

  bool Healthy() const override { return healthy_; }

  bool Finish(std::string* error) override {
    finished_ = true;
    Queue(Job{End{}});
    if (encoder_.joinable()) encoder_.join();
    if (writer_.joinable()) writer_.join();
    std::lock_guard lock(lock_);
    *error = error_;
    return error_.empty();
  }

 private:
  struct End {};
  using Job = std::variant<std::vector<std::uint8_t>, std::vector<float>, End>;

  bool AddStream(const AVCodec* codec, Stream* stream, std::string* error);
  void Queue(Job job) {
    std::lock_guard lock(lock_);
    jobs_.push_back(std::move(job));
    changed_.notify_all();
  }
  void Fail(const std::string& what) {
    std::lock_guard lock(lock_);
    if (error_.empty()) error_ = what;
    healthy_ = false;
  }
  void Encode();
  void Write();
  void EncodePicture(const std::vector<std::uint8_t>& rgba);
  void EncodeSound(bool last);
  // Sends a frame (null drains) and hands every packet it gives to the writer.
  void Send(Stream& stream, const AVFrame* frame);

  std::string path_;
  int width_ = 0;
  int height_ = 0;
  FormatPtr format_;
  Stream video_;
  Stream audio_;
  FramePtr picture_;
  FramePtr sound_;
  std::int64_t picturesEncoded_ = 0;
  std::int64_t framesEncoded_ = 0;
  std::vector<float> pendingSound_;  // interleaved, less than one codec frame after each job
  bool finished_ = false;

  std::mutex lock_;
  std::condition_variable changed_;
  // Guarded by lock_.
  std::deque<Job> jobs_;
  std::deque<PacketPtr> packets_;  // null ends the file
  std::vector<std::vector<std::uint8_t>> freeBuffers_;
  std::size_t buffersMade_ = 0;
  std::string error_;
  std::atomic<bool> healthy_ = true;

  std::thread encoder_;
  std::thread writer_;
};

bool FfmpegVideoFile::AddStream(const AVCodec* codec, Stream* stream, std::string* error) {
  if (format_->oformat->flags & AVFMT_GLOBALHEADER) {
    stream->codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  int status = avcodec_open2(stream->codec.get(), codec, nullptr);
  if (status < 0) {
    *error = std::string("cannot open the ") + codec->name + " encoder: " + Describe(status);
    return false;
  }
  stream->stream = avformat_new_stream(format_.get(), nullptr);
  if (!stream->stream ||
      avcodec_parameters_from_context(stream->stream->codecpar, stream->codec.get()) < 0) {
    *error = "cannot add a stream to " + path_;
    return false;
  }
  stream->stream->time_base = stream->codec->time_base;
  return true;
}

bool FfmpegVideoFile::Open(const std::string& path, bool mp4, int width, int height,
                           std::string* error) {
  path_ = path;
  width_ = width;
  height_ = height;
  AVFormatContext* format = nullptr;
  if (avformat_alloc_output_context2(&format, nullptr, mp4 ? "mp4" : "matroska", path.c_str()) <
      0) {
    *error = std::string("cannot set up the ") + (mp4 ? "mp4" : "mkv") + " container";
    return false;
  }
  format_.reset(format);

  const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
  const AVCodec* sound = avcodec_find_encoder(mp4 ? AV_CODEC_ID_AAC : AV_CODEC_ID_FLAC);
  if (!h264 || !sound) {
    *error = std::string("FFmpeg's libraries lack the ") + (h264 ? "" : "H.264 (libx264) ") +
             (sound ? "" : (mp4 ? "AAC " : "FLAC ")) + "encoder";
    return false;
  }

  video_.codec.reset(avcodec_alloc_context3(h264));
  AVCodecContext* v = video_.codec.get();
  v->width = width;
  v->height = height;
  v->time_base = {1, kPicturesPerSecond};
  v->framerate = {kPicturesPerSecond, 1};
  v->pix_fmt = AV_PIX_FMT_YUV420P;
  // The pictures are converted with BT.601's coefficients in limited range; say so, so that players
  // convert back with the same ones at every size.
  v->color_range = AVCOL_RANGE_MPEG;
  v->colorspace = AVCOL_SPC_SMPTE170M;
  v->color_primaries = AVCOL_PRI_BT709;
  v->color_trc = AVCOL_TRC_IEC61966_2_1;
  av_opt_set(v->priv_data, "preset", kX264Preset, 0);
  av_opt_set(v->priv_data, "crf", kX264Quality, 0);
  v->thread_count = 1;
  if (!AddStream(h264, &video_, error)) return false;

  audio_.codec.reset(avcodec_alloc_context3(sound));
  AVCodecContext* a = audio_.codec.get();
  a->sample_rate = kSampleRate;
  a->time_base = {1, kSampleRate};
  av_channel_layout_default(&a->ch_layout, 2);
  if (mp4) {
    a->sample_fmt = AV_SAMPLE_FMT_FLTP;
    a->bit_rate = kAacBitRate;
  } else {
    a->sample_fmt = AV_SAMPLE_FMT_S32;
    a->bits_per_raw_sample = 24;
  }
  if (!AddStream(sound, &audio_, error)) return false;

  picture_.reset(av_frame_alloc());
  sound_.reset(av_frame_alloc());
  if (!picture_ || !sound_) {
    *error = "out of memory for the video encoder";
    return false;
  }
  picture_->format = v->pix_fmt;
  picture_->width = width;
  picture_->height = height;
  picture_->color_range = v->color_range;
  picture_->colorspace = v->colorspace;
  sound_->format = a->sample_fmt;
  sound_->sample_rate = kSampleRate;
  sound_->nb_samples = a->frame_size;
  av_channel_layout_copy(&sound_->ch_layout, &a->ch_layout);
  if (av_frame_get_buffer(picture_.get(), 0) < 0 || av_frame_get_buffer(sound_.get(), 0) < 0) {
    *error = "out of memory for the video encoder";
    return false;
  }

  int status = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (status < 0) {
    *error = "cannot write " + path + ": " + Describe(status);
    return false;
  }
  status = avformat_write_header(format_.get(), nullptr);
  if (status < 0) {
    *error = "cannot write " + path + ": " + Describe(status);
    return false;
  }
  encoder_ = std::thread([this] { Encode(); });
  writer_ = std::thread([this] { Write(); });
  return true;
}

void FfmpegVideoFile::Encode() {
  // Linux gives each thread a nice value of its own.
  setpriority(PRIO_PROCESS, id_t(gettid()), kEncoderNice);
  for (;;) {
    Job job;
    {
      std::unique_lock lock(lock_);
      changed_.wait(lock, [&] { return !jobs_.empty(); });
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    if (auto* rgba = std::get_if<std::vector<std::uint8_t>>(&job)) {
      if (healthy_) EncodePicture(*rgba);
      std::lock_guard lock(lock_);
      freeBuffers_.push_back(std::move(*rgba));
      changed_.notify_all();
    } else if (auto* stereo = std::get_if<std::vector<float>>(&job)) {
      pendingSound_.insert(pendingSound_.end(), stereo->begin(), stereo->end());
      if (healthy_) EncodeSound(false);
    } else {
      if (healthy_) {
        EncodeSound(true);
        Send(video_, nullptr);
        Send(audio_, nullptr);
      }
      std::lock_guard lock(lock_);
      packets_.push_back(nullptr);
      changed_.notify_all();
      return;
    }
  }
}

void FfmpegVideoFile::EncodePicture(const std::vector<std::uint8_t>& rgba) {
  if (av_frame_make_writable(picture_.get()) < 0) return Fail("out of memory for the video");
  RgbaToYuv420(rgba.data(), width_, height_,
               {{picture_->data[0], picture_->data[1], picture_->data[2]},
                {picture_->linesize[0], picture_->linesize[1], picture_->linesize[2]}});
  picture_->pts = picturesEncoded_++;
  Send(video_, picture_.get());
}

void FfmpegVideoFile::EncodeSound(bool last) {
  const std::size_t frameSize = std::size_t(audio_.codec->frame_size);
  std::size_t used = 0;
  const std::size_t available = pendingSound_.size() / 2;
  // Whole codec frames; the rest waits for more, except at the end, where the codecs take a
  // shorter last frame.
  while (available - used >= frameSize || (last && used < available)) {
    const int frames = int(std::min(frameSize, available - used));
    if (av_frame_make_writable(sound_.get()) < 0) return Fail("out of memory for the sound");
    sound_->nb_samples = frames;
    FillSound(pendingSound_.data() + 2 * used, frames, sound_.get());
    sound_->pts = framesEncoded_;
    framesEncoded_ += frames;
    used += std::size_t(frames);
    Send(audio_, sound_.get());
  }
  pendingSound_.erase(pendingSound_.begin(), pendingSound_.begin() + std::ptrdiff_t(2 * used));
}

void FfmpegVideoFile::Send(Stream& stream, const AVFrame* frame) {
  int status = avcodec_send_frame(stream.codec.get(), frame);
  if (status < 0) return Fail("cannot encode " + path_ + ": " + Describe(status));
  for (;;) {
    PacketPtr packet(av_packet_alloc());
    if (!packet) return Fail("out of memory for the video");
    status = avcodec_receive_packet(stream.codec.get(), packet.get());
    if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return;
    if (status < 0) return Fail("cannot encode " + path_ + ": " + Describe(status));
    // Every picture lasts one pass; the muxer needs that for the last one too.
    if (stream.codec->codec_type == AVMEDIA_TYPE_VIDEO) packet->duration = 1;
    av_packet_rescale_ts(packet.get(), stream.codec->time_base, stream.stream->time_base);
    packet->stream_index = stream.stream->index;
    std::lock_guard lock(lock_);
    packets_.push_back(std::move(packet));
    changed_.notify_all();
  }
}

void FfmpegVideoFile::Write() {
  for (;;) {
    PacketPtr packet;
    {
      std::unique_lock lock(lock_);
      changed_.wait(lock, [&] { return !packets_.empty(); });
      packet = std::move(packets_.front());
      packets_.pop_front();
    }
    if (!packet) break;
    if (!healthy_) continue;
    int status = av_interleaved_write_frame(format_.get(), packet.get());
    if (status < 0) Fail("cannot write " + path_ + ": " + Describe(status));
  }
  if (healthy_) {
    int status = av_write_trailer(format_.get());
    if (status < 0) Fail("cannot complete " + path_ + ": " + Describe(status));
  }
  if (format_->pb && avio_closep(&format_->pb) < 0) Fail("cannot complete " + path_);
}

}  // namespace

}  // namespace video

extern "C" video::VideoFile* OrvellOpenVideoFile(const std::string& path, bool mp4, int width,
                                                 int height, std::string* error) {
  av_log_set_level(AV_LOG_ERROR);
  auto file = std::make_unique<video::FfmpegVideoFile>();
  if (!file->Open(path, mp4, width, height, error)) return nullptr;
  return file.release();
}
