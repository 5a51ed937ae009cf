// Loading at start-up and freeing at shutdown.
#include "content/global_initialization_scene.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/release_and_clear.h"
#include "app/show_message.h"
#include "content/disk_config.h"
#include "content/player_state.h"
#include "graphics/drawing_operations.h"
#include "graphics/font_layout.h"
#include "graphics/graphics_device.h"
#include "graphics/gui_renderer.h"
#include "platform/bass/bass.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"

namespace {

// The shared pictures, in the order they are loaded.
constexpr const char* kTitleAtlasFile = "data/tit.png";
constexpr const char* kCloudRingFile = "data/cloudring.png";
constexpr const char* kCreditsFile = "data/credits.png";

void LoadTexture(IDirect3DDevice9* device, const char* path, IDirect3DTexture9** texture) {
  // A picture that does not load stays null and is drawn untextured.
  if (!device || FAILED(D3DXCreateTextureFromFileW(device, path, texture))) *texture = nullptr;
}

// The four lines of disk.cfg that describe a song.
struct SongLines {
  std::string type, file, title, infoText;
};

SongLines ReadSongLines(DiskConfig& config) {
  SongLines lines;
  lines.type = config.ReadLine();
  lines.file = config.ReadLine();
  lines.title = config.ReadLine();
  lines.infoText = config.ReadLine();
  return lines;
}

bool KnownSongType(const std::string& type) {
  return type == "mod" || type == "stream";
}

// What a song of a known type loads, or nothing when its name leaves the music folder.
std::optional<bass::MusicFile> SongMusicFile(const SongLines& lines) {
  if (!StaysInMusicFolder(lines.file)) return std::nullopt;
  std::string path = "data/music/" + lines.file;
  bool module = lines.type == "mod";
  DWORD flags = module ? ModuleLoadFlags(path) : BASS_SAMPLE_FLOAT;
  return bass::MusicFile{module, std::move(path), flags};
}

}  // namespace

DWORD ModuleLoadFlags(const std::string& path) {
  bool fastTracker = path.size() >= 3 && path.compare(path.size() - 3, 3, ".XM") == 0;
  return 0x98300 | (fastTracker ? BASS_MUSIC_FT2MOD : BASS_MUSIC_PT1MOD);
}

void UseDiskTitleAtlas() {
  if (GuiRenderer* renderer = GuiRenderer::Existing()) {
    renderer->SetTitleAtlasSource([] { return PlayerState::Instance()->titleAtlas; });
  }
}

GlobalInitializationScene::GlobalInitializationScene() {
  active = false;
  PlayerState* player = PlayerState::Instance();
  player->handCursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(137));

  GraphicsDevice* graphics = GraphicsDevice::Existing();
  IDirect3DDevice9* device = graphics ? graphics->device : nullptr;
  LoadTexture(device, kTitleAtlasFile, &player->titleAtlas);
  LoadTexture(device, kCloudRingFile, &player->cloudRing);
  LoadTexture(device, kCreditsFile, &player->creditsTexture);
  UseDiskTitleAtlas();

  DiskConfig config;
  config.Open(os::ResolveDataPath("data/disk.cfg"));
  int count = config.ReadSongCount();
  player->songCount = SaneSongCount(count, config.EntriesLeft());
  if (player->songCount < count) {
    std::string text = "disk.cfg lists " + std::to_string(count) + " songs but holds far fewer; " +
                       "only " + std::to_string(player->songCount) + " are read";
    ShowMessage(text.c_str());
  }
  player->songs.assign(std::size_t(player->songCount), Song{});
  player->currentSong = 0;

  if ((BASS_GetVersion() >> 16) != 0x0203)
    ShowMessage("An incorrect version of BASS.DLL was loaded");
  BASS_Init(-1, 44100, 0, nullptr, nullptr);

  for (Song& song : player->songs) {
    SongLines lines = ReadSongLines(config);
    song.title = lines.title;
    song.titleWidth = MeasureTextLine(song.title, 0.05f);
    song.titleOffset = 0.0f;
    if (KnownSongType(lines.type)) {
      std::optional<bass::MusicFile> music = SongMusicFile(lines);
      const char* path = music ? music->path.c_str() : nullptr;
      song.handle = !music          ? 0
                    : music->module ? BASS_MusicLoad(FALSE, path, 0, 0, music->flags, 0)
                                    : BASS_StreamCreateFile(FALSE, path, 0, 0, music->flags);
    } else {
      ShowMessage("Unsupported song type");
      song.handle = 0;
    }
    if (song.handle == 0) ShowMessage("Failed to load music file. Sorry.");
    song.infoText = lines.infoText;
    song.infoHeight = MeasureTextBox(song.infoText, 0.05f, 0.3f);
    song.infoScroll = 0.5f;
  }
  player->creditsText = config.ReadRest();
  player->creditsHeight = MeasureTextBox(player->creditsText, 0.033f, 0.75f);

  // With no songs there is nothing to start; the player screen shows an empty title.
  if (player->songCount > 0) BASS_ChannelPlay(player->songs[0].handle, FALSE);
  DWORD volume = BASS_GetVolume();
  player->infoScrollSpeed = -0.035f;
  player->volumeStep = volume <= 100 ? int(volume / 10) : 10;
  player->playing = player->songCount > 0;
}

void GlobalInitializationScene::Prefetch() {
  d3dx::PrefetchImageFiles({kTitleAtlasFile, kCloudRingFile, kCreditsFile});
  DiskConfig config;
  config.Open(os::ResolveDataPath("data/disk.cfg"));
  int count = SaneSongCount(config.ReadSongCount(), config.EntriesLeft());
  std::vector<bass::MusicFile> files;
  for (int i = 0; i < count; ++i) {
    SongLines lines = ReadSongLines(config);
    if (!KnownSongType(lines.type)) continue;
    if (std::optional<bass::MusicFile> music = SongMusicFile(lines)) files.push_back(*music);
  }
  bass::PrefetchMusicFiles(files);
}

GlobalInitializationScene::~GlobalInitializationScene() {
  PlayerState* player = PlayerState::Instance();
  for (const Song& song : player->songs) BASS_MusicFree(song.handle);
  ReleaseAndClear(player->titleAtlas);
  ReleaseAndClear(player->cloudRing);
  ReleaseAndClear(player->creditsTexture);
  player->songs.clear();
  BASS_Free();
}
