// Loading at start-up and freeing at shutdown.
#include "content/global_initialization_scene.h"

#include <string>

#include "content/disk_config.h"
#include "content/player_state.h"
#include "graphics/font_layout.h"
#include "graphics/graphics_device.h"
#include "graphics/shared_textures.h"
#include "platform/bass/bass.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"

namespace {

void Show(const char* text) {
  MessageBoxW(nullptr, text, "Orvell", MB_OK);
}

// The shared pictures, in the order they are loaded.
constexpr const char* kTitleAtlasFile = "data/tit.png";
constexpr const char* kCloudRingFile = "data/cloudring.png";
constexpr const char* kCreditsFile = "data/credits.png";

void LoadTexture(IDirect3DDevice9* device, const char* path, IDirect3DTexture9** texture) {
  // A picture that does not load stays null and is drawn untextured.
  if (!device || FAILED(D3DXCreateTextureFromFileW(device, path, texture))) *texture = nullptr;
}

template <typename T>
void ReleaseAndClear(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

}  // namespace

DWORD ModuleLoadFlags(const std::string& path) {
  bool fastTracker = path.size() >= 3 && path.compare(path.size() - 3, 3, ".XM") == 0;
  return 0x98300 | (fastTracker ? BASS_MUSIC_FT2MOD : BASS_MUSIC_PT1MOD);
}

GlobalInitializationScene::GlobalInitializationScene() {
  active = false;
  PlayerState* player = PlayerState::Instance();
  player->handCursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(137));

  GraphicsDevice* graphics = GraphicsDevice::Instance();
  IDirect3DDevice9* device = graphics ? graphics->device : nullptr;
  SharedTextures& textures = SharedTextures::Get();
  LoadTexture(device, kTitleAtlasFile, &textures.titleAtlas);
  LoadTexture(device, kCloudRingFile, &textures.cloudRing);
  LoadTexture(device, kCreditsFile, &textures.credits);

  DiskConfig config;
  config.Open(os::ResolveDataPath("data/disk.cfg"));
  int count = config.ReadSongCount();
  player->songCount = SaneSongCount(count, config.EntriesLeft());
  if (player->songCount < count) {
    std::string text = "disk.cfg lists " + std::to_string(count) + " songs but holds far fewer; " +
                       "only " + std::to_string(player->songCount) + " are read";
    Show(text.c_str());
  }
  player->songs.assign(std::size_t(player->songCount), Song{});
  player->currentSong = 0;

  if ((BASS_GetVersion() >> 16) != 0x0203) Show("An incorrect version of BASS.DLL was loaded");
  BASS_Init(-1, 44100, 0, nullptr, nullptr);

  for (Song& song : player->songs) {
    std::string type = config.ReadLine();
    std::string file = config.ReadLine();
    song.title = config.ReadLine();
    song.titleWidth = MeasureTextLine(song.title, 0.05f);
    song.titleOffset = 0.0f;
    std::string path = "data/music/" + file;
    bool onDisk = StaysInMusicFolder(file);
    if (type == "mod") {
      song.handle =
          onDisk ? BASS_MusicLoad(FALSE, path.c_str(), 0, 0, ModuleLoadFlags(path), 0) : 0;
    } else if (type == "stream") {
      song.handle =
          onDisk ? BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT) : 0;
    } else {
      Show("Unsupported song type");
      song.handle = 0;
    }
    if (song.handle == 0) Show("Failed to load music file. Sorry.");
    song.infoText = config.ReadLine();
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

void GlobalInitializationScene::PrefetchPictures() {
  d3dx::PrefetchImageFiles({kTitleAtlasFile, kCloudRingFile, kCreditsFile});
}

GlobalInitializationScene::~GlobalInitializationScene() {
  PlayerState* player = PlayerState::Instance();
  for (const Song& song : player->songs) BASS_MusicFree(song.handle);
  SharedTextures& textures = SharedTextures::Get();
  ReleaseAndClear(textures.titleAtlas);
  ReleaseAndClear(textures.cloudRing);
  ReleaseAndClear(textures.credits);
  player->songs.clear();
  BASS_Free();
}
